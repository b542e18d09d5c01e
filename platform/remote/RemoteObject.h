#pragma once
// TRemoteObject: the server side of a remote object. A concrete object lists its methods once
// (dispatch number, name, argument count, which arguments are by-reference outputs, body); the
// object server then calls them by number or by name with the arguments of an Invoke message.
// Objects that publish providers also answer the IAppServer calls (AS_*) through
// PublishAppServer.

#include "AppServer.h"
#include "Variant.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace Remote {

// Dispatch numbers of the IAppServer calls.
enum TAppServerDispId : int {
    DispAS_ApplyUpdates = 20000000,
    DispAS_GetRecords = 20000001,
    DispAS_DataRequest = 20000002,
    DispAS_GetProviderNames = 20000003,
    DispAS_GetParams = 20000004,
    DispAS_RowRequest = 20000005,
    DispAS_Execute = 20000006,
};

} // namespace Remote

// The arguments of one call. Out(i) writes a by-reference argument; the new value travels back.
class TRemoteCall {
public:
    explicit TRemoteCall(std::vector<Variant> &args) : FArgs(args) {}
    int Count() const { return int(FArgs.size()); }
    const Variant &operator[](int index) const { return FArgs.at(size_t(index)); }
    QString Str(int index) const { return VarToStr((*this)[index]); }
    int Int(int index) const;
    bool Bool(int index) const;
    Variant &Out(int index) { return FArgs.at(size_t(index)); }

private:
    std::vector<Variant> &FArgs;
};

class TRemoteObject {
public:
    using TBody = std::function<Variant(TRemoteCall &)>;

    TRemoteObject() = default;
    TRemoteObject(const TRemoteObject &) = delete;
    TRemoteObject &operator=(const TRemoteObject &) = delete;
    virtual ~TRemoteObject();

    // Calls a method by dispatch number, or by name (any letter case) when dispId is
    // Remote::DispIdUnknown. `args` receives the new values of the output arguments, whose
    // indexes are put into `outputs`. Errors of the method's body are raised as they are;
    // an unknown method or a wrong argument count raises EServerError.
    Variant Invoke(int dispId, const QString &name, std::vector<Variant> &args,
                   std::vector<int> &outputs);

    // Method names in declaration order.
    QStringList MethodNames() const;
    // The declared name of the method a call names by number (or by name in any letter case);
    // empty when there is none.
    QString MethodName(int dispId, const QString &name) const;
    // Whether the method (by its declared name, any letter case) changes what the server
    // keeps, as declared by DeclareChangesData; the IAppServer apply always does.
    bool ChangesData(const QString &method) const;

protected:
    // Declares a method. dispId Remote::DispIdUnknown makes it callable by name only.
    void Method(int dispId, const QString &name, int argCount, std::vector<int> outputs,
                TBody body);
    // Declares the IAppServer calls, answered by `providers` (which must outlive this object).
    void PublishAppServer(IAppServer *providers);
    // Marks declared methods as ones that change what the server keeps (rather than only read
    // it), so that a caller allowed only to read is kept from them.
    void DeclareChangesData(const QStringList &methods);

private:
    struct TMethod {
        int DispId;
        QString Name;
        int ArgCount;
        std::vector<int> Outputs;
        TBody Body;
        bool Changes = false;
    };
    const TMethod *Find(int dispId, const QString &name) const;
    std::vector<TMethod> FMethods;
};
