#include "uQueryFormBase.h"

#include "ClientDataSet.h"
#include "DBActions.h"
#include "DBCheckListBox.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "StringList.h"
#include "TransferDialog.h"
#include "uDocuReport.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// The field name a sort line or sort item carries.
constexpr int FieldRole = Qt::UserRole;

void SetCodeMaps(TDataFilterDialog *dialog) {
    TStringList codes;
    const char *const lines[] = {
        "Blood=Main_Code = 'NBLD'",
        "Political_Party=Main_Code = 'NPOL'",
        "Religion=Main_Code='NREL'",
        "Unit_ID=Main_Code='NUNT'",
        "EPT_ID=Main_Code='NEPT'",
        "Guarantor_Relation=Main_Code='NREI'",
        "Contact_Relation=Main_Code='NREI'",
        "Military_Class=Main_Code='MIC'",
        "Military_Kind=Main_Code='MIK'",
        "Military_Rank=Main_Code='MIR'",
        "Military_Division=Main_Code='MID'",
        "Sex=Main_Code='NSEX'",
        "Nationality=Main_Code='NAT'",
        "Degree=Main_Code='EDL'",
        "SAL_Type=Main_Code='NSAL'",
        "CHA_ID=Main_Code='NCHA'",
        "Job_Type=Main_Code='NJOB'",
        "Job_State=Main_Code='NJST'",
        "Work_ID=Main_Code='NWRK'",
        "Marriage=Main_Code='MAG'",
        "ARV_ID=Main_Code='CHA' and (AParent='99' or AParent='0')",
        "LEV_ID=Main_Code='CHA' and (AParent='99' or AParent='1')",
        "Deformity=Main_Code='NDEF'",
        "PayType=Main_Code='PayType'",
        "ArAcType=Main_Code='ArAcType'",
        "Posted=Main_Code='AcPostST'",
        "DC_Mode=Main_Code='AcDCType'",
        "DC_Type=Main_Code='AcDCType'",
    };
    for (const char *line : lines)
        codes.Add(QString::fromUtf8(line));
    dialog->SetCodeMaps(codes);
    TStringList trees;
    for (const char *line :
         {"Unit_ID=UnitTreeView", "OwnerUnit=UnitTreeView", "EPT_ID=EPT",
          "Reg_PostCode=PostCodeTree", "Postcode=PostCodeTree", "Tx_Description=ACNotes"})
        trees.Add(QString::fromUtf8(line));
    dialog->SetTreeMaps(trees);
}

bool Sortable(const TField *field) {
    return field->IsData() && !IsBlobType(field->DataType()) && field->DataType() != ftDataSet;
}

} // namespace

