#include "Packages.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Registrations made while a package's initialisers run carry this mark until the loader
// knows the package's handle.
constexpr TPackageHandle kLoading = ~TPackageHandle(0);

struct LoadedPackage {
    QString Path;     // the file as asked for
    QString LoadedAs; // the name the system loader knows the code by
    int Loads = 0;    // the loader counts loads of one file; each unload undoes one
};

// What a package file on disk is: a file replaced by a download (written under another name
// and renamed) has a new identity even when its path, size and time look alike.
struct FileIdentity {
    dev_t Device = 0;
    ino_t Inode = 0;
    off_t Size = 0;
    struct timespec Modified = {};
    bool operator==(const FileIdentity &o) const {
        return Device == o.Device && Inode == o.Inode && Size == o.Size &&
               Modified.tv_sec == o.Modified.tv_sec && Modified.tv_nsec == o.Modified.tv_nsec;
    }
};

bool IdentityOf(const QByteArray &path, FileIdentity &identity) {
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        return false;
    identity = {st.st_dev, st.st_ino, st.st_size, st.st_mtim};
    return true;
}

// The code last loaded from one package file: which file it came from and under which name.
struct LoadedFile {
    FileIdentity Identity;
    QString LoadedAs;
};

struct Registry {
    std::vector<TPersistentClass> Classes;
    // Classes unregistered from packages that the system loader kept in memory after their
    // unload (it may, when other libraries still refer to them). Loading such a package again
    // does not run its initialisers again, so its classes come back from here.
    std::map<TPackageHandle, std::vector<TPersistentClass>> Dormant;
    std::map<TPackageHandle, LoadedPackage> Loaded;
    // By absolute path: the code the path's file was last loaded as.
    std::map<QString, LoadedFile> Files;
    int Aliases = 0; // numbers the private names of newer builds
    bool LoadingPackage = false;
};

Registry &TheRegistry() {
    static Registry registry;
    return registry;
}

std::vector<TPersistentClass>::iterator FindIt(const QString &name) {
    auto &classes = TheRegistry().Classes;
    return std::find_if(classes.begin(), classes.end(), [&](const TPersistentClass &c) {
        return c.ClassName.compare(name, Qt::CaseInsensitive) == 0;
    });
}

// A second name for the package file beside it, for the system loader: a hard link, or a copy
// where the file system has none. Empty when neither can be made.
QString PrivateCopy(const QString &path, int number) {
    const QFileInfo info(path);
    const QString alias = info.absolutePath() + QStringLiteral("/.%1.%2-%3.so")
                                                    .arg(info.fileName())
                                                    .arg(QCoreApplication::applicationPid())
                                                    .arg(number);
    QFile::remove(alias);
    if (::link(QFile::encodeName(path).constData(), QFile::encodeName(alias).constData()) == 0)
        return alias;
    return QFile::copy(path, alias) ? alias : QString();
}

} // namespace

void RegisterClass(const QString &className, TComponentFactory factory) {
    Registry &r = TheRegistry();
    TPersistentClass entry{className, factory, r.LoadingPackage ? kLoading : 0};
    auto it = FindIt(className);
    if (it != r.Classes.end())
        *it = std::move(entry);
    else
        r.Classes.push_back(std::move(entry));
}

const TPersistentClass *GetClass(const QString &className) {
    auto it = FindIt(className);
    return it == TheRegistry().Classes.end() ? nullptr : &*it;
}

const TPersistentClass &FindClass(const QString &className) {
    if (const TPersistentClass *c = GetClass(className))
        return *c;
    throw EClassNotFound(Format(QStringLiteral("Class %s not found"), {className}));
}

void UnRegisterModuleClasses(TPackageHandle package) {
    Registry &r = TheRegistry();
    auto keep = std::stable_partition(
        r.Classes.begin(), r.Classes.end(),
        [package](const TPersistentClass &c) { return c.Package != package; });
    if (package != 0 && package != kLoading) {
        auto &dormant = r.Dormant[package];
        std::move(keep, r.Classes.end(), std::back_inserter(dormant));
    }
    r.Classes.erase(keep, r.Classes.end());
}

int RegisteredClassCount() {
    return static_cast<int>(TheRegistry().Classes.size());
}

