#include "uCourseBatchForm.h"

#include "Application.h"
#include "ClientDataSet.h"
#include "CodeTableCDS.h"
#include "DBActions.h"
#include "DBGrid.h"
#include "DataSource.h"
#include "DialogSets.h"
#include "Exceptions.h"
#include "Fields.h"
#include "SocketConnection.h"
#include "StringList.h"
#include "uCodeComboBox.h"
#include "uCodeCriteria.h"
#include "uCourseFields.h"
#include "uGenSQLWhere.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QListWidget>
#include <QMenu>
#include <QSplitter>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

// The students on the roll, in school and not yet in the course, that meet the criteria.
const char *const kCandidates =
    "SELECT StudentID, Cht_Name, Sex, ClassID, SeatNo FROM StdOnSchool s WHERE State = '0' AND "
    "NOT EXISTS (SELECT 1 FROM CourseStudents cs WHERE cs.CourseID = :CourseID AND "
    "cs.StudentID = s.StudentID)";

void ReopenWith(TClientDataSet *d, const char *param, const QString &value) {
    d->Close();
    d->Params().ParamByName(QLatin1String(param)).SetAsString(value);
    d->Open();
}

} // namespace

TCourseBatchForm::TCourseBatchForm() {
    setObjectName(QStringLiteral("CourseBatchForm"));
    SetCaption(QStringLiteral("課程批次選課"));
    resize(960, 680);
    SocketConnection->SetServerName(QStringLiteral("SrvAcademic.AcadCourseINTF"));

    // The candidates: the query's rows.
    QueryDataSet->SetProviderName(QStringLiteral("dspCourseCandidates"));
    QueryDataSet->Params().CreateParam(ftString, QStringLiteral("CourseID"));
    const struct {
        TFieldType Type;
        const char *Name;
        int Size;
        const char *Label;
    } candidate[] = {{ftString, "StudentID", 10, "學號"},
                     {ftString, "Cht_Name", 40, "姓名"},
                     {ftString, "Sex", 1, "性別"},
                     {ftString, "ClassID", 10, "班級"},
                     {ftInteger, "SeatNo", 0, "座號"}};
    for (const auto &f : candidate) {
        QueryDataSet->AddField(f.Type, QLatin1String(f.Name), f.Size)
            ->SetDisplayLabel(QString::fromUtf8(f.Label));
        FilterFields->FieldDefs().Add(QLatin1String(f.Name), f.Type, f.Size);
    }
    FilterFields->CreateDataSet();
    for (const auto &f : candidate)
        FilterFields->FieldByName(QLatin1String(f.Name))
            ->SetDisplayLabel(QString::fromUtf8(f.Label));
    FilterFields->FieldByName(QStringLiteral("StudentID"))->SetVisible(false);
    ShowCodeByName(this, QueryDataSet->FieldByName(QStringLiteral("Sex")), QStringLiteral("NSEX"));
    ShowCodeByName(this, QueryDataSet->FieldByName(QStringLiteral("ClassID")),
                   QStringLiteral("st_CLASS"));
    TStringList codes;
    codes.Assign(DataFilterDialog->CodeMaps());
    codes.Add(QStringLiteral("ClassID=Main_Code='st_CLASS'"));
    DataFilterDialog->SetCodeMaps(codes);
    lbSortSelected->addItems({QStringLiteral("班級"), QStringLiteral("座號")});

    // The course's list.
    EnrolDataSet = new TClientDataSet(this);
    EnrolDataSet->SetName(QStringLiteral("EnrolDataSet"));
    EnrolDataSet->SetAppServer(SocketConnection->GetServer());
    EnrolDataSet->SetProviderName(QStringLiteral("dspCourseStudents"));
    EnrolDataSet->Params().CreateParam(ftString, QStringLiteral("CourseID"));
    DefineEnrolmentFields(this, EnrolDataSet);
    EnrolDataSet->BeforePost = [this](TDataSet *d) { DataSetBeforePost(d); };
    EnrolDataSet->AfterScroll = [this](TDataSet *) { OpCtrl(); };
    EnrolSource = new TDataSource(this);
    EnrolSource->SetName(QStringLiteral("EnrolSource"));
    EnrolSource->SetAutoEdit(false);
    EnrolSource->SetDataSet(EnrolDataSet);
    CourseIndex = new TClientDataSet(this);
    CourseIndex->SetName(QStringLiteral("CourseIndex"));
    CourseIndex->SetAppServer(SocketConnection->GetServer());
    CourseIndex->SetProviderName(QStringLiteral("xspSemCourseIdx"));
    CourseIndex->Params().CreateParam(ftString, QStringLiteral("Semester"));
    // The score that "複製" keeps and "貼上" gives.
    CopyDataSet->FieldDefs().Add(QStringLiteral("Score"), ftFloat);

    // The criteria: term and course, then the students wanted.
    auto *criteria = new QWidget;
    criteria->setObjectName(QStringLiteral("plCriteria"));
    auto *form = new QFormLayout(criteria);
    cbSemester = CodeCriterion(criteria, CodeTableMainSource, "cbSemester",
                               QStringLiteral("YSemester"), QString());
    cbCourse = new TLumCodeComboBox(criteria);
    cbCourse->setObjectName(QStringLiteral("cbCourse"));
    cbCourse->setMinimumWidth(260);
    cbClass = CodeCriterion(criteria, CodeTableMainSource, "cbClass", QStringLiteral("st_CLASS"),
                            QStringLiteral("(全部)"));
    cbSex = CodeCriterion(criteria, CodeTableMainSource, "cbSex", QStringLiteral("NSEX"),
                          QStringLiteral("(全部)"));
    form->addRow(QStringLiteral("學期:"), cbSemester);
    form->addRow(QStringLiteral("課程:"), cbCourse);
    form->addRow(QStringLiteral("班級:"), cbClass);
    form->addRow(QStringLiteral("性別:"), cbSex);
    AddSelectWidget(criteria);
    connect(cbSemester, &QComboBox::currentIndexChanged, this, [this] { SemesterChange(); });
    connect(cbCourse, &QComboBox::currentIndexChanged, this, [this] { CourseChange(); });
    for (TLUMDBCodeComboBox *c : {cbClass, cbSex})
        connect(c, &QComboBox::currentIndexChanged, this, [this] { CodeChange(); });

    gbItems->setTitle(QStringLiteral("可選學生"));
    gbEnrolled = new QGroupBox(QStringLiteral("選課名單"), Splitter1);
    gbEnrolled->setObjectName(QStringLiteral("gbEnrolled"));
    gridEnrolled = new TDBGrid(gbEnrolled);
    gridEnrolled->setObjectName(QStringLiteral("gridEnrolled"));
    gridEnrolled->SetReadOnly(true);
    gridEnrolled->SetMultiSelect(true);
    gridEnrolled->SetDataSource(EnrolSource);
    gridEnrolled->OnSelectionChange = [this](TDBGrid *) { OpCtrl(); };
    gridEnrolled->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(gridEnrolled, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        DataEditPopupMenu->popup(gridEnrolled->mapToGlobal(pos));
    });
    (new QVBoxLayout(gbEnrolled))->addWidget(gridEnrolled);

    ActGridSelectAll->OnExecute = [this] { GridSelectAll(DBGrid); };
    ActGridCopyInto->OnExecute = [this] {
        const QString course = CourseID();
        GridSelectedCopyInto(DBGrid, EnrolDataSet, [course](TDataSet *student, TDataSet *list) {
            list->Append();
            list->FieldByName(QStringLiteral("CourseID"))->SetAsString(course);
            list->FieldByName(QStringLiteral("StudentID"))
                ->SetValue(student->FieldByName(QStringLiteral("StudentID"))->Value());
            FillFromRoll(list, student);
            list->Post();
        });
    };
    ActGridActiveAll->OnExecute = [this] { GridSelectAll(gridEnrolled); };
    ActGridDelete->OnExecute = [this] {
        QStringList kept;
        GridSelectedUpdate(gridEnrolled, [&kept](TDataSet *d) {
            if (d->FieldByName(QStringLiteral("Score"))->IsNull())
                d->Delete();
            else
                kept << d->FieldByName(QStringLiteral("Cht_Name"))->AsString();
        });
        if (!kept.isEmpty())
            ShowMessage(QStringLiteral("已有成績的學生不移除: %1").arg(kept.join(u'、')));
    };
    ActGridCopy->OnExecute = [this] {
        CopyDataSetFrom(EnrolDataSet);
        ActGridCopyExecute();
    };
    ActGridPaste->OnExecute = [this] {
        const Variant score = CopyDataSet->FieldByName(QStringLiteral("Score"))->Value();
        GridSelectedUpdate(gridEnrolled, [&score](TDataSet *d) {
            d->Edit();
            d->FieldByName(QStringLiteral("Score"))->SetValue(score);
            d->Post();
        });
    };
    for (QAction *a : std::initializer_list<QAction *>{
             ActGridSelectAll, ActGridCopyInto, ActGridActiveAll, ActGridDelete, ActGridCopy,
             ActGridPaste, ActGridClear, DataSetFirst, DataSetPrior, DataSetNext, DataSetLast})
        a->setVisible(true);
    ToolBar1->addSeparator();
    for (QAction *a :
         std::initializer_list<QAction *>{ActGridSelectAll, ActGridCopyInto, ActGridActiveAll,
                                          ActGridDelete, ActGridCopy, ActGridPaste, ActGridClear})
        ToolBar1->addAction(a);
    OpCtrl();
}

