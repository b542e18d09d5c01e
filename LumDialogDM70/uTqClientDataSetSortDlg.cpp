#include "uTqClientDataSetSortDlg.h"

#include "ClientDataSet.h"
#include "Fields.h"
#include "StringList.h"
#include "uLumPublic.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

void Attach(QListWidgetItem *item, TField *field) {
    item->setData(Qt::UserRole, QVariant::fromValue(static_cast<void *>(field)));
}

// The index definitions added by the sort form are named after this, with a number.
const QString SortIndexPrefix = QStringLiteral("TqSortIndex");

} // namespace

TTqClientDataSetSortDlg::TTqClientDataSetSortDlg(QWidget *parent) : QDialog(parent) {
    setObjectName(QStringLiteral("TqClientDataSetSortDlg"));
    setWindowTitle(QStringLiteral("設定排序欄位"));

    gbSelected = new QGroupBox(QStringLiteral("順序列"), this);
    gbSelected->setObjectName(QStringLiteral("gbSelected"));
    lbSortSelected = new QListWidget(gbSelected);
    lbSortSelected->setObjectName(QStringLiteral("lbSortSelected"));
    (new QVBoxLayout(gbSelected))->addWidget(lbSortSelected);

    gbFields = new QGroupBox(QStringLiteral("欄位順序勾選"), this);
    gbFields->setObjectName(QStringLiteral("gbFields"));
    clbSortFields = new QListWidget(gbFields);
    clbSortFields->setObjectName(QStringLiteral("clbSortFields"));
    // Two columns of fields, filled top to bottom.
    clbSortFields->setFlow(QListView::TopToBottom);
    clbSortFields->setWrapping(true);
    clbSortFields->setResizeMode(QListView::Adjust);
    (new QVBoxLayout(gbFields))->addWidget(clbSortFields);

    btnClose = new QPushButton(QStringLiteral("返回(&C)"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnClose, &QPushButton::clicked, this, &QDialog::accept);

    auto *lists = new QHBoxLayout;
    lists->addWidget(gbSelected, 1);
    lists->addWidget(gbFields, 2);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(lists, 1);
    layout->addLayout(buttons);
    resize(460, 320);

    connect(clbSortFields, &QListWidget::itemChanged, this,
            [this](QListWidgetItem *item) { FieldTicked(item); });
}

bool TTqClientDataSetSortDlg::Offered(const TField *field, TTAOptions disabled) {
    // Tags outside the classes of the set never disable a field.
    if (disabled.ContainsTag(field->Tag()))
        return false;
    return field->IsData() && field->DataType() != ftDataSet && !IsBlobType(field->DataType());
}

void TTqClientDataSetSortDlg::SetDataSet(TClientDataSet *dataSet) {
    if (dataSet == FDataSet)
        return;
    lbSortSelected->clear();
    FDataSet = dataSet;
    InitialSortFileds();
}

void TTqClientDataSetSortDlg::SetSortFieldNames(const QString &text) {
    lbSortSelected->clear();
    TStringList lines;
    lines.SetText(text);
    for (int i = 0; i < lines.Count(); ++i)
        lbSortSelected->addItem(lines[i]);
    InitialSortFileds();
}

QString TTqClientDataSetSortDlg::GetSortFieldNames() const {
    TStringList lines;
    for (int i = 0; i < lbSortSelected->count(); ++i)
        lines.Add(lbSortSelected->item(i)->text());
    return lines.Text();
}

void TTqClientDataSetSortDlg::SetDisableTagValue(TTAOptions options) {
    if (options == FDisableTagValue)
        return;
    FDisableTagValue = options;
    InitialSortFileds();
}

void TTqClientDataSetSortDlg::InitialSortFileds() {
    if (!FDataSet)
        return;
    FInitialing = true;
    clbSortFields->clear();
    for (int i = 0; i < lbSortSelected->count(); ++i)
        Attach(lbSortSelected->item(i), nullptr);
    for (const auto &owned : FDataSet->Fields()) {
        TField *field = owned.get();
        if (!Offered(field, FDisableTagValue))
            continue;
        auto *item = new QListWidgetItem(field->DisplayLabel());
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        Attach(item, field);
        bool chosen = false;
        for (int j = 0; j < lbSortSelected->count(); ++j) {
            QListWidgetItem *selected = lbSortSelected->item(j);
            if (selected->text() == field->DisplayLabel() && !FieldOfItem(selected)) {
                Attach(selected, field);
                chosen = true;
                break;
            }
        }
        item->setCheckState(chosen ? Qt::Checked : Qt::Unchecked);
        clbSortFields->addItem(item);
    }
    for (int i = lbSortSelected->count() - 1; i >= 0; --i)
        if (!FieldOfItem(lbSortSelected->item(i)))
            delete lbSortSelected->takeItem(i);
    FInitialing = false;
    SortChange();
}

void TTqClientDataSetSortDlg::FieldTicked(QListWidgetItem *item) {
    if (FInitialing || !item)
        return;
    TField *field = FieldOfItem(item);
    if (!field)
        return;
    int at = -1;
    for (int i = 0; i < lbSortSelected->count(); ++i)
        if (FieldOfItem(lbSortSelected->item(i)) == field) {
            at = i;
            break;
        }
    if (item->checkState() == Qt::Checked && at < 0) {
        auto *selected = new QListWidgetItem(field->DisplayLabel(), lbSortSelected);
        Attach(selected, field);
    } else if (item->checkState() != Qt::Checked && at >= 0) {
        delete lbSortSelected->takeItem(at);
    }
    SortChange();
}

void TTqClientDataSetSortDlg::SortChange() {
    QStringList names;
    for (int i = 0; i < lbSortSelected->count(); ++i)
        if (const TField *field = FieldOfItem(lbSortSelected->item(i)))
            names << field->FieldName();
    DoSortBy(names.join(u';'));
}

void TTqClientDataSetSortDlg::DoSortBy(const QString &fieldNames) {
    if (!FDataSet)
        return;
    if (FSortBy == cstByIndexName)
        SortByIndexName(fieldNames);
    else
        SortByIndexFieldName(fieldNames);
}

void TTqClientDataSetSortDlg::SortByIndexName(const QString &fieldNames) {
    if (fieldNames.isEmpty()) {
        FDataSet->SetIndexName(QString());
        return;
    }
    TIndexDefs &defs = FDataSet->IndexDefs();
    for (int i = 0; i < defs.Count(); ++i)
        if (defs[i].Fields == fieldNames) {
            FDataSet->SetIndexName(defs[i].Name);
            return;
        }
    int number = 1;
    while (defs.IndexOf(SortIndexPrefix + QString::number(number)) >= 0)
        ++number;
    const QString name = SortIndexPrefix + QString::number(number);
    FDataSet->AddIndex(name, fieldNames);
    FDataSet->SetIndexName(name);
}

void TTqClientDataSetSortDlg::SortByIndexFieldName(const QString &fieldNames) {
    FDataSet->SetIndexFieldNames(fieldNames);
}

void TTqClientDataSetSortDlg::SortFields(const std::vector<TField *> &fields) {
    lbSortSelected->clear();
    for (const TField *field : fields)
        if (field)
            lbSortSelected->addItem(field->DisplayLabel());
    InitialSortFileds();
}

void TTqClientDataSetSortDlg::Execute() {
    exec();
}
