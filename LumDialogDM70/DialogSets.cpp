#include "DialogSets.h"

#include "ClientDataSet.h"
#include "DataSet.h"
#include "DataSource.h"
#include "Exceptions.h"
#include "Packages.h"
#include "uDynamicFilter.h"
#include "uExportToExcel.h"
#include "uTreeCodeInput.h"
#include "ulumPostCode.h"
#include <QApplication>

TDataToExcelDialog::TDataToExcelDialog(QObject *owner) : TComponent(owner) {}

TDataToExcelDialog::~TDataToExcelDialog() {
    Destroying();
}

void TDataToExcelDialog::CheckDataSet() {
    if (!FDataSource || !FDataSource->DataSet())
        throw Exception(QStringLiteral("Data Set Is Nil"));
    if (!FDataSource->DataSet()->Active())
        FDataSource->DataSet()->Open();
}

void TDataToExcelDialog::Execute() {
    CheckDataSet();
    RunExportToExcel(FDataSource->DataSet(), FFileName, false);
}

void TDataToExcelDialog::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSource)
        FDataSource = nullptr;
}

// ---- TJobScheduleDialog ---------------------------------------------------------------------

TJobScheduleDialog::TJobScheduleDialog(QObject *owner) : TComponent(owner) {}

TJobScheduleDialog::~TJobScheduleDialog() {
    Destroying();
}

TJobSchedule TJobScheduleDialog::Execute() {
    if (FJobName.isEmpty() || FJobDescription.isEmpty())
        throw Exception(QStringLiteral("JobName or JobDescription is Empty"));
    return HandleJobScedule(FJobName, FJobDescription, FReadOnly);
}

// ---- TDataFilterDialog ----------------------------------------------------------------------

TDataFilterDialog::TDataFilterDialog(QObject *owner) : TComponent(owner) {}

TDataFilterDialog::~TDataFilterDialog() {
    Destroying();
}

void TDataFilterDialog::SetDataSource(TDataSource *source) {
    if (source == FDataSource)
        return;
    SetLink(FDataSource, source);
    Clear();
}

QString TDataFilterDialog::GetFilter() const {
    return QStringLiteral("( %1 )").arg(FilterCondition);
}

void TDataFilterDialog::Clear() {
    FilterLines.Clear();
    FilterCondition.clear();
}

void TDataFilterDialog::CheckDataSet() const {
    if (!FDataSource)
        throw Exception(QStringLiteral("DataSource Is Nil"));
    if (!FDataSource->DataSet())
        throw Exception(QStringLiteral("DataSource.DataSet Is Nil"));
}

bool TDataFilterDialog::Execute() {
    CheckDataSet();
    TDynamicFilter form;
    form.setWindowTitle(QStringLiteral("%1:[%2]").arg(form.windowTitle(), FCaption));
    if (!form.Execute(FDataSource, FCodeMaps, FTreeMaps, &FilterLines, FilterCondition))
        return false;
    const TStringList oldLines = FilterLines;
    const QString oldCondition = FilterCondition;
    FilterLines.SetText(form.GetFilterText());
    FilterCondition = form.GetFilter();
    if (FAutoFilter) {
        if (BeforeFilter)
            BeforeFilter(this);
        TDataSet *dataSet = FDataSource->DataSet();
        try {
            dataSet->SetFilter(FilterCondition);
            dataSet->SetFiltered(true);
        } catch (...) {
            // A condition the dataset cannot apply is not kept as the accepted one.
            FilterLines = oldLines;
            FilterCondition = oldCondition;
            throw;
        }
        if (AfterFilter)
            AfterFilter(this);
    }
    return true;
}

void TDataFilterDialog::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSource)
        FDataSource = nullptr;
}

// ---- TDataSortDialog ------------------------------------------------------------------------

TDataSortDialog::TDataSortDialog(QObject *owner) : TComponent(owner) {}

TDataSortDialog::~TDataSortDialog() {
    Destroying();
}

void TDataSortDialog::CheckDataSet() const {
    if (!FDataSource || !FDataSource->DataSet())
        throw Exception(QStringLiteral("Data Set Is Nil"));
    if (!qobject_cast<TClientDataSet *>(FDataSource->DataSet()))
        throw Exception(QStringLiteral("DataSet must be TClientDataSet "));
}

void TDataSortDialog::Execute() {
    CheckDataSet();
    TTqClientDataSetSortDlg form;
    form.SetSortBy(FSortBy);
    form.SetDataSet(qobject_cast<TClientDataSet *>(FDataSource->DataSet()));
    form.SetDisableTagValue(FOptionsTagValue);
    form.SetSortFieldNames(FSortFields.Text());
    form.Execute();
    FSortFields.SetText(form.GetSortFieldNames());
}

