#pragma once
// A code tree as rows of a table and back, shared by the tree form and the tree and code-table
// converter: each node is a row of its full code, its level (0 for roots), its parent's full
// code and its text. Also the look-ups the tree pickers share.

#include <QString>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;
class TClientDataSet;
class TDataSet;
class TField;

// The depth of a node: 0 for a root.
int TreeNodeLevel(const QTreeWidgetItem *node);
// A node's text without its code.
QString TreeNodeText(const QTreeWidgetItem *node);
// The texts (without codes) of a node's ancestors and itself, root first, joined by ",".
QString TreeTraceText(const QTreeWidgetItem *node);
// The node a code names: with level coding segment by segment from the roots, else the first
// node whose text contains the code. None for an empty code.
QTreeWidgetItem *TreeFindCode(QTreeWidget *tree, const QString &code, bool levelCoding);

// Builds the tree level by level from the rows of the dataset: levelFilter(n) is set as the
// dataset's filter for level n (filtering must be on), and the first level without rows ends
// the build. Each row goes under the first node (in tree order) whose full code is the row's
// parent, or at the root. Under level coding a node holds what its code adds to its parent's;
// a row whose parent is missing becomes a root that keeps its whole code. The caller restores
// the dataset's filter.
void RowsToTree(QTreeWidget *tree, TDataSet *dataSet, TField *code, TField *parent, TField *text,
                bool levelCoding, const std::function<QString(int level)> &levelFilter);
// Writes the tree into the dataset's rows (as filtered by the caller): rows whose code is no
// node's full code are deleted, the others edited or appended (a new row gets mainCode in
// main when main is given). The changes stay pending.
void TreeToRows(const QTreeWidget *tree, TClientDataSet *dataSet, TField *code, TField *level,
                TField *parent, TField *text, TField *main, const QString &mainCode);
// Applies the pending rows tolerating no error: a row the server refuses fails the whole
// batch with the server's message.
void ApplyEveryRow(TClientDataSet *dataSet);
