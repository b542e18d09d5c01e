#include "Registry.h"

#include "Exceptions.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <optional>
#include <vector>

namespace {

struct Value {
    QString Name;
    QString Stored; // "s:<text>" or "d:<number>"
};

struct Section {
    QString Path; // normalised, "/"-separated, no leading separator
    std::vector<Value> Values;
};

// Normalises a key path: separators to "/", no leading, trailing or doubled separators.
QString Normalise(const QString &key) {
    QString k = key;
    k.replace(u'\\', u'/');
    const QStringList parts = k.split(u'/', Qt::SkipEmptyParts);
    return parts.join(u'/');
}

bool SamePath(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

bool IsBelow(const QString &path, const QString &parent) {
    if (parent.isEmpty())
        return !path.isEmpty();
    return path.size() > parent.size() && path[parent.size()] == u'/' &&
           SamePath(path.left(parent.size()), parent);
}

QString Escape(const QString &s) {
    QString out;
    for (const QChar c : s) {
        if (c == u'\\')
            out += QStringLiteral("\\\\");
        else if (c == u'\n')
            out += QStringLiteral("\\n");
        else if (c == u'\r')
            out += QStringLiteral("\\r");
        else
            out += c;
    }
    return out;
}

QString Unescape(const QString &s) {
    QString out;
    for (qsizetype i = 0; i < s.size(); ++i) {
        if (s[i] == u'\\' && i + 1 < s.size()) {
            const QChar n = s[++i];
            out += n == u'n' ? QChar(u'\n') : n == u'r' ? QChar(u'\r') : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

// One root's file: read whole, changed in memory, written whole.
class Store {
public:
    explicit Store(TRootKey root) : FFile(TRegistry::RootFile(root)) { Load(); }

    Section *Find(const QString &path) {
        for (Section &s : FSections)
            if (SamePath(s.Path, path))
                return &s;
        return nullptr;
    }
    bool Exists(const QString &path) const {
        if (path.isEmpty())
            return true;
        for (const Section &s : FSections)
            if (SamePath(s.Path, path) || IsBelow(s.Path, path))
                return true;
        return false;
    }
    Section &Ensure(const QString &path) {
        if (Section *s = Find(path))
            return *s;
        FSections.push_back(Section{path, {}});
        return FSections.back();
    }
    bool RemoveTree(const QString &path) {
        const auto before = FSections.size();
        std::erase_if(FSections, [&](const Section &s) {
            return SamePath(s.Path, path) || IsBelow(s.Path, path);
        });
        return FSections.size() != before;
    }
    const std::vector<Section> &Sections() const { return FSections; }

    bool Save() const {
        QDir().mkpath(QFileInfo(FFile).absolutePath());
        QString text;
        for (const Section &s : FSections) {
            text += u'[' + s.Path + QStringLiteral("]\n");
            for (const Value &v : s.Values)
                text += Escape(v.Name).replace(u'=', QStringLiteral("\\=")) + u'=' +
                        Escape(v.Stored) + u'\n';
            text += u'\n';
        }
        QSaveFile f(FFile);
        const QByteArray bytes = text.toUtf8();
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.commit();
    }

private:
    void Load() {
        QFile f(FFile);
        if (!f.open(QIODevice::ReadOnly))
            return;
        Section *current = nullptr;
        const QStringList lines = QString::fromUtf8(f.readAll()).split(u'\n');
        for (QString line : lines) {
            if (line.endsWith(u'\r'))
                line.chop(1);
            if (line.trimmed().isEmpty() || line.startsWith(u';') || line.startsWith(u'#'))
                continue;
            if (line.startsWith(u'[') && line.endsWith(u']')) {
                current = &Ensure(Normalise(line.mid(1, line.size() - 2)));
                continue;
            }
            // The name ends at the first "=" not escaped with a backslash.
            qsizetype eq = -1;
            for (qsizetype i = 0; i < line.size(); ++i) {
                if (line[i] == u'\\') {
                    ++i;
                    continue;
                }
                if (line[i] == u'=') {
                    eq = i;
                    break;
                }
            }
            if (!current || eq < 0)
                continue; // a line outside any key or without "=" carries nothing
            current->Values.push_back(Value{Unescape(line.left(eq)), Unescape(line.mid(eq + 1))});
        }
    }

    QString FFile;
    std::vector<Section> FSections;
};

std::optional<QString> Lookup(TRootKey root, const QString &path, const QString &name) {
    Store store(root);
    if (Section *s = store.Find(path))
        for (const Value &v : s->Values)
            if (v.Name.compare(name, Qt::CaseInsensitive) == 0)
                return v.Stored;
    return std::nullopt;
}

} // namespace

TRegistry::TRegistry(TRootKey root) : FRoot(root) {}

void TRegistry::SetRootKey(TRootKey root) {
    FRoot = root;
    FCurrent.clear();
}

QString TRegistry::RootFile(TRootKey root) {
    const bool machine = root == TRootKey::HKEY_LOCAL_MACHINE;
    QString dir = qEnvironmentVariable(machine ? "ORV7_MACHINE_REGISTRY" : "ORV7_USER_REGISTRY");
    if (dir.isEmpty())
        dir = machine ? QStringLiteral("/etc/orv7")
                      : QDir::homePath() + QStringLiteral("/.config/orv7");
    return dir + QStringLiteral("/registry.ini");
}

QString TRegistry::Resolve(const QString &key) const {
    if (key.startsWith(u'\\') || key.startsWith(u'/') || FCurrent.isEmpty())
        return Normalise(key);
    return Normalise(FCurrent + u'/' + key);
}

bool TRegistry::OpenKey(const QString &key, bool canCreate) {
    const QString path = Resolve(key);
    Store store(FRoot);
    if (!store.Exists(path)) {
        if (!canCreate)
            return false;
        store.Ensure(path);
        if (!store.Save())
            return false;
    }
    FCurrent = path;
    return true;
}

bool TRegistry::KeyExists(const QString &key) const {
    return Store(FRoot).Exists(Resolve(key));
}

bool TRegistry::ValueExists(const QString &name) const {
    return Lookup(FRoot, FCurrent, name).has_value();
}

QString TRegistry::ReadString(const QString &name) const {
    const std::optional<QString> v = Lookup(FRoot, FCurrent, name);
    if (!v)
        return QString();
    if (v->startsWith(QStringLiteral("s:")))
        return v->mid(2);
    if (v->startsWith(QStringLiteral("d:")))
        throw ERegistryException(Format(QStringLiteral("Invalid data type for '%s'"), {name}));
    return *v; // a hand-written value without a type mark is a string
}

int TRegistry::ReadInteger(const QString &name) const {
    const std::optional<QString> v = Lookup(FRoot, FCurrent, name);
    bool ok = false;
    int result = 0;
    if (v && v->startsWith(QStringLiteral("d:")))
        result = v->mid(2).toInt(&ok);
    if (!ok)
        throw ERegistryException(Format(QStringLiteral("Invalid data type for '%s'"), {name}));
    return result;
}

void TRegistry::Write(const QString &name, const QString &stored) {
    if (FCurrent.isEmpty())
        throw ERegistryException(Format(QStringLiteral("Failed to set data for '%s'"), {name}));
    Store store(FRoot);
    Section &s = store.Ensure(FCurrent);
    auto it = std::find_if(s.Values.begin(), s.Values.end(), [&](const Value &v) {
        return v.Name.compare(name, Qt::CaseInsensitive) == 0;
    });
    if (it == s.Values.end())
        s.Values.push_back(Value{name, stored});
    else
        it->Stored = stored;
    if (!store.Save())
        throw ERegistryException(Format(QStringLiteral("Failed to set data for '%s'"), {name}));
}

void TRegistry::WriteString(const QString &name, const QString &value) {
    Write(name, QStringLiteral("s:") + value);
}

void TRegistry::WriteInteger(const QString &name, int value) {
    Write(name, QStringLiteral("d:") + QString::number(value));
}

bool TRegistry::DeleteValue(const QString &name) {
    Store store(FRoot);
    Section *s = store.Find(FCurrent);
    if (!s)
        return false;
    const auto before = s->Values.size();
    std::erase_if(s->Values,
                  [&](const Value &v) { return v.Name.compare(name, Qt::CaseInsensitive) == 0; });
    return s->Values.size() != before && store.Save();
}

bool TRegistry::DeleteKey(const QString &key) {
    const QString path = Resolve(key);
    if (path.isEmpty())
        return false;
    Store store(FRoot);
    return store.RemoveTree(path) && store.Save();
}

QStringList TRegistry::GetValueNames() const {
    QStringList names;
    Store store(FRoot);
    if (Section *s = store.Find(FCurrent))
        for (const Value &v : s->Values)
            names.append(v.Name);
    return names;
}

QStringList TRegistry::GetKeyNames() const {
    QStringList names;
    Store store(FRoot);
    for (const Section &s : store.Sections()) {
        if (!IsBelow(s.Path, FCurrent))
            continue;
        const QString rest = FCurrent.isEmpty() ? s.Path : s.Path.mid(FCurrent.size() + 1);
        const QString first = rest.section(u'/', 0, 0);
        if (!names.contains(first, Qt::CaseInsensitive))
            names.append(first);
    }
    return names;
}
