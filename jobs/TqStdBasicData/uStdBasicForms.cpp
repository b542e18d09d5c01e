#include "uStdBasicForms.h"

#include "Actions.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBActions.h"
#include "DBSpinEdit.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uCodeFieldLink.h"
#include "uJobControls.h"
#include "uJobPrint.h"
#include "uLumPublic.h"
#include "uStudentFields.h"
#include "uTqDBNumEdit.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolBar>
#include <QToolButton>

TStdBasicEditArea::TStdBasicEditArea(TSingalTBForm *form) {
    QGroupBox *box = form->gbEdit;
    TDataSource *source = form->ActiveSource;
    TDataSource *codes = form->CodeTableMainSource;
    edStudentID = JobFieldEdit(box, source, "StudentID");
    edName = JobFieldEdit(box, source, "Cht_Name");
    cbSex =
        DataCodeList(box, "cbSex", codes, QStringLiteral("Main_Code='NSEX'"), "Code", "Descript");
    cbClass = DataCodeList(box, "cbClass", codes, QStringLiteral("Main_Code='st_CLASS'"), "Code",
                           "Descript");
    cbState = DataCodeList(box, "cbState", codes, QStringLiteral("Main_Code='st_State'"), "Code",
                           "Descript");
    seSeatNo = new TDBSpinEdit(box);
    seSeatNo->setObjectName(QStringLiteral("seSeatNo"));
    seSeatNo->SetDataSource(source);
    seSeatNo->SetDataField(QStringLiteral("SeatNo"));
    edBirthday = JobFieldEdit(box, source, "Birthday");
    btnBirthday = new QToolButton(box);
    btnBirthday->setObjectName(QStringLiteral("btnBirthday"));
    btnBirthday->setDefaultAction(form->ActDateInput);
    edIDNo = JobFieldEdit(box, source, "IDNo");
    edAddress = JobFieldEdit(box, source, "Address");
    ActAddrInput = new TAction(form, QStringLiteral("ActAddrInput"), QStringLiteral("編輯"),
                               QStringLiteral("地址"));
    ActAddrInput->SetHint(QStringLiteral("輔助地址輸入"));
    btnAddress = new QToolButton(box);
    btnAddress->setObjectName(QStringLiteral("btnAddress"));
    btnAddress->setDefaultAction(ActAddrInput);
    AddrInputDialog = new TROCAddrInputDialog(form);
    AddrInputDialog->SetName(QStringLiteral("AddrInputDialog"));
    ActAddrInput->OnExecute = [this, form] {
        TClientDataSet *ds = form->ActiveDataSet;
        if (!ds->Active() || (ds->State() != dsEdit && ds->State() != dsInsert))
            return;
        TField *field = ds->FieldByName(QStringLiteral("Address"));
        QString address = field->AsString();
        if (AddrInputDialog->Execute(address))
            field->SetAsString(address);
    };
    FLinks.push_back(std::make_unique<TCodeFieldLink>(cbSex, source, QStringLiteral("Sex")));
    FLinks.push_back(std::make_unique<TCodeFieldLink>(cbClass, source, QStringLiteral("ClassID")));
    FLinks.push_back(std::make_unique<TCodeFieldLink>(cbState, source, QStringLiteral("State")));

    auto *birthday = new QHBoxLayout;
    birthday->addWidget(edBirthday, 1);
    birthday->addWidget(btnBirthday);
    auto *left = new QFormLayout;
    left->addRow(QStringLiteral("學號:"), edStudentID);
    left->addRow(QStringLiteral("姓名:"), edName);
    left->addRow(QStringLiteral("性別:"), cbSex);
    left->addRow(QStringLiteral("生日:"), birthday);
    auto *right = new QFormLayout;
    right->addRow(QStringLiteral("班級:"), cbClass);
    right->addRow(QStringLiteral("座號:"), seSeatNo);
    right->addRow(QStringLiteral("狀態:"), cbState);
    right->addRow(QStringLiteral("身分證號:"), edIDNo);
    auto *columns = new QHBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);
    auto *layout = new QFormLayout(box);
    layout->addRow(columns);
    auto *address = new QHBoxLayout;
    address->addWidget(edAddress, 1);
    address->addWidget(btnAddress);
    layout->addRow(QStringLiteral("地址:"), address);
    EnableAddrInput(form->ActiveDataSet);

    form->ActDateInput->setVisible(true);
    form->ActDateInput->OnExecute = [form] {
        form->DateInput(form->ActiveDataSet->FieldByName(QStringLiteral("Birthday")));
    };
}

