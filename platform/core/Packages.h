#pragma once
// Run-time packages and the class registry.
//
// A package is a shared object that registers its classes while it loads (its static
// initialisers call RegisterClass); the loader remembers which package registered which class,
// so that UnRegisterModuleClasses forgets exactly those before the package is unloaded.
// Class look-ups ignore letter case.

#include <QString>

class QObject;
class TComponentBase;

using TPackageHandle = quintptr; // 0 = the program itself / no package
// A plain function, not a closure: a registration may outlive the package's code and must be
// safe to forget after the package is gone.
using TComponentFactory = TComponentBase *(*)(QObject *owner);

struct TPersistentClass {
    QString ClassName;
    TComponentFactory Create;
    TPackageHandle Package = 0;
};

// Registers a class under its name; a later registration of the same name replaces it.
void RegisterClass(const QString &className, TComponentFactory factory);
// The registered class of that name (any letter case), or nullptr.
const TPersistentClass *GetClass(const QString &className);
// Like GetClass, but raises EClassNotFound "Class %s not found".
const TPersistentClass &FindClass(const QString &className);
// Forgets every class that the package registered.
void UnRegisterModuleClasses(TPackageHandle package);
int RegisteredClassCount();

// Loads a package by path. A name without a folder is looked for in the program folder first.
// Raises EPackageError "Can't load package %s.\n%s" with the loader's reason.
TPackageHandle LoadPackage(const QString &fileName);
// Unloads a package loaded by LoadPackage; unknown handles are ignored. The package's code
// stays mapped in memory (so nothing the toolkit still refers to can dangle); its classes are
// gone and come back when it is loaded again.
void UnloadPackage(TPackageHandle package);
// The path a package was loaded from, "" for an unknown handle.
QString PackageFileName(TPackageHandle package);

// The program folder, with a trailing separator: the executable's folder, or the folder named
// by the environment variable ORV7_PROGRAM_DIR for an installed or test setup.
QString ProgramFolder();

// Registers a class from a package or the program at load time:
//   LUM_REGISTER_CLASS(TLumChangePassword)
#define LUM_REGISTER_CLASS(Class)                                                                  \
    static const bool lumClassRegistered_##Class = [] {                                            \
        RegisterClass(QStringLiteral(#Class),                                                      \
                      [](QObject *owner) -> TComponentBase * { return new Class(owner); });        \
        return true;                                                                               \
    }()
