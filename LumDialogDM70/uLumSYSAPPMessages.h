#pragma once
// Message records of the system-application tables, on the carrier of uLumMessages:
// 33689 describes a code category of the system tables (key, name, whether it is level coded,
// locked, held as a tree, the tree's name and depth, owning unit and subsystem); 33690 a
// key-value numbering rule (key, name, prefix, format string, lock, owning unit and subsystem).

#include "Messages.h"

#include <QString>

// 33689: "Main_Code", "Main_Name", "LevelYN", "LockYN", "TreeYN", "TreeName", "TreeLevel"
// (decimal), "OwnerUnit", "OwnerSYS".
void LUMSYSMainCodeSender(const QString &mainCode, const QString &mainName, const QString &levelYN,
                          const QString &lockYN, const QString &treeYN, const QString &treeName,
                          const QString &ownerUnit, const QString &ownerSYS, int treeLevel);
// Raises EConvertError when "TreeLevel" is not a decimal integer; nothing is written then.
void LUMSYSMainCodeReceiver(const TMessage &message, QString &mainCode, QString &mainName,
                            QString &levelYN, QString &lockYN, QString &treeYN, QString &treeName,
                            QString &ownerUnit, QString &ownerSYS, int &treeLevel);

// 33690: "MajorID", "MajorName", "PreFix", "FormatStr", "LockYN", "OwnerUnit", "OwnerSYS".
void LUMSYSKeyValueSender(const QString &majorID, const QString &majorName, const QString &preFix,
                          const QString &formatStr, const QString &lockYN, const QString &ownerUnit,
                          const QString &ownerSYS);
void LUMSYSKeyValueReceiver(const TMessage &message, QString &majorID, QString &majorName,
                            QString &preFix, QString &formatStr, QString &lockYN,
                            QString &ownerUnit, QString &ownerSYS);