TQueryFormBase::TQueryFormBase(QWidget *parent) : TBaseTBForm(parent) {
    setObjectName(QStringLiteral("BaseTBQueryForm"));
    SetCaption(QStringLiteral("資料查詢基本表單"));
    // The main window docks query forms into its first area.
    SetTag(1);

    ActiveSource = new TDataSource(this);
    ActiveSource->SetName(QStringLiteral("ActiveSource"));
    ActiveSource->SetAutoEdit(false);
    ActiveSource->OnStateChange = [this](TDataSource *) { OpCtrl(); };

    DataAdvanceSelect = new TAction(this, QStringLiteral("DataAdvanceSelect"),
                                    QStringLiteral("Data"), QStringLiteral("進階篩選"));
    DataAdvanceSelect->OnExecute = [this] { DataAdvanceSelectExecute(); };

    Splitter1 = new QSplitter(Qt::Vertical, ClientPanel);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    Splitter1->setStyleSheet(QStringLiteral("QSplitter::handle { background: green; }"));
    Splitter1->setHandleWidth(4);

    PageControl = new QTabWidget(Splitter1);
    PageControl->setObjectName(QStringLiteral("PageControl"));
    auto page = [this](const char *name, const QString &caption) {
        auto *w = new QWidget;
        w->setObjectName(QString::fromLatin1(name));
        PageControl->addTab(w, caption);
        return w;
    };
    tsSelect = page("tsSelect", QStringLiteral("基本篩選"));
    tsAdvanceSelect = page("tsAdvanceSelect", QStringLiteral("進階篩選"));
    tsFieldVisble = page("tsFieldVisble", QStringLiteral("資訊選取"));
    tsSort = page("tsSort", QStringLiteral("排序"));
    tsAdvanceTools = page("tsAdvanceTools", QStringLiteral("輔助工具"));
    PageControl->setCurrentWidget(tsSelect);

    SelectLayout = new QVBoxLayout(tsSelect);
    SelectLayout->setContentsMargins(4, 4, 4, 4);
    btnAdvanceSelect = new QToolButton(tsSelect);
    btnAdvanceSelect->setObjectName(QStringLiteral("btnAdvanceSelect"));
    btnAdvanceSelect->setDefaultAction(DataAdvanceSelect);
    btnAdvanceSelect->setAutoRaise(true);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(btnAdvanceSelect);
    SelectLayout->addStretch();
    SelectLayout->addLayout(buttonRow);

    Memo = new QPlainTextEdit(tsAdvanceSelect);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    (new QVBoxLayout(tsAdvanceSelect))->addWidget(Memo);

    dbclbFields = new TDBCheckListBox(tsFieldVisble);
    dbclbFields->setObjectName(QStringLiteral("dbclbFields"));
    dbclbFields->SetDataSource(ActiveSource);
    dbclbFields->SetAutoRefresh(true);
    dbclbFields->OnClickCheck = [this](TDBCheckListBox *s) { dbclbFieldsClickCheck(s); };
    (new QVBoxLayout(tsFieldVisble))->addWidget(dbclbFields);

    gbSortFields = new QGroupBox(QStringLiteral("欄位順序勾選"), tsSort);
    gbSortFields->setObjectName(QStringLiteral("GroupBox1"));
    clbSortFields = new QListWidget(gbSortFields);
    clbSortFields->setObjectName(QStringLiteral("clbSortFields"));
    (new QVBoxLayout(gbSortFields))->addWidget(clbSortFields);
    gbSortSelected = new QGroupBox(QStringLiteral("順序列"), tsSort);
    gbSortSelected->setObjectName(QStringLiteral("GroupBox2"));
    lbSortSelected = new QListWidget(gbSortSelected);
    lbSortSelected->setObjectName(QStringLiteral("lbSortSelected"));
    (new QVBoxLayout(gbSortSelected))->addWidget(lbSortSelected);
    auto *sortLayout = new QHBoxLayout(tsSort);
    sortLayout->addWidget(gbSortFields);
    sortLayout->addWidget(gbSortSelected);
    connect(clbSortFields, &QListWidget::itemChanged, this, [this](QListWidgetItem *item) {
        if (!FInitialing)
            clbSortFieldsClickCheck(clbSortFields->row(item));
    });

    gbItems = new QGroupBox(QStringLiteral("細項"), Splitter1);
    gbItems->setObjectName(QStringLiteral("gbItems"));
    DBGrid = new TDBGrid(gbItems);
    DBGrid->setObjectName(QStringLiteral("DBGrid"));
    DBGrid->SetReadOnly(true);
    DBGrid->SetDataSource(ActiveSource);
    DBGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(DBGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { DataEditPopupMenu->popup(DBGrid->mapToGlobal(pos)); });
    gbTotal = new QGroupBox(QStringLiteral("匯總"), gbItems);
    gbTotal->setObjectName(QStringLiteral("gbTotal"));
    lbCount = new QLabel(QStringLiteral("筆數:"), gbTotal);
    lbCount->setObjectName(QStringLiteral("Label1"));
    edCount = new QLineEdit(QStringLiteral("0"), gbTotal);
    edCount->setObjectName(QStringLiteral("edCount"));
    edCount->setReadOnly(true);
    edCount->setMaximumWidth(100);
    lbCount->setBuddy(edCount);
    auto *totals = new QHBoxLayout(gbTotal);
    totals->addWidget(lbCount);
    totals->addWidget(edCount);
    totals->addStretch();
    auto *items = new QVBoxLayout(gbItems);
    items->addWidget(DBGrid, 1);
    items->addWidget(gbTotal);
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    auto *client = new QVBoxLayout(ClientPanel);
    client->setContentsMargins(0, 0, 0, 0);
    client->addWidget(Splitter1);

    FilterFields = new TClientDataSet(this);
    FilterFields->SetName(QStringLiteral("FilterFields"));
    FilterSource = new TDataSource(this);
    FilterSource->SetName(QStringLiteral("FilterSource"));
    FilterSource->SetDataSet(FilterFields);
    DataFilterDialog = new TDataFilterDialog(this);
    DataFilterDialog->SetName(QStringLiteral("DataFilterDialog"));
    DataFilterDialog->SetCaption(QStringLiteral("篩選標頭"));
    DataFilterDialog->SetDataSource(FilterSource);
    SetCodeMaps(DataFilterDialog);

    DocuReport = new TDocuReport(this);
    DocuReport->SetName(QStringLiteral("DocuReport"));
    DocuReport->SetOptions(InsertPageBreak);
    DocuReport->SetSaveAction(saSaveChanges);
    DocuReport->SetPages(1);
    // The rows are shown in the print preview, from which the user prints or saves a PDF.
    DocuReport->SetVisible(false);
    DBWRTable = new TDBWRTable(this);
    DBWRTable->SetName(QStringLiteral("DBWRTable"));
    DBWRTable->SetReplaceType(rtInsertAfter);
    DBWRTable->SetOptions(TWDOptions(AutoSend) | IgnoreNotFind);
    DBWRTable->SetDocuReport(DocuReport);
    DBWRTable->SetDataSource(ActiveSource);

    // The query reads, the print and the export show; confirming is not what a query does.
    btnDevider3 = ToolBar1->addSeparator();
    btnDevider3->setObjectName(QStringLiteral("btnDevider3"));
    ToolBar1->addAction(DataQuery);
    ToolBar1->addAction(ExportToExcel);
    ToolBar1->widgetForAction(DataQuery)->setObjectName(QStringLiteral("btnQuery"));
    ToolBar1->widgetForAction(ExportToExcel)->setObjectName(QStringLiteral("btnToExcel"));
    DataQuery->setVisible(true);
    DataQuery->OnExecute = [this] { DataOpenExecute(); };
    DataPrint->OnExecute = [this] { DataPrintExecute(); };
    DataApplyUpdate->setVisible(false);
    DataCancelUpdate->setVisible(false);
    for (TDataSetAction *action : {DataSetDelete, DataSetPost, DataSetCancel, DataSetFirst,
                                   DataSetPrior, DataSetNext, DataSetLast})
        action->SetDataSource(ActiveSource);
    ToExcelDialog->SetDataSource(ActiveSource);
}