TCourseBatchForm::~TCourseBatchForm() {
    gridEnrolled->OnSelectionChange = nullptr;
    EnrolDataSet->BeforePost = nullptr;
    EnrolDataSet->AfterScroll = nullptr;
}

QString TCourseBatchForm::CourseID() const {
    return cbCourse->GetCode();
}

void TCourseBatchForm::DoFormInitial() {
    {
        const QSignalBlocker quiet(cbSemester);
        const QString now = CurrentSemester(CodeTableMain);
        if (!now.isEmpty() && cbSemester->CodeItems().IndexOf(now) >= 0)
            cbSemester->SetCode(now);
        ChooseNoneIfUnset(cbSemester);
    }
    for (TLUMDBCodeComboBox *c : {cbClass, cbSex}) {
        const QSignalBlocker quiet(c);
        ChooseNoneIfUnset(c);
    }
    TBaseTBQCDS_V2::DoFormInitial();
    SemesterChange();
}

void TCourseBatchForm::SemesterChange() {
    const QSignalBlocker quiet(cbCourse);
    cbCourse->Clear();
    Guarded(
        [this] {
            ReopenWith(CourseIndex, "Semester", cbSemester->GetCode());
            for (CourseIndex->First(); !CourseIndex->Eof(); CourseIndex->Next())
                cbCourse->AddCode(
                    CourseIndex->FieldByName(QStringLiteral("CourseID"))->AsString(),
                    QStringLiteral("%1 %2（%3）")
                        .arg(CourseIndex->FieldByName(QStringLiteral("CourseID"))->AsString(),
                             CourseIndex->FieldByName(QStringLiteral("CourseName"))->AsString(),
                             CourseIndex->FieldByName(QStringLiteral("ClassName"))->AsString()));
            cbCourse->setCurrentIndex(cbCourse->count() > 0 ? 0 : -1);
        },
        [this] {
            DisConnection();
            CourseChange();
        });
}

