#pragma once
// The settings registry: two roots (the machine's and the current user's), each a tree of keys
// holding named string and integer values. Each root is stored in one INI-style file:
//   machine root  $ORV7_MACHINE_REGISTRY/registry.ini  (default /etc/orv7/registry.ini)
//   user root     $ORV7_USER_REGISTRY/registry.ini     (default ~/.config/orv7/registry.ini)
// Key paths are written with "\" or "/" and compared without regard to letter case, as the
// system's key names have always been ("\SOFTWARE\ORV7.0" and "\SOFTWARE\Orv7.0" are one key).
// Every write is saved at once, completely or not at all.

#include <QString>
#include <QStringList>

enum class TRootKey { HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE };

class TRegistry {
public:
    explicit TRegistry(TRootKey root = TRootKey::HKEY_CURRENT_USER);

    TRootKey RootKey() const { return FRoot; }
    void SetRootKey(TRootKey root);
    // The file that holds a root.
    static QString RootFile(TRootKey root);

    // Opens a key: absolute when it starts with a separator, else below the open key. Returns
    // false when the key does not exist and may not be created.
    bool OpenKey(const QString &key, bool canCreate);
    bool OpenKeyReadOnly(const QString &key) { return OpenKey(key, false); }
    void CloseKey() { FCurrent.clear(); }
    QString CurrentPath() const { return FCurrent; }
    bool KeyExists(const QString &key) const;
    bool ValueExists(const QString &name) const;

    // A missing string reads as "". ReadInteger raises ERegistryException
    // "Invalid data type for '%s'" when the value is missing or not an integer.
    QString ReadString(const QString &name) const;
    int ReadInteger(const QString &name) const;
    bool ReadBool(const QString &name) const { return ReadInteger(name) != 0; }
    // Writes raise ERegistryException "Failed to set data for '%s'" when the file cannot be
    // written or no key is open.
    void WriteString(const QString &name, const QString &value);
    void WriteInteger(const QString &name, int value);
    void WriteBool(const QString &name, bool value) { WriteInteger(name, value ? 1 : 0); }
    bool DeleteValue(const QString &name);
    bool DeleteKey(const QString &key); // the key and everything below it
    QStringList GetValueNames() const;
    QStringList GetKeyNames() const; // direct subkeys of the open key

private:
    QString Resolve(const QString &key) const;
    void Write(const QString &name, const QString &stored);

    TRootKey FRoot;
    QString FCurrent; // normalised path of the open key, "" for the root
};