TQueryFormBase::~TQueryFormBase() {
    ActiveSource->OnStateChange = nullptr;
    dbclbFields->OnClickCheck = nullptr;
}

void TQueryFormBase::HookDataSet(TClientDataSet *dataSet) {
    dataSet->SetAppServer(SocketConnection->GetServer());
    dataSet->AfterScroll = [this](TDataSet *) { OpCtrl(); };
    dataSet->BeforePost = [this](TDataSet *d) { DataSetBeforePost(d); };
}

void TQueryFormBase::AddSelectWidget(QWidget *widget) {
    widget->setParent(tsSelect);
    SelectLayout->insertWidget(SelectLayout->count() - 2, widget);
}

void TQueryFormBase::FormCreate() {
    TBaseTBForm::FormCreate();
    ActiveSource->SetDataSet(GetActiveDataSet());
    PageControl->setTabVisible(PageControl->indexOf(tsAdvanceSelect),
                               DataAdvanceSelect->isVisible());
}

void TQueryFormBase::DoFormInitial() {
    PageControl->setTabVisible(PageControl->indexOf(tsAdvanceSelect),
                               DataAdvanceSelect->isVisible());
    TBaseTBForm::DoFormInitial();
    InitialSortFileds();
    OpCtrl();
}

// ---- criteria ------------------------------------------------------------------------------