void TCourseBatchForm::CourseChange() {
    CodeChange();
    gridEnrolled->ClearSelection();
    Guarded(
        [this] {
            EnrolDataSet->Close();
            if (!CourseID().isEmpty())
                ReopenWith(EnrolDataSet, "CourseID", CourseID());
        },
        [this] {
            DisConnection();
            OpCtrl();
        });
}

void TCourseBatchForm::DoQueryCommand() {
    if (CourseID().isEmpty())
        throw Exception(QStringLiteral("請先選擇課程"));
    GenSQLWhere->SetSQLWhere(QString());
    GenSQLWhere->AsString(true, QStringLiteral("ClassID"), QStringLiteral(" = "),
                          cbClass->GetCode());
    GenSQLWhere->AsString(true, QStringLiteral("Sex"), QStringLiteral(" = "), cbSex->GetCode());
    const QString where = AndCond(GenSQLWhere->SQLWhere(), GetQueryWhere());
    QString sql = QLatin1String(kCandidates);
    if (!where.isEmpty())
        sql += QStringLiteral(" AND ") + where;
    QueryDataSet->SetCommandText(sql + QStringLiteral(" ORDER BY ClassID, SeatNo, StudentID"));
    QueryDataSet->Params().ParamByName(QStringLiteral("CourseID")).SetAsString(CourseID());
}

void TCourseBatchForm::DoDataApplyUpdates() {
    if (EnrolDataSet->Active())
        EnrolDataSet->ApplyUpdates(0);
}

void TCourseBatchForm::DoDataCancelUpdates() {
    if (EnrolDataSet->Active())
        CancelAllChanges(EnrolDataSet, true);
}

void TCourseBatchForm::DoGridDataChange(TDataSet *dataSet) {
    TBaseTBQCDS_V2::DoGridDataChange(dataSet);
    // Students enrolled are no longer candidates: the query is run again when asked.
    if (dataSet == EnrolDataSet && EnrolDataSet->ChangeCount() == 0)
        CodeChange();
}
