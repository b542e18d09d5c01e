#include "uStdQueryForm.h"

#include "ClientDataSet.h"
#include "DBActions.h"
#include "CodeTableCDS.h"
#include "DateTime.h"
#include "DialogSets.h"
#include "Fields.h"
#include "Packages.h"
#include "SocketConnection.h"
#include "StringList.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uDocuReport.h"
#include "uGenSQLWhere.h"
#include "uJobPrint.h"
#include "uRocDate.h"
#include "uStudentFields.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QToolBar>

namespace {

const char *const kSelect = "SELECT StudentID, Cht_Name, Sex, ClassID, SeatNo, State, Birthday, "
                            "IDNo, Address, EditInfo FROM StdOnSchool";

// The roll stores birthdays as yyyy-mm-dd texts.
QString StoredDate(TDateTime date) {
    return date.Value() > 0 ? FormatDateTime(QStringLiteral("yyyy-mm-dd"), date) : QString();
}

} // namespace

TStdQueryForm::TStdQueryForm() {
    setObjectName(QStringLiteral("StdQueryForm"));
    SetCaption(QStringLiteral("學生資料查詢"));
    resize(900, 640);
    SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadStudentINTF"));
    QueryDataSet->SetProviderName(QStringLiteral("dspStdBasic"));
    DefineStudentFields(QueryDataSet);
    ShowStudentCodesByName(this, QueryDataSet);

    // The criteria; each change closes the rows read, so that they never disagree with it.
    auto *criteria = new QWidget;
    criteria->setObjectName(QStringLiteral("plCriteria"));
    auto *form = new QFormLayout(criteria);
    auto combo = [&](const char *name, const QString &label, const char *category) {
        TLUMDBCodeComboBox *c = CodeCriterion(criteria, CodeTableMainSource, name,
                                              QLatin1String(category), QStringLiteral("(全部)"));
        form->addRow(label, c);
        connect(c, &QComboBox::currentIndexChanged, this, [this] { CodeChange(); });
        return c;
    };
    auto edit = [&](const char *name, const QString &placeholder) {
        auto *e = new QLineEdit(criteria);
        e->setObjectName(QString::fromLatin1(name));
        e->setPlaceholderText(placeholder);
        connect(e, &QLineEdit::textChanged, this, [this] { CodeChange(); });
        return e;
    };
    cbClass = combo("cbClass", QStringLiteral("班級:"), "st_CLASS");
    cbSex = combo("cbSex", QStringLiteral("性別:"), "NSEX");
    cbState = combo("cbState", QStringLiteral("狀態:"), "st_State");
    edBirthFrom = edit("edBirthFrom", QStringLiteral("yyyy/mm/dd"));
    edBirthTo = edit("edBirthTo", QStringLiteral("yyyy/mm/dd"));
    auto *birth = new QHBoxLayout;
    birth->addWidget(edBirthFrom);
    birth->addWidget(new QLabel(QStringLiteral("至"), criteria));
    birth->addWidget(edBirthTo);
    form->addRow(QStringLiteral("生日:"), birth);
    edName = edit("edName", QStringLiteral("姓名的一部分"));
    form->addRow(QStringLiteral("姓名:"), edName);
    AddSelectWidget(criteria);

    // The advanced filter offers the student's fields, codes from the code table.
    DefineStudentFields(FilterFields);
    FilterFields->FieldByName(QStringLiteral("StudentID"))->SetVisible(false);
    FilterFields->FieldByName(QStringLiteral("IDNo"))->SetVisible(false);
    FilterFields->CreateDataSet();
    TStringList codes;
    codes.Assign(DataFilterDialog->CodeMaps());
    codes.Add(QStringLiteral("ClassID=Main_Code='st_CLASS'"));
    codes.Add(QStringLiteral("State=Main_Code='st_State'"));
    DataFilterDialog->SetCodeMaps(codes);

    // The default order: class, then seat.
    lbSortSelected->addItems({QStringLiteral("班級"), QStringLiteral("座號")});

    DocuReport->SetTemplateName(ProgramFolder() + QStringLiteral("TemplateDocs/學生名冊.docx"));
    DBWRTable->SetBookMarkName(QStringLiteral("StudentTable"));
    WRMultiLabel = new TWRMultiLabel(this);
    WRMultiLabel->SetName(QStringLiteral("WRMultiLabel"));
    WRMultiLabel->SetDocuReport(DocuReport);
    for (QAction *a : std::initializer_list<QAction *>{DataPrint, ExportToExcel, DataSetFirst,
                                                       DataSetPrior, DataSetNext, DataSetLast})
        a->setVisible(true);
    ToolBar1->addAction(DataPrint);
    OpCtrl();
}

TStdQueryForm::~TStdQueryForm() = default;

void TStdQueryForm::DoFormInitial() {
    for (TLUMDBCodeComboBox *c : {cbClass, cbSex, cbState}) {
        const QSignalBlocker quiet(c);
        ChooseNoneIfUnset(c);
    }
    TBaseTBQueryFormCDS::DoFormInitial();
}

void TStdQueryForm::DoQueryCommand() {
    GenSQLWhere->SetSQLWhere(QString());
    GenSQLWhere->AsString(true, QStringLiteral("ClassID"), QStringLiteral(" = "),
                          cbClass->GetCode());
    GenSQLWhere->AsString(true, QStringLiteral("Sex"), QStringLiteral(" = "), cbSex->GetCode());
    GenSQLWhere->AsString(true, QStringLiteral("State"), QStringLiteral(" = "), cbState->GetCode());
    TDateTime from, to;
    EditToDate2(edBirthFrom, edBirthTo, from, to);
    GenSQLWhere->BetweenString(true, QStringLiteral("Birthday"), StoredDate(from), StoredDate(to),
                               true);
    GenSQLWhere->Like(true, QStringLiteral("Cht_Name"), edName->text());
    const QString where = AndCond(GenSQLWhere->SQLWhere(), GetQueryWhere());
    QString sql = QLatin1String(kSelect);
    if (!where.isEmpty())
        sql += QStringLiteral(" WHERE ") + where;
    QueryDataSet->SetCommandText(sql + QStringLiteral(" ORDER BY ClassID, SeatNo, StudentID"));
}

void TStdQueryForm::DoBeforePrint() {
    WRMultiLabel->Labels().Clear();
    WRMultiLabel->SetLabelText(QStringLiteral("OrganizationName"),
                               Organization ? Organization->FullName : QString());
    WRMultiLabel->SetLabelText(QStringLiteral("PrintDate"), RocDateText(Date()));
}
