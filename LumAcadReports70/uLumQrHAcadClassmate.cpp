#include "uLumQrHAcadClassmate.h"

#include "CodeTableCDS.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Fields.h"
#include "QRBands.h"
#include "QRCtrls.h"
#include "StatelessDataSet.h"
#include "uGenSQLWhere.h"
#include "uLumRemoteData.h"

#include <QSet>
#include <memory>

namespace {

const QString kClassFields = QStringLiteral("Unit_ID;ClassType;NGrade;AClassName");

// A short date, or nothing for a date not given.
QString DateText(TDateTime date) {
    return date.Value() > 0 ? DateToStr(date) : QString();
}

} // namespace

TLumQrHAcadClassmate::TLumQrHAcadClassmate(QObject *owner) : TLumQrHAcad(owner) {
    SetReportTitle(QStringLiteral("班級資訊"));
    NUNT = AddCodeTable(QStringLiteral("NUNT"), QStringLiteral("Main_Code='NUNT'"));
    st_CLASS = AddCodeTable(QStringLiteral("st_CLASS"), QStringLiteral("Main_Code='st_CLASS'"));
    st_ClassName =
        AddCodeTable(QStringLiteral("st_ClassName"), QStringLiteral("Main_Code='st_ClassName'"));

    AClassMaster = new TClientDataSet(this);
    AClassMaster->SetName(QStringLiteral("AClassMaster"));
    AClassMaster->SetIndexFieldNames(kClassFields);
    AClassSource = new TDataSource(this);
    AClassSource->SetName(QStringLiteral("AClassSource"));
    AClassSource->SetDataSet(AClassMaster);
    SetDataSet(AClassMaster);
    SetFieldLabels(AClassMaster, {{QStringLiteral("Unit_ID"), QStringLiteral("科系")},
                                  {QStringLiteral("ClassType"), QStringLiteral("修業別")},
                                  {QStringLiteral("NGrade"), QStringLiteral("年級")},
                                  {QStringLiteral("AClassName"), QStringLiteral("班級")}});
    ShowCodeText(AClassMaster, QStringLiteral("Unit_ID"), NUNT);
    ShowCodeText(AClassMaster, QStringLiteral("ClassType"), st_CLASS);
    ShowCodeText(AClassMaster, QStringLiteral("AClassName"), st_ClassName);

    AClassDetail = AddRemoteDataSet(QStringLiteral("AClassDetail"),
                                    QStringLiteral("SrvAcademic.AcadAbsenceINTF"),
                                    QStringLiteral("cmvLumStudentAbsenceWeekly"));
    AClassDetail->SetCommandText(QStringLiteral("select * from vLumStudentAbsenceWeekly"));
    AClassDetail->SetIndexFieldNames(kClassFields);
    AClassDetail->SetMasterSource(AClassSource);
    AClassDetail->SetMasterFields(kClassFields);

    ClassHeader = new TQRGroup(this, {}, 9);
    ClassHeader->SetName(QStringLiteral("ClassHeader"));
    ClassHeader->GroupValue = [](TDataSet *, int position) { return Variant(position); };
    ClassHeader->SetForceNewPage(true);
    ClassHeader->SetReprintOnNewPage(true);
    ClassHeader->Frame().Bottom = true;
    const struct {
        double Left, CaptionWidth, Width;
        const char *Caption, *Field;
    } items[] = {{0, 12, 40, "科系：", "Unit_ID"},
                 {55, 12, 15, "年級：", "NGrade"},
                 {85, 12, 25, "班別：", "AClassName"},
                 {125, 20, 45, "修業類別：", "ClassType"}};
    for (const auto &item : items) {
        ClassHeader->AddLabel(item.Left, 1.5, item.CaptionWidth, 6,
                              QString::fromUtf8(item.Caption));
        ClassHeader->AddDBText(item.Left + item.CaptionWidth, 1.5, item.Width, 6, AClassMaster,
                               QLatin1String(item.Field));
    }
}

TClientDataSet *TLumQrHAcadClassmate::GetMasterDataSet() {
    return AClassMaster;
}

void TLumQrHAcadClassmate::OpenClassmateMaster(TClientDataSet *dataSet) {
    if (!dataSet)
        throw Exception(QStringLiteral("Data Set Is Nil"));
    AClassDetail->Close();
    AClassMaster->Close();
    AClassMaster->FieldDefs().Clear();
    const QStringList names = kClassFields.split(u';');
    QList<TField *> source;
    for (const QString &name : names) {
        TField *field = dataSet->FieldByName(name);
        source << field;
        AClassMaster->FieldDefs().Add(name, field->DataType(), field->Size());
    }
    AClassMaster->CreateDataSet();
    AClassMaster->SetLogChanges(false);

    dataSet->DisableControls();
    const TBookmark position = dataSet->GetBookmark();
    const auto restore = [&] {
        if (dataSet->BookmarkValid(position))
            dataSet->GotoBookmark(position);
        dataSet->EnableControls();
    };
    try {
        QSet<QString> classes;
        for (dataSet->First(); !dataSet->Eof(); dataSet->Next()) {
            QStringList key;
            for (TField *field : source)
                key << field->AsString();
            if (classes.contains(key.join(QChar(0x1f))))
                continue;
            classes.insert(key.join(QChar(0x1f)));
            AClassMaster->Append();
            for (int i = 0; i < source.size(); ++i)
                AClassMaster->Fields()[i]->SetValue(source[i]->Value());
            AClassMaster->Post();
        }
    } catch (...) {
        restore();
        throw;
    }
    restore();
    AClassMaster->First();
}

void TLumQrHAcadClassmate::OpenClassmateDetail(TClientDataSet *dataSet) {
    OpenClassmateMaster(dataSet);
    CopyDataPacket(AClassDetail, dataSet);
}

void TLumQrHAcadClassmate::DoMasterCommand() {
    TLumQrHAcad::DoMasterCommand();
    TermCondition(WhereMaster());
    GenSQLWhere->BetweenDate(true, QStringLiteral("BeginDate"), FFromDate, FToDate);
    AClassDetail->SetCommandText(QStringLiteral("select * from vLumStudentAbsenceWeekly Where ") +
                                 GenSQLWhere->SQLWhere());
}

void TLumQrHAcadClassmate::DoOpenMaster() {
    // The rows are read apart and then gathered: gathering closes the detail.
    std::unique_ptr<TStatelessCDataSet> rows(RemoteData()->AddDataSet(
        {}, QStringLiteral("SrvAcademic.AcadAbsenceINTF"), AClassDetail->ProviderName()));
    rows->SetAppServer(AClassDetail->AppServer());
    rows->SetCommandText(AClassDetail->CommandText());
    OpenRemote(rows.get());
    OpenClassmateDetail(rows.get());
}

void TLumQrHAcadClassmate::DoCopyMaster(TClientDataSet *dataSet) {
    OpenClassmateMaster(dataSet);
}

void TLumQrHAcadClassmate::DoBeforePrint(bool &printReport) {
    TLumQrHAcad::DoBeforePrint(printReport);
    moMessage->Lines().Clear();
    moMessage->Lines().Add(
        QStringLiteral("資料: %1 至 %2 ").arg(DateText(FFromDate), DateText(FToDate)));
}
