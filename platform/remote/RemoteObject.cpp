#include "RemoteObject.h"

#include "RemoteProtocol.h"

#include <algorithm>

int TRemoteCall::Int(int index) const {
    const Variant &v = (*this)[index];
    return v.IsEmptyOrNull() ? 0 : v.ToInt();
}

bool TRemoteCall::Bool(int index) const {
    const Variant &v = (*this)[index];
    return v.IsEmptyOrNull() ? false : v.ToBool();
}

TRemoteObject::~TRemoteObject() = default;

void TRemoteObject::Method(int dispId, const QString &name, int argCount, std::vector<int> outputs,
                           TBody body) {
    FMethods.push_back({dispId, name, argCount, std::move(outputs), std::move(body)});
}

const TRemoteObject::TMethod *TRemoteObject::Find(int dispId, const QString &name) const {
    for (const TMethod &m : FMethods) {
        if (dispId != Remote::DispIdUnknown) {
            if (m.DispId == dispId)
                return &m;
        } else if (m.Name.compare(name, Qt::CaseInsensitive) == 0) {
            return &m;
        }
    }
    return nullptr;
}

QStringList TRemoteObject::MethodNames() const {
    QStringList names;
    for (const TMethod &m : FMethods)
        names << m.Name;
    return names;
}

QString TRemoteObject::MethodName(int dispId, const QString &name) const {
    const TMethod *m = Find(dispId, name);
    return m ? m->Name : QString();
}

bool TRemoteObject::ChangesData(const QString &method) const {
    const TMethod *m = Find(Remote::DispIdUnknown, method);
    return m && m->Changes;
}

void TRemoteObject::DeclareChangesData(const QStringList &methods) {
    for (const QString &name : methods) {
        auto it = std::find_if(FMethods.begin(), FMethods.end(), [&](const TMethod &m) {
            return m.Name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (it == FMethods.end())
            throw EServerError(QStringLiteral("Unknown method name '%1'").arg(name));
        it->Changes = true;
    }
}

Variant TRemoteObject::Invoke(int dispId, const QString &name, std::vector<Variant> &args,
                              std::vector<int> &outputs) {
    const TMethod *m = Find(dispId, name);
    if (!m) {
        if (dispId != Remote::DispIdUnknown)
            throw EServerError(QStringLiteral("Unknown dispatch number %1").arg(dispId));
        throw EServerError(QStringLiteral("Unknown method name '%1'").arg(name));
    }
    if (int(args.size()) != m->ArgCount)
        throw EServerError(QStringLiteral("%1 takes %2 arguments, %3 were given")
                               .arg(m->Name)
                               .arg(m->ArgCount)
                               .arg(args.size()));
    TRemoteCall call(args);
    Variant result = m->Body(call);
    outputs = m->Outputs;
    return result;
}

void TRemoteObject::PublishAppServer(IAppServer *p) {
    using namespace Remote;
    Method(DispAS_ApplyUpdates, QStringLiteral("AS_ApplyUpdates"), 5, {3, 4}, [p](TRemoteCall &c) {
        int errorCount = 0;
        Variant owner = c[4];
        Variant r = p->AS_ApplyUpdates(c.Str(0), c[1], c.Int(2), errorCount, owner);
        c.Out(3) = errorCount;
        c.Out(4) = owner;
        return r;
    });
    Method(DispAS_GetRecords, QStringLiteral("AS_GetRecords"), 7, {2, 5, 6}, [p](TRemoteCall &c) {
        int recsOut = 0;
        Variant params = c[5];
        Variant owner = c[6];
        Variant r =
            p->AS_GetRecords(c.Str(0), c.Int(1), recsOut, c.Int(3), c.Str(4), params, owner);
        c.Out(2) = recsOut;
        c.Out(5) = params;
        c.Out(6) = owner;
        return r;
    });
    Method(DispAS_DataRequest, QStringLiteral("AS_DataRequest"), 2, {},
           [p](TRemoteCall &c) { return p->AS_DataRequest(c.Str(0), c[1]); });
    Method(DispAS_GetProviderNames, QStringLiteral("AS_GetProviderNames"), 0, {},
           [p](TRemoteCall &) {
               std::vector<Variant> names;
               for (const QString &n : p->AS_GetProviderNames())
                   names.emplace_back(n);
               return Variant::ArrayOf(std::move(names));
           });
    Method(DispAS_GetParams, QStringLiteral("AS_GetParams"), 2, {1}, [p](TRemoteCall &c) {
        Variant owner = c[1];
        Variant r = p->AS_GetParams(c.Str(0), owner);
        c.Out(1) = owner;
        return r;
    });
    Method(DispAS_RowRequest, QStringLiteral("AS_RowRequest"), 4, {3}, [p](TRemoteCall &c) {
        Variant owner = c[3];
        Variant r = p->AS_RowRequest(c.Str(0), c[1], c.Int(2), owner);
        c.Out(3) = owner;
        return r;
    });
    Method(DispAS_Execute, QStringLiteral("AS_Execute"), 4, {2, 3}, [p](TRemoteCall &c) {
        Variant params = c[2];
        Variant owner = c[3];
        p->AS_Execute(c.Str(0), c.Str(1), params, owner);
        c.Out(2) = params;
        c.Out(3) = owner;
        return Variant();
    });
    // Of the provider calls only the apply writes; AS_Execute runs read-only.
    DeclareChangesData({QStringLiteral("AS_ApplyUpdates")});
}