QString ProgramFolder() {
    QString dir = qEnvironmentVariable("ORV7_PROGRAM_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::instance()
                  ? QCoreApplication::applicationDirPath()
                  // Before the application object exists (libraries starting up): the folder
                  // of the running executable.
                  : QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget()).path();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

TPackageHandle LoadPackage(const QString &fileName) {
    QString path = fileName;
    if (!fileName.contains(u'/') && QFileInfo::exists(ProgramFolder() + fileName))
        path = ProgramFolder() + fileName;

    Registry &r = TheRegistry();
    // The code of a package stays mapped after it is unloaded: the toolkit keeps pointers
    // into packages (type information, static text data) beyond the life of their objects,
    // and those must never dangle. Unloading still forgets the package's classes and releases
    // its handle; loading it again brings its classes back.
    //
    // The system loader knows such code by its file name, so loading the path again after the
    // version control has replaced the file would give back the old build. A file that is not
    // the one last loaded from this path is therefore loaded under a private name of its own
    // (a link to it, removed again once loaded): the new build runs from then on, while a job
    // still open keeps the code it was started with.
    const QString key = QFileInfo(path).absoluteFilePath();
    const QByteArray encoded = QFile::encodeName(path);
    FileIdentity identity;
    const bool identified = IdentityOf(encoded, identity);
    QString loadAs = path;
    QString alias;
    auto known = r.Files.find(key);
    if (identified && known != r.Files.end()) {
        if (known->second.Identity == identity) {
            loadAs = known->second.LoadedAs;
        } else {
            alias = PrivateCopy(path, ++r.Aliases);
            if (alias.isEmpty())
                throw EPackageError(
                    Format(QStringLiteral("Can't load package %s.\n%s"),
                           {fileName, QStringLiteral("cannot reach the new file")}));
            loadAs = alias;
        }
    }
    r.LoadingPackage = true;
    void *handle =
        dlopen(QFile::encodeName(loadAs).constData(), RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    r.LoadingPackage = false;
    if (!alias.isEmpty())
        QFile::remove(alias); // the loaded code keeps the file's contents
    if (!handle) {
        const char *reason = dlerror();
        UnRegisterModuleClasses(kLoading);
        throw EPackageError(Format(QStringLiteral("Can't load package %s.\n%s"),
                                   {fileName, QString::fromLocal8Bit(reason ? reason : "")}));
    }
    if (identified)
        r.Files[key] = {identity, loadAs};
    const auto h = reinterpret_cast<TPackageHandle>(handle);
    bool registered = false;
    for (TPersistentClass &c : r.Classes)
        if (c.Package == kLoading) {
            c.Package = h;
            registered = true;
        }
    auto dormant = r.Dormant.find(h);
    if (dormant != r.Dormant.end()) {
        // Still in memory from an earlier load: its initialisers did not run again.
        if (!registered) {
            for (TPersistentClass &c : dormant->second) {
                c.Package = h;
                auto existing = FindIt(c.ClassName);
                if (existing != r.Classes.end())
                    *existing = std::move(c);
                else
                    r.Classes.push_back(std::move(c));
            }
        }
        r.Dormant.erase(dormant);
    }
    LoadedPackage &p = r.Loaded[h];
    p.Path = path;
    p.LoadedAs = loadAs;
    ++p.Loads;
    return h;
}

void UnloadPackage(TPackageHandle package) {
    Registry &r = TheRegistry();
    auto it = r.Loaded.find(package);
    if (it == r.Loaded.end())
        return;
    const QByteArray path = QFile::encodeName(it->second.LoadedAs);
    if (--it->second.Loads == 0)
        r.Loaded.erase(it);
    dlclose(reinterpret_cast<void *>(package));
    // Keep the package's classes for a later load only while the code behind them is still in
    // memory; once the package is really gone, they would point nowhere.
    if (void *resident = dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD))
        dlclose(resident);
    else
        r.Dormant.erase(package);
}

QString PackageFileName(TPackageHandle package) {
    const auto &loaded = TheRegistry().Loaded;
    auto it = loaded.find(package);
    return it == loaded.end() ? QString() : it->second.Path;
}
