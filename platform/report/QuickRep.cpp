#include "QuickRep.h"

#include "DataSet.h"
#include "QRLayout.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace {
TQRPresenter *gPresenter = nullptr;
} // namespace

QSizeF TQRPage::SizeMM() const {
    const QSizeF size = PaperSize.size(QPageSize::Millimeter);
    return Orientation == QPageLayout::Landscape ? size.transposed() : size;
}

QPageLayout TQRPage::Layout() const {
    return QPageLayout(PaperSize, Orientation,
                       QMarginsF(LeftMargin, TopMargin, RightMargin, BottomMargin),
                       QPageLayout::Millimeter);
}

void SetQRPresenter(TQRPresenter *presenter) {
    gPresenter = presenter;
}

TQRPresenter *QRPresenter() {
    return gPresenter;
}

QString DefaultReportFontFamily() {
    static const QString family = [] {
        const QStringList ming{
            QStringLiteral("AR PL UMing TW"),    QStringLiteral("AR PL UMing TW MBE"),
            QStringLiteral("Noto Serif CJK TC"), QStringLiteral("Noto Serif TC"),
            QStringLiteral("AR PL New Sung"),    QStringLiteral("AR PL UMing HK"),
            QStringLiteral("Noto Sans CJK TC"),  QStringLiteral("WenQuanYi Micro Hei")};
        if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
            return ming.first();
        const QStringList families = QFontDatabase::families();
        for (const QString &name : ming)
            if (families.contains(name, Qt::CaseInsensitive))
                return name;
        return QGuiApplication::font().family();
    }();
    return family;
}

TQuickRep::TQuickRep(QObject *owner) : TComponent(owner) {
    FFont.Size = 10;
}

TQuickRep::~TQuickRep() {
    // The bands go while the report is whole: each takes itself off the list.
    while (!FBands.isEmpty())
        delete FBands.last();
}

void TQuickRep::SetDataSet(TDataSet *dataSet) {
    SetLink(FDataSet, dataSet);
}

void TQuickRep::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove && component == FDataSet)
        FDataSet = nullptr;
    TComponent::Notification(component, operation);
}

QList<TQRBand *> TQuickRep::BandsOfType(TQRBandType type) const {
    QList<TQRBand *> bands;
    for (TQRBand *band : FBands)
        if (band->BandType() == type)
            bands << band;
    return bands;
}

TQRPrintable *TQuickRep::FindElement(const QString &name) const {
    for (TQRBand *band : FBands)
        for (TQRPrintable *element : band->Elements())
            if (element->Name().compare(name, Qt::CaseInsensitive) == 0)
                return element;
    return nullptr;
}

std::shared_ptr<TQRPreparedReport> TQuickRep::Prepare() {
    if (FPrinting)
        throw EReportError(QStringLiteral("The report %1 is being laid out already").arg(Name()));
    FPrepared.reset();
    TQRLayoutRun run(*this);
    FPrepared = run.Execute();
    return FPrepared;
}

void TQuickRep::ExportToPdf(const QString &path) {
    Prepare()->SaveToPdf(path);
}

void TQuickRep::Print(QPagedPaintDevice &device) {
    Prepare()->Print(device);
}

TQRPresenter &TQuickRep::Presenter() const {
    if (!gPresenter)
        throw EReportError(
            QStringLiteral("No report windows are available (PlatformReportUi is not linked)"));
    return *gPresenter;
}

void TQuickRep::Preview() {
    Presenter().Preview(*this, false);
}

void TQuickRep::PreviewModal() {
    Presenter().Preview(*this, true);
}

void TQuickRep::Print() {
    Presenter().Print(*this, false);
}

void TQuickRep::PrintWithDialog() {
    Presenter().Print(*this, true);
}
