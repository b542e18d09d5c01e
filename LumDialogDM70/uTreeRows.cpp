#include "uTreeRows.h"

#include "ClientDataSet.h"
#include "Exceptions.h"
#include "Fields.h"
#include "Variant.h"
#include "uLumPublic.h"

#include <QHash>
#include <QScopeGuard>
#include <QSet>
#include <QStringList>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

namespace {

// The positions of a node from the root down; comparing them compares tree order.
QList<int> PathOf(const QTreeWidgetItem *node) {
    QList<int> path;
    for (; node; node = node->parent()) {
        auto *n = const_cast<QTreeWidgetItem *>(node);
        path.prepend(node->parent() ? node->parent()->indexOfChild(n)
                                    : node->treeWidget()->indexOfTopLevelItem(n));
    }
    return path;
}

} // namespace

int TreeNodeLevel(const QTreeWidgetItem *node) {
    int level = 0;
    for (const QTreeWidgetItem *p = node->parent(); p; p = p->parent())
        ++level;
    return level;
}

QString TreeNodeText(const QTreeWidgetItem *node) {
    QString code, text;
    SeparateCode(node->text(0), code, text);
    return text;
}

QString TreeTraceText(const QTreeWidgetItem *node) {
    QStringList texts;
    for (const QTreeWidgetItem *n = node; n; n = n->parent())
        texts.prepend(TreeNodeText(n));
    return texts.join(u',');
}

QTreeWidgetItem *TreeFindCode(QTreeWidget *tree, const QString &code, bool levelCoding) {
    if (code.isEmpty())
        return nullptr; // an empty code names no node (every text would contain it)
    if (levelCoding)
        return TreeDeCode(tree, code);
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if ((*it)->text(0).contains(code))
            return *it;
    return nullptr;
}

void RowsToTree(QTreeWidget *tree, TDataSet *dataSet, TField *code, TField *parent, TField *text,
                bool levelCoding, const std::function<QString(int level)> &levelFilter) {
    // The first node in tree order of each full code: it receives the children.
    QHash<QString, QTreeWidgetItem *> firstOfCode;
    for (int level = 0;; ++level) {
        dataSet->SetFilter(levelFilter(level));
        dataSet->First();
        if (dataSet->Eof())
            break;
        for (; !dataSet->Eof(); dataSet->Next()) {
            QString own = code->AsString();
            const QString parentCode = parent->AsString();
            QTreeWidgetItem *under = parentCode.isEmpty() ? nullptr : firstOfCode.value(parentCode);
            if (levelCoding && under)
                own.remove(0, parentCode.size());
            const QString nodeText = own + u',' + text->AsString();
            auto *node = under ? new QTreeWidgetItem(under, {nodeText})
                               : new QTreeWidgetItem(tree, {nodeText});
            QTreeWidgetItem *&first = firstOfCode[TreeEncode(node)];
            if (!first || PathOf(node) < PathOf(first))
                first = node;
        }
    }
}

void TreeToRows(const QTreeWidget *tree, TClientDataSet *dataSet, TField *code, TField *level,
                TField *parent, TField *text, TField *main, const QString &mainCode) {
    auto *view = const_cast<QTreeWidget *>(tree);
    QSet<QString> codes;
    for (QTreeWidgetItemIterator it(view); *it; ++it)
        codes.insert(TreeEncode(*it));
    dataSet->First();
    while (!dataSet->Eof()) {
        if (codes.contains(code->AsString()))
            dataSet->Next();
        else
            dataSet->Delete();
    }
    for (QTreeWidgetItemIterator it(view); *it; ++it) {
        const QTreeWidgetItem *node = *it;
        const QString full = TreeEncode(node);
        if (full.isEmpty())
            continue;
        if (dataSet->Locate(code->FieldName(), Variant(full))) {
            dataSet->Edit();
        } else {
            dataSet->Append();
            if (main)
                main->SetAsString(mainCode);
            code->SetAsString(full);
        }
        text->SetAsString(TreeNodeText(node));
        parent->SetAsString(node->parent() ? TreeEncode(node->parent()) : QString());
        level->SetAsInteger(TreeNodeLevel(node));
        dataSet->Post();
    }
}

void ApplyEveryRow(TClientDataSet *dataSet) {
    QString refused;
    const auto previous = dataSet->OnReconcileError;
    dataSet->OnReconcileError = [&](TClientDataSet *set, const EReconcileError &e, TUpdateKind kind,
                                    TReconcileAction &action) {
        if (refused.isEmpty())
            refused = e.Message();
        if (previous)
            previous(set, e, kind, action);
    };
    auto handler = qScopeGuard([&] { dataSet->OnReconcileError = previous; });
    if (dataSet->ApplyUpdates(0) > 0)
        throw EDatabaseError(refused.isEmpty() ? QStringLiteral("Apply updates failed") : refused);
}