void TQueryFormBase::SetWhereFilter(const QString &condition) {
    if (condition == FQueryWhere)
        return;
    FQueryWhere = condition;
    CodeChange();
}

void TQueryFormBase::CodeChange() {
    if (TClientDataSet *d = GetActiveDataSet())
        d->Close();
    OpCtrl();
}

QString TQueryFormBase::AndCond(const QString &a, const QString &b) {
    if (b.isEmpty())
        return a;
    if (a.isEmpty())
        return b;
    return QStringLiteral("( ") + a + QStringLiteral(" And ") + b + QStringLiteral(" )");
}

QString TQueryFormBase::OrCond(const QString &a, const QString &b) {
    if (b.isEmpty())
        return a;
    if (a.isEmpty())
        return b;
    return QStringLiteral("( ") + a + QStringLiteral(" Or ") + b + QStringLiteral(" )");
}

void TQueryFormBase::DataAdvanceSelectExecute() {
    if (!DataFilterDialog->Execute())
        return;
    Memo->setPlainText(DataFilterDialog->FilterLines.Text());
    SetWhereFilter(DataFilterDialog->FilterCondition);
}

void TQueryFormBase::DataPrintExecute() {
    DoBeforePrint();
    // Every print is a document of its own.
    DocuReport->Close();
    DocuReport->SendToWord();
    DocuReport->PrintPreview();
}

void TQueryFormBase::dbclbFieldsClickCheck(TDBCheckListBox *sender) {
    ShowCheckedField(sender);
}

// ---- order ---------------------------------------------------------------------------------

void TQueryFormBase::SortByIndexName(const QString &fields) {
    TClientDataSet *d = GetActiveDataSet();
    if (!d)
        return;
    if (fields.isEmpty()) {
        d->SetIndexName(QString());
        return;
    }
    TIndexDefs &defs = d->IndexDefs();
    for (int i = 0; i < defs.Count(); ++i)
        if (defs[i].Fields == fields) {
            d->SetIndexName(defs[i].Name);
            return;
        }
    QString name;
    for (int n = defs.Count() + 1;; ++n) {
        name = QStringLiteral("SortIndex%1").arg(n);
        if (defs.IndexOf(name) < 0)
            break;
    }
    d->AddIndex(name, fields);
    d->SetIndexName(name);
}

void TQueryFormBase::SortByIndexFieldName(const QString &fields) {
    if (TClientDataSet *d = GetActiveDataSet())
        d->SetIndexFieldNames(fields);
}

void TQueryFormBase::DoSortBy(const QString &fields) {
    SortByIndexName(fields);
}

void TQueryFormBase::InitialSortFileds() {
    FInitialing = true;
    Guarded(
        [this] {
            clbSortFields->clear();
            TClientDataSet *d = GetActiveDataSet();
            for (int line = 0; line < lbSortSelected->count(); ++line)
                lbSortSelected->item(line)->setData(FieldRole, QString());
            if (d) {
                for (int f = 0; f < d->FieldCount(); ++f) {
                    TField *field = d->Fields()[f];
                    if (!Sortable(field))
                        continue;
                    auto *item = new QListWidgetItem(field->DisplayLabel(), clbSortFields);
                    item->setData(FieldRole, field->FieldName());
                    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                    item->setCheckState(Qt::Unchecked);
                    const auto lines =
                        lbSortSelected->findItems(field->DisplayLabel(), Qt::MatchExactly);
                    for (QListWidgetItem *line : lines)
                        if (line->data(FieldRole).toString().isEmpty()) {
                            line->setData(FieldRole, field->FieldName());
                            item->setCheckState(Qt::Checked);
                            break;
                        }
                }
            }
            // Lines of the preset order whose label no field has are dropped.
            for (int line = lbSortSelected->count() - 1; line >= 0; --line)
                if (lbSortSelected->item(line)->data(FieldRole).toString().isEmpty())
                    delete lbSortSelected->takeItem(line);
        },
        [this] {
            FInitialing = false;
            SortChange();
        });
}