TStdBasicEditArea::~TStdBasicEditArea() = default;

namespace {

// A record is kept only with an identity number that passes its check digit and whose sex digit
// agrees with the student's sex (code 1 a man, 2 a woman); an empty number is allowed. The
// focus goes to the number before the refusal, and the record stays in editing.
void CheckIdentityNumber(TDataSet *dataSet, QWidget *edit) {
    const TField *idNo = dataSet->FindField(QStringLiteral("IDNo"));
    const QString number = idNo ? idNo->AsString() : QString();
    if (number.trimmed().isEmpty())
        return;
    QChar sex;
    QString problem;
    if (!CheckRocIDBySex(number, sex)) {
        problem = QStringLiteral("「身分證號」%1 不正確").arg(number);
    } else if (const TField *field = dataSet->FindField(QStringLiteral("Sex"))) {
        const QString code = field->AsString().trimmed();
        if ((code == u"1" && sex != u'M') || (code == u"2" && sex != u'F'))
            problem = QStringLiteral("「身分證號」%1 與性別不符").arg(number);
    }
    if (problem.isEmpty())
        return;
    if (edit && edit->isVisible())
        edit->setFocus();
    throw Exception(problem);
}

// What both student forms set up: their server object, their provider and fields, the actions
// a user needs, and the edit area.
template <class Form> void SetUpStudentForm(Form *form, const char *provider) {
    form->SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadStudentINTF"));
    form->ActiveDataSet->SetProviderName(QLatin1String(provider));
    DefineStudentFields(form->ActiveDataSet);
    ShowStudentCodesByName(form, form->ActiveDataSet);
    for (QAction *action : std::initializer_list<QAction *>{
             form->DataRefresh, form->DataInsert, form->DataEdit, form->DataSetDelete,
             form->DataSetPost, form->DataSetCancel, form->DataSetFirst, form->DataSetPrior,
             form->DataSetNext, form->DataSetLast})
        action->setVisible(true);
    form->EditArea = std::make_unique<TStdBasicEditArea>(form);
    // The number is checked before the edit stamp is put on the record.
    form->ActiveDataSet->BeforePost = [form, stamp = form->ActiveDataSet->BeforePost](TDataSet *d) {
        CheckIdentityNumber(d, form->EditArea ? form->EditArea->edIDNo : nullptr);
        if (stamp)
            stamp(d);
    };
}

// The date picker is offered while a record is being edited.
void EnableDateInput(TSingalTBForm *form) {
    const TClientDataSet *d = form->ActiveDataSet;
    form->ActDateInput->setEnabled(d->Active() && (d->State() == dsEdit || d->State() == dsInsert));
    form->DataRefresh->setEnabled(d->Active());
}

} // namespace

void TStdBasicEditArea::EnableAddrInput(const TClientDataSet *d) {
    ActAddrInput->setEnabled(d->Active() && (d->State() == dsEdit || d->State() == dsInsert));
}