void TDataSortDialog::Notification(TComponentBase *component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FDataSource)
        FDataSource = nullptr;
}

// ---- TCodeTreeEditDialog, TCodeTreeInputDialog ----

bool TCodeTreeEditDialog::Execute() {
    if (TreeName.isEmpty())
        return false;
    return HandleTreeEdit(TreeName, EditStyle);
}

bool TCodeTreeInputDialog::Execute() {
    if (TreeName.isEmpty())
        throw Exception(QStringLiteral("TreeName 未設定"));
    TTreeCodeInput form;
    if (!form.Execute(TreeName, Code, TreeFileName, LevelCoding))
        return false;
    Code = form.GetCode();
    Description = form.GetDescription();
    TraceText = form.GetTraceText();
    return true;
}

// ---- TROCAddrInputDialog ----

namespace {

// The markers of the address levels, searched in this order; each group is one level.
struct TAddrMarker {
    QChar Marker;
    int Part; // 0 county, 1 township, 2 village, 3 neighbourhood number
};
constexpr int kMarkerCount = 13;
const TAddrMarker kMarkers[kMarkerCount] = {
    {u'縣', 0}, {u'市', 0}, {u'島', 0}, {u'嶼', 0}, {u'鄉', 1}, {u'鎮', 1}, {u'市', 1},
    {u'區', 1}, {u'台', 1}, {u'島', 1}, {u'村', 2}, {u'里', 2}, {u'鄰', 3}};
// Where the walk goes on after a marker of a part was found.
constexpr int kNextGroup[4] = {4, 10, 12, 13};

} // namespace

TROCAddrInputDialog::TROCAddrInputDialog(QObject *owner) : TComponent(owner) {
    SetPostFileDir(ProgramFolder() + QStringLiteral("TemplateDocs"));
}

void TROCAddrInputDialog::setLinNo(const QString &text) {
    QString digits;
    for (const QChar c : text)
        if (c >= u'0' && c <= u'9')
            digits += c;
    FLinNo = digits;
}

QString TROCAddrInputDialog::GetLinNo() const {
    return FLinNo.isEmpty() ? QString() : FLinNo + QStringLiteral("鄰");
}

void TROCAddrInputDialog::SetPostFileDir(const QString &dir) {
    FPostFileDir = dir;
    if (!dir.isEmpty() && !dir.endsWith(u'/') && !dir.endsWith(u'\\'))
        FPostFileDir += u'/';
}

QString TROCAddrInputDialog::GetAddress() const {
    return County + City + Village + GetLinNo() + Road;
}

void TROCAddrInputDialog::ParserAddress(const QString &address) {
    County.clear();
    City.clear();
    Village.clear();
    FLinNo.clear();
    QString rest = address;
    int index = 0;
    while (index < kMarkerCount) {
        const TAddrMarker &marker = kMarkers[index];
        const qsizetype at = rest.indexOf(marker.Marker);
        if (at < 0) {
            ++index;
            continue;
        }
        const QString piece = rest.left(at + 1);
        rest = rest.mid(at + 1);
        switch (marker.Part) {
        case 0:
            County = piece;
            break;
        case 1:
            City = piece;
            break;
        case 2:
            Village = piece;
            break;
        default:
            setLinNo(piece);
            break;
        }
        index = kNextGroup[marker.Part];
    }
    Road = rest;
}

bool TROCAddrInputDialog::Execute(QString &address) {
    const QString code = Code, county = County, city = City, village = Village, linNo = FLinNo,
                  road = Road;
    const auto restore = [&] {
        Code = code;
        County = county;
        City = city;
        Village = village;
        FLinNo = linNo;
        Road = road;
    };
    try {
        if (!address.isEmpty())
            ParserAddress(address);
        TlumPostCode form(QApplication::activeWindow());
        form.SetPostFileDir(FPostFileDir);
        form.SetCode(Code);
        form.SetCounty(County);
        form.SetCity(City);
        form.SetVillage(Village);
        form.SetLinNo(FLinNo);
        form.SetRoad(Road);
        if (!form.Execute(County, Code)) {
            restore();
            return false;
        }
        Code = form.GetCode();
        County = form.GetCounty();
        City = form.GetCity();
        Village = form.GetVillage();
        setLinNo(form.GetLinNo());
        Road = form.GetRoad();
        address = form.GetAddress();
        return true;
    } catch (...) {
        restore();
        throw;
    }
}
