#pragma once
// Application-level helpers shared by the job forms: a confirmation box, dataset helpers, code
// separation for tree texts, the identity-number and business-number checks, numbers written in
// Chinese, and the registry settings of the server addresses.

#include <QString>

class QListWidget;
class QListWidgetItem;
class QTreeWidget;
class QTreeWidgetItem;
class TDataSet;
class TField;
class TStringList;

// A Yes/No box; true for Yes.
bool Confirm(const QString &msg);

// The values of fieldName over the records that pass `filter`; the dataset's position, filter
// and filtered switch are restored afterwards. Nothing when the dataset is closed.
void DBLookUpItems(TDataSet *dataSet, const QString &filter, const QString &fieldName,
                   TStringList &items);
// The names of the dataset's data fields, comma-separated, in field order.
QString DBDataFieldCommaText(const TDataSet *dataSet);
// Fills a check list with the fields whose Tag is 0: the display label as text, the field as
// the item's data (FieldOfItem), checked when the field is visible.
void FieldsToCheckLst(const TDataSet *dataSet, QListWidget *checkListBox);
TField *FieldOfItem(const QListWidgetItem *item);

// Code := the leading run of letters, digits and "_"; one blank, comma or semicolon right
// after it is skipped; Rest := what follows.
void SeparateCode(const QString &text, QString &code, QString &rest);
// The code of a tree node: its own text's code when the tree's Tag is even, the codes of the
// node and its ancestors joined from the root down when odd. Empty for no node.
QString TreeEncode(const QTreeWidgetItem *node);
// Selects, level by level, the first node whose code starts the remaining code, and returns
// the tree's selected node.
QTreeWidgetItem *TreeDeCode(QTreeWidget *treeView, const QString &code);
// The Tag of a tree view (its "Tag" property; 0 when not set).
int TreeTag(const QTreeWidget *treeView);

// The national identification number check, with resident-certificate numbers.
bool CheckRocID(const QString &id);
// As CheckRocID; when valid, sex := 'M' or 'F' from the second character.
bool CheckRocIDBySex(const QString &id, QChar &sex);
// The unified business number check.
bool CheckRocInvoice(const QString &no);

// Each digit of |n| as a plain (CN) or formal (CC) Chinese digit, "-" in front when negative.
QString NumToChineseCN(qint64 n);
QString NumToChineseCC(qint64 n);
// The number written out with units, e.g. 105 -> "一百０五".
QString NumToChineseCNFormate(qint64 n);
QString NumToChineseCCFormate(qint64 n);

// Server address settings: machine key "\SOFTWARE\" + AppRegRoot + "\AppServers\" + name,
// string value "IP" and integer value "Port" (2001 when missing).
QString GetServerIPAddress(const QString &serverName);
void SetServerIPAddress(const QString &serverName, const QString &ip);
int GetServerPort(const QString &serverName);
void SetServerIPPort(const QString &serverName, int port);
// Whether the setting exists at all (the bootstrap broker falls back on a missing one).
bool HasServerIPAddress(const QString &serverName);
bool HasServerPort(const QString &serverName);
