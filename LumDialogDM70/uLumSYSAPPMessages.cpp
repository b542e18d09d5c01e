#include "uLumSYSAPPMessages.h"

#include "StringList.h"
#include "Variant.h"
#include "uLumMessages.h"

#include <utility>

namespace {

using TPairs = std::initializer_list<std::pair<const char *, QString>>;

// Sends the lines in their order (empty values keep their keys); the list lives on the stack,
// so it is freed after delivery whether or not a receiver failed.
void Send(quint32 msg, TPairs values) {
    TStringList list;
    for (const auto &[name, value] : values)
        list.Add(QLatin1String(name) + u'=' + value);
    TMessage message;
    message.Msg = msg;
    message.Strings = &list;
    DispatchOrvMessage(message);
}

QString Read(const TMessage &message, const char *name) {
    return message.Strings ? message.Strings->Values(QLatin1String(name)) : QString();
}

} // namespace

void LUMSYSMainCodeSender(const QString &mainCode, const QString &mainName, const QString &levelYN,
                          const QString &lockYN, const QString &treeYN, const QString &treeName,
                          const QString &ownerUnit, const QString &ownerSYS, int treeLevel) {
    Send(WM_SYSMAINCODE, {{"Main_Code", mainCode},
                          {"Main_Name", mainName},
                          {"LevelYN", levelYN},
                          {"LockYN", lockYN},
                          {"TreeYN", treeYN},
                          {"TreeName", treeName},
                          {"TreeLevel", QString::number(treeLevel)},
                          {"OwnerUnit", ownerUnit},
                          {"OwnerSYS", ownerSYS}});
}

void LUMSYSMainCodeReceiver(const TMessage &message, QString &mainCode, QString &mainName,
                            QString &levelYN, QString &lockYN, QString &treeYN, QString &treeName,
                            QString &ownerUnit, QString &ownerSYS, int &treeLevel) {
    const int level = StrToInt(Read(message, "TreeLevel"));
    mainCode = Read(message, "Main_Code");
    mainName = Read(message, "Main_Name");
    levelYN = Read(message, "LevelYN");
    lockYN = Read(message, "LockYN");
    treeYN = Read(message, "TreeYN");
    treeName = Read(message, "TreeName");
    treeLevel = level;
    ownerUnit = Read(message, "OwnerUnit");
    ownerSYS = Read(message, "OwnerSYS");
}

void LUMSYSKeyValueSender(const QString &majorID, const QString &majorName, const QString &preFix,
                          const QString &formatStr, const QString &lockYN, const QString &ownerUnit,
                          const QString &ownerSYS) {
    Send(WM_SYSKEYVALUE, {{"MajorID", majorID},
                          {"MajorName", majorName},
                          {"PreFix", preFix},
                          {"FormatStr", formatStr},
                          {"LockYN", lockYN},
                          {"OwnerUnit", ownerUnit},
                          {"OwnerSYS", ownerSYS}});
}

void LUMSYSKeyValueReceiver(const TMessage &message, QString &majorID, QString &majorName,
                            QString &preFix, QString &formatStr, QString &lockYN,
                            QString &ownerUnit, QString &ownerSYS) {
    majorID = Read(message, "MajorID");
    majorName = Read(message, "MajorName");
    preFix = Read(message, "PreFix");
    formatStr = Read(message, "FormatStr");
    lockYN = Read(message, "LockYN");
    ownerUnit = Read(message, "OwnerUnit");
    ownerSYS = Read(message, "OwnerSYS");
}
