#include "uLumSYSAPPMessages.h"

#include "StringList.h"
#include "Variant.h"
#include "uLumMessages.h"

void LUMSYSMainCodeSender(const QString &mainCode, const QString &mainName, const QString &levelYN,
                          const QString &lockYN, const QString &treeYN, const QString &treeName,
                          const QString &ownerUnit, const QString &ownerSYS, int treeLevel) {
    SendOrvValues(WM_SYSMAINCODE, {{"Main_Code", mainCode},
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
    const int level = StrToInt(OrvMessageValue(message, "TreeLevel"));
    mainCode = OrvMessageValue(message, "Main_Code");
    mainName = OrvMessageValue(message, "Main_Name");
    levelYN = OrvMessageValue(message, "LevelYN");
    lockYN = OrvMessageValue(message, "LockYN");
    treeYN = OrvMessageValue(message, "TreeYN");
    treeName = OrvMessageValue(message, "TreeName");
    treeLevel = level;
    ownerUnit = OrvMessageValue(message, "OwnerUnit");
    ownerSYS = OrvMessageValue(message, "OwnerSYS");
}

void LUMSYSKeyValueSender(const QString &majorID, const QString &majorName, const QString &preFix,
                          const QString &formatStr, const QString &lockYN, const QString &ownerUnit,
                          const QString &ownerSYS) {
    SendOrvValues(WM_SYSKEYVALUE, {{"MajorID", majorID},
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
    majorID = OrvMessageValue(message, "MajorID");
    majorName = OrvMessageValue(message, "MajorName");
    preFix = OrvMessageValue(message, "PreFix");
    formatStr = OrvMessageValue(message, "FormatStr");
    lockYN = OrvMessageValue(message, "LockYN");
    ownerUnit = OrvMessageValue(message, "OwnerUnit");
    ownerSYS = OrvMessageValue(message, "OwnerSYS");
}
