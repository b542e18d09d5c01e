#include "uStudyProgramPrintForm.h"

#include "Exceptions.h"
#include "Fields.h"
#include "StatelessDataSet.h"
#include "uJobServerData.h"
#include "uLumAcadChooseGPPrint.h"
#include "uLumAcadStudyPrint.h"
#include "uLumWRAcadStudyBStudentDoc.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRegularExpression>

TStudyProgramPrintForm::TStudyProgramPrintForm()
    : TAcadWordJobForm(QStringLiteral("學程學門列印")) {
    setObjectName(QStringLiteral("StudyProgramPrintForm"));
    CourseData = new TJobServerData(this, QStringLiteral("SrvAcademic.AcadCourseINTF"));
    Studies = CourseData->AddDataSet(QStringLiteral("xStudyInfoProvider"));
    Groups = CourseData->AddDataSet(QStringLiteral("xChooseGroupProvider"));
    Record = CourseData->AddDataSet(QStringLiteral("edStudyInfo2DProvider"));
    Record->Params().CreateParam(ftString, QStringLiteral("No"));

    cbDocument = new QComboBox;
    cbDocument->setObjectName(QStringLiteral("cbDocument"));
    cbDocument->addItems({QStringLiteral("系所學程表"), QStringLiteral("系所學程學生檢視表"),
                          QStringLiteral("系所學門設定表")});
    AddCriterion(QStringLiteral("文件:"), cbDocument);
    cbNumber = new QComboBox;
    cbNumber->setObjectName(QStringLiteral("cbNumber"));
    cbNumber->setEditable(true);
    cbNumber->setMinimumContentsLength(30);
    AddCriterion(QStringLiteral("代號:"), cbNumber);
    connect(cbDocument, &QComboBox::currentIndexChanged, this, [this] { ListNumbers(); });
}

TStudyProgramPrintForm::~TStudyProgramPrintForm() = default;

void TStudyProgramPrintForm::DoFormInitial() {
    TAcadWordJobForm::DoFormInitial();
    ListNumbers();
}

void TStudyProgramPrintForm::ListNumbers() {
    const bool group = cbDocument->currentIndex() == dcGroup;
    TStatelessCDataSet *list = group ? Groups : Studies;
    CourseData->Open(list);
    const QString id = group ? QStringLiteral("ChooseGID") : QStringLiteral("StudyID");
    const QString name = group ? QStringLiteral("ChooseGName") : QStringLiteral("StudyName");
    cbNumber->clear();
    for (list->First(); !list->Eof(); list->Next())
        cbNumber->addItem(list->FieldByName(id)->AsString() + u' ' +
                              list->FieldByName(name)->AsString(),
                          list->FieldByName(id)->AsString());
}

QString TStudyProgramPrintForm::Number() const {
    // A code chosen from the list, or typed (the code before any blank).
    const QString text = cbNumber->currentText().trimmed().section(u' ', 0, 0);
    if (text.isEmpty())
        throw Exception(QStringLiteral("請選擇代號"));
    static const QRegularExpression valid(QStringLiteral("^[A-Za-z0-9-]{1,20}$"));
    if (!valid.match(text).hasMatch())
        throw Exception(QStringLiteral("代號 %1 不正確").arg(text));
    return text;
}

TDocuReport *TStudyProgramPrintForm::MakeDocument(bool &found) {
    const QString no = Number();
    switch (cbDocument->currentIndex()) {
    case dcStudents:
        if (!StudentsDoc)
            StudentsDoc = std::make_unique<TLumWRAcadStudyBStudentDoc>();
        StudentsDoc->OpenStudents(no);
        found = !StudentsDoc->vLumStudentStudyInfo->IsEmpty();
        return StudentsDoc->DocuReport;
    case dcGroup:
        Record->SetProviderName(QStringLiteral("edChooseGroup2dProvider"));
        Record->Params()[0].SetValue(Variant(no));
        CourseData->Open(Record);
        found = !Record->IsEmpty();
        if (!GroupPrint)
            GroupPrint = std::make_unique<TLumAcadChooseGPPrint>();
        GroupPrint->Printing(Record);
        return GroupPrint->DocuReport;
    default:
        Record->SetProviderName(QStringLiteral("edStudyInfo2DProvider"));
        Record->Params()[0].SetValue(Variant(no));
        CourseData->Open(Record);
        found = !Record->IsEmpty();
        if (!StudyPrint)
            StudyPrint = std::make_unique<TLumAcadStudyPrint>();
        StudyPrint->Printing(Record);
        return StudyPrint->DocuReport;
    }
}