void TQueryFormBase::clbSortFieldsClickCheck(int index) {
    QListWidgetItem *item = clbSortFields->item(index);
    if (!item)
        return;
    const QString field = item->data(FieldRole).toString();
    int line = -1;
    for (int i = 0; i < lbSortSelected->count(); ++i)
        if (lbSortSelected->item(i)->data(FieldRole).toString() == field)
            line = i;
    if (item->checkState() == Qt::Checked) {
        if (line < 0) {
            auto *added = new QListWidgetItem(item->text(), lbSortSelected);
            added->setData(FieldRole, field);
        }
    } else if (line >= 0) {
        delete lbSortSelected->takeItem(line);
    }
    if (!FInitialing)
        SortChange();
}

void TQueryFormBase::SortChange() {
    QStringList fields;
    for (int i = 0; i < lbSortSelected->count(); ++i)
        fields.append(lbSortSelected->item(i)->data(FieldRole).toString());
    DoSortBy(fields.join(u';'));
}

void TQueryFormBase::SetTotalCount(int count) {
    if (count == FTotalCount)
        return;
    FTotalCount = count;
    edCount->setText(QString::number(count));
}

// ---- the data ------------------------------------------------------------------------------

void TQueryFormBase::OpCtrl() {
    TClientDataSet *d = GetActiveDataSet();
    const bool open = d && d->Active();
    const int changes = open ? d->ChangeCount() : 0;
    const bool editing = open && d->IsEditing();
    const bool insert = open && d->State() == dsBrowse;
    const bool edit = insert && !d->IsEmpty();
    const bool excel = insert && changes == 0;
    DataApplyUpdate->setEnabled(open && changes > 0);
    DataCancelUpdate->setEnabled(open && (changes > 0 || editing));
    DataInsert->setEnabled(insert);
    DataEdit->setEnabled(edit);
    DataCopy->setEnabled(edit);
    ExportToExcel->setEnabled(excel);
    DataPrint->setEnabled(excel);
    DataQuery->setEnabled(!open);
    SetTotalCount(open ? d->RecordCount() : 0);
}

void TQueryFormBase::DoDataOpen() {
    TClientDataSet *d = GetActiveDataSet();
    const QString indexName = d->IndexName();
    d->SetIndexName(QString());
    Guarded(
        [this, d] {
            DoQueryCommand();
            d->Open();
        },
        [d, indexName] { d->SetIndexName(indexName); });
}

void TQueryFormBase::DoDataClose() {
    GetActiveDataSet()->Close();
}

void TQueryFormBase::DoDataInsert() {
    GetActiveDataSet()->Insert();
}

void TQueryFormBase::DoDataEdit() {
    GetActiveDataSet()->Edit();
}

void TQueryFormBase::DoDataDelete() {
    GetActiveDataSet()->Delete();
}

void TQueryFormBase::DoDataApplyUpdates() {
    TClientDataSet *d = GetActiveDataSet();
    if (d && d->Active())
        d->ApplyUpdates(0);
}

void TQueryFormBase::DoDataCancelUpdates() {
    TClientDataSet *d = GetActiveDataSet();
    if (!d || !d->Active())
        return;
    // A pending edit stays: the changes of the log go, with those a local filter hides.
    CancelAllChanges(d, false);
}
