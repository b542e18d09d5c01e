#pragma once
// The text of a code tree, without widgets: one node per line, nested by leading tabs (a node
// one tab deeper than the line above is its child), and "#Name=Value" lines (the name a word)
// before the first node that carry the tree's own settings ("#Tag=1": bit 0 is level coding);
// any other line is a node, also one starting with "#". Stored trees, cached tree files of
// TemplateDocs/ and the post-code files all use it.

#include <QList>
#include <QString>
#include <QStringList>

struct TTreeTextNode {
    int Depth = 0; // 0 for a root; never more than one deeper than the node before
    QString Text;
};

// The nodes in tree order. Blank lines are skipped; a line more than one level deeper than the
// one above hangs under the deepest open node rather than being dropped. The settings lines are
// put into *settings when given.
QList<TTreeTextNode> ParseTreeText(const QString &text, QStringList *settings = nullptr);
// The tree's Tag from its "#Tag=" setting; 0 without one or when it is not a number.
int TreeTextTag(const QStringList &settings);
// The settings with "#Tag=" set to tag (added in front when missing and tag is not 0).
QStringList TreeTextWithTag(QStringList settings, int tag);