TStdBasicDataForm::TStdBasicDataForm() {
    setObjectName(QStringLiteral("StdBasicDataForm"));
    SetCaption(QStringLiteral("學生基本資料維護"));
    SetUpStudentForm(this, "dspStdBasic");
    resize(860, 600);
    Print = std::make_unique<TJobPrint>(this);
    DBWRTable = new TDBWRTable(this);
    DBWRTable->SetName(QStringLiteral("DBWRTable"));
    DBWRTable->SetDocuReport(Print->DocuReport);
    DBWRTable->SetDataSource(ActiveSource);
    DBWRTable->SetBookMarkName(QStringLiteral("StudentTable"));
    DataPrint->setVisible(true);
    DataPrint->OnExecute = [this] { DataPrintExecute(); };
    // The filter runs on the students already read: the grid shows those that meet it.
    DataFilterDialog = new TDataFilterDialog(this);
    DataFilterDialog->SetName(QStringLiteral("DataFilterDialog"));
    DataFilterDialog->SetCaption(QStringLiteral("學生基本資料"));
    DataFilterDialog->SetDataSource(ActiveSource);
    DataFilterDialog->SetAutoFilter(true);
    TStringList codeMaps;
    codeMaps.Add(QStringLiteral("Sex=Main_Code='NSEX'"));
    codeMaps.Add(QStringLiteral("ClassID=Main_Code='st_CLASS'"));
    codeMaps.Add(QStringLiteral("State=Main_Code='st_State'"));
    DataFilterDialog->SetCodeMaps(codeMaps);
    DataSortDialog = new TDataSortDialog(this);
    DataSortDialog->SetName(QStringLiteral("DataSortDialog"));
    DataSortDialog->SetDataSource(ActiveSource);
    ActDataFilter = new TAction(this, QStringLiteral("ActDataFilter"), QStringLiteral("Dialog"),
                                QStringLiteral("篩選"));
    ActDataFilter->SetHint(QStringLiteral("查詢條件組合"));
    ActDataFilter->OnExecute = [this] { DataFilterDialog->Execute(); };
    ActDataSort = new TAction(this, QStringLiteral("ActDataSort"), QStringLiteral("Dialog"),
                              QStringLiteral("排序"));
    ActDataSort->SetHint(QStringLiteral("設定排序欄位"));
    ActDataSort->OnExecute = [this] { DataSortDialog->Execute(); };
    SetFieldsSetupSource(ActiveSource);
    // Printing and the export to a workbook are a click away, as well as in the popup menu.
    ToolBar1->addSeparator();
    ToolBar1->addAction(DataPrint);
    ToolBar1->addAction(ExportToExcel);
    ToolBar1->addSeparator();
    ToolBar1->addAction(ActDataFilter);
    ToolBar1->addAction(ActDataSort);
    ToolBar1->addAction(ActFieldsSetup);
    OpCtrl();
}

TStdBasicDataForm::~TStdBasicDataForm() = default;

void TStdBasicDataForm::DataPrintExecute() {
    Print->Preview(QStringLiteral("學生名冊.docx"), {});
}

void TStdBasicDataForm::DoFormInitial() {
    DataOpenExecute();
}

void TStdBasicDataForm::OpCtrl() {
    TSingalTBMultiRecForm::OpCtrl();
    if (EditArea) {
        EnableDateInput(this);
        EditArea->EnableAddrInput(ActiveDataSet);
    }
    // Filtering and sorting rearrange the rows read, so they wait until an edit is posted.
    const TClientDataSet *d = ActiveDataSet;
    const bool browsing = d->Active() && d->State() == dsBrowse;
    if (ActDataFilter)
        ActDataFilter->setEnabled(browsing);
    if (ActDataSort)
        ActDataSort->setEnabled(browsing);
}

TStdBasicByNoForm::TStdBasicByNoForm() {
    setObjectName(QStringLiteral("StdBasicByNoForm"));
    SetCaption(QStringLiteral("學生基本資料(單筆)"));
    SetUpStudentForm(this, "dspStdBasicByNo");
    lbNo->setText(QStringLiteral("學號:"));
    resize(640, 360);
}

TStdBasicByNoForm::~TStdBasicByNoForm() = default;

void TStdBasicByNoForm::OpCtrl() {
    TSingalTBOneRecForm::OpCtrl();
    if (EditArea) {
        EnableDateInput(this);
        EditArea->EnableAddrInput(ActiveDataSet);
    }
}
