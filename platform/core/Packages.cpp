#include "Packages.h"

#include "Exceptions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <dlfcn.h>
#include <map>
#include <vector>

namespace {

// Registrations made while a package's initialisers run carry this mark until the loader
// knows the package's handle.
constexpr TPackageHandle kLoading = ~TPackageHandle(0);

struct LoadedPackage {
    QString Path;
    int Loads = 0;   // the loader counts loads of one file; each unload undoes one
};

struct Registry {
    std::vector<TPersistentClass> Classes;
    std::map<TPackageHandle, LoadedPackage> Loaded;
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

} // namespace

void RegisterClass(const QString &className, TComponentFactory factory) {
    Registry &r = TheRegistry();
    TPersistentClass entry{className, std::move(factory), r.LoadingPackage ? kLoading : 0};
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
    std::erase_if(TheRegistry().Classes, [package](const TPersistentClass &c) { return c.Package == package; });
}

int RegisteredClassCount() {
    return static_cast<int>(TheRegistry().Classes.size());
}

QString ProgramFolder() {
    QString dir = qEnvironmentVariable("ORV7_PROGRAM_DIR");
    if (dir.isEmpty())
        dir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath()
                                           : QDir::currentPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

TPackageHandle LoadPackage(const QString &fileName) {
    QString path = fileName;
    if (!fileName.contains(u'/') && QFileInfo::exists(ProgramFolder() + fileName))
        path = ProgramFolder() + fileName;

    Registry &r = TheRegistry();
    r.LoadingPackage = true;
    void *handle = dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    r.LoadingPackage = false;
    if (!handle) {
        const char *reason = dlerror();
        UnRegisterModuleClasses(kLoading);
        throw EPackageError(Format(QStringLiteral("Can't load package %s.\n%s"),
                                   {fileName, QString::fromLocal8Bit(reason ? reason : "")}));
    }
    const auto h = reinterpret_cast<TPackageHandle>(handle);
    for (TPersistentClass &c : r.Classes)
        if (c.Package == kLoading)
            c.Package = h;
    LoadedPackage &p = r.Loaded[h];
    p.Path = path;
    ++p.Loads;
    return h;
}

void UnloadPackage(TPackageHandle package) {
    Registry &r = TheRegistry();
    auto it = r.Loaded.find(package);
    if (it == r.Loaded.end())
        return;
    if (--it->second.Loads == 0)
        r.Loaded.erase(it);
    dlclose(reinterpret_cast<void *>(package));
}

QString PackageFileName(TPackageHandle package) {
    const auto &loaded = TheRegistry().Loaded;
    auto it = loaded.find(package);
    return it == loaded.end() ? QString() : it->second.Path;
}
