#include "RadSystemApi.h"

#include "Exceptions.h"
#include "Os.h"
#include "Registry.h"
#include "StringList.h"
#include "VersionBlock.h"

#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QProcess>

const QString _DEFAULTSERVERSTR = QStringLiteral("DefaultServer");
const QString _BACKUPSERVERSTR = QStringLiteral("BackupServer");
const QString _ApplicationRegRoot = QStringLiteral("ORV7.0");

QString ReadAppRegRoot() {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    if (reg.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\") + QStringLiteral("ORV7.0")) &&
        reg.ValueExists(QStringLiteral("RegType"))) {
        const QString type = reg.ReadString(QStringLiteral("RegType")).trimmed();
        if (!type.isEmpty() && type != QStringLiteral("0"))
            return QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget())
                .completeBaseName();
    }
    return QStringLiteral("ORV7.0");
}

const QString &AppRegRoot() {
    static const QString root = ReadAppRegRoot();
    return root;
}

QString GetFileVersionInformation(const QString &fileName, const QString &key) {
    const auto block = TVersionBlock::ReadFromFile(fileName);
    if (!block)
        return {};
    const QString translation = block->FirstTranslation();
    if (translation.isEmpty())
        return {};
    return block->Value(QStringLiteral("\\StringFileInfo\\%1\\%2").arg(translation, key));
}

namespace {

[[noreturn]] void CannotOpen(const QString &fileName) {
    throw Exception(QStringLiteral("Cannot Open File:") + fileName);
}

QStringList ProgramAndArguments(const QString &commandLine) {
    QStringList parts = QProcess::splitCommand(commandLine);
    if (parts.isEmpty())
        throw Exception(QStringLiteral("No program to start"));
    return parts;
}

} // namespace

qint64 GetFileSize(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        CannotOpen(fileName);
    return file.size();
}

TDateTime GetFileDateTime(const QString &fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        CannotOpen(fileName);
    return TDateTime::FromQDateTime(file.fileTime(QFileDevice::FileModificationTime));
}

void StreamToVariant(QIODevice &stream, Variant &v) {
    v = Variant(stream.readAll());
}

void VariantToStream(const Variant &v, QIODevice &stream) {
    const QByteArray bytes = v.ToBytes();
    if (stream.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("Stream write error"));
}

QString ReadRegString(const QString &key, const QString &name, const QString &defaultValue) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\") + key) || !reg.ValueExists(name))
        return defaultValue;
    return reg.ReadString(name);
}

void WriteRegString(const QString &key, const QString &name, const QString &value) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    reg.OpenKey(QStringLiteral("\\SOFTWARE\\") + key, true);
    reg.WriteString(name, value);
}

int ReadRegInteger(const QString &key, const QString &name, int defaultValue) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    if (!reg.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\") + key) || !reg.ValueExists(name))
        return defaultValue;
    try {
        return reg.ReadInteger(name);
    } catch (const Exception &) {
        return defaultValue; // a value of another type counts as missing
    }
}

void WriteRegInteger(const QString &key, const QString &name, int value) {
    TRegistry reg(TRootKey::HKEY_LOCAL_MACHINE);
    reg.OpenKey(QStringLiteral("\\SOFTWARE\\") + key, true);
    reg.WriteInteger(name, value);
}

void ExecuteProgram(const QString &commandLine) {
    QStringList parts = ProgramAndArguments(commandLine);
    const QString program = parts.takeFirst();
    if (!QProcess::startDetached(program, parts))
        throw Exception(QStringLiteral("Cannot start %1").arg(program));
}

void ExecuteProgramEnd(const QString &commandLine) {
    QStringList parts = ProgramAndArguments(commandLine);
    const QString program = parts.takeFirst();
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, parts);
    if (!process.waitForStarted(-1))
        throw Exception(QStringLiteral("Cannot start %1").arg(program));
    process.waitForFinished(-1);
}

QString GetHost() {
    return SystemOS ? SystemOS->TCP().GetHost() : QString();
}

QString GetIPAddr() {
    // The machine's own view: the host name's address unless that is a loopback one, else the
    // address of the interface that outgoing traffic uses.
    const QString address = SystemOS ? SystemOS->TCP().GetIPAddr() : QString();
    return address.isEmpty() ? QStringLiteral("0.0.0.0") : address;
}

void Convert2OleVariant(const TStringList &strings, Variant &v) {
    if (strings.Count() == 0) {
        v = Variant::Null();
        return;
    }
    v = Variant::Array(0, strings.Count() - 1);
    for (int i = 0; i < strings.Count(); ++i)
        v.SetElement(i, Variant(strings[i]));
}

void OleVariant2Strings(const Variant &v, TStringList &strings) {
    strings.Clear();
    if (!v.IsArray())
        return;
    for (int i = v.LowBound(); i <= v.HighBound(); ++i)
        strings.Add(VarToStr(v[i]));
}
