#include "QRBands.h"

#include "DataSet.h"
#include "QuickRep.h"

namespace {

TQuickRep *ReportOf(TQRBand *parent) {
    if (!parent)
        throw EReportError(QStringLiteral("A child band needs a parent band"));
    return parent->Report();
}

} // namespace

QString BandTypeName(TQRBandType type) {
    switch (type) {
    case rbTitle:
        return QStringLiteral("Title");
    case rbPageHeader:
        return QStringLiteral("PageHeader");
    case rbColumnHeader:
        return QStringLiteral("ColumnHeader");
    case rbDetail:
        return QStringLiteral("Detail");
    case rbPageFooter:
        return QStringLiteral("PageFooter");
    case rbSummary:
        return QStringLiteral("Summary");
    case rbGroupHeader:
        return QStringLiteral("GroupHeader");
    case rbGroupFooter:
        return QStringLiteral("GroupFooter");
    case rbSubDetail:
        return QStringLiteral("SubDetail");
    case rbChild:
        return QStringLiteral("Child");
    }
    return QStringLiteral("Band");
}

// ---- TQRBand --------------------------------------------------------------------------------

TQRBand::TQRBand(TQuickRep *report, TQRBandType type, double height)
    : TComponent(report), FReport(report), FType(type), FHeight(height) {
    if (!report)
        throw EReportError(QStringLiteral("A band needs a report"));
    report->FBands.append(this);
}

TQRBand::~TQRBand() {
    while (!FElements.isEmpty())
        delete FElements.last();
    for (TQRChildBand *child : FChildren)
        child->FParent = nullptr;
    if (FReport)
        FReport->FBands.removeAll(this);
}

QString TQRBand::DisplayName() const {
    return Name().isEmpty() ? BandTypeName(FType) : Name();
}

TQRLabel *TQRBand::AddLabel(double left, double top, double width, double height,
                            const QString &caption) {
    auto *label = new TQRLabel(this, caption);
    label->SetBounds(left, top, width, height);
    return label;
}

TQRDBText *TQRBand::AddDBText(double left, double top, double width, double height,
                              TDataSet *dataSet, const QString &field) {
    auto *text = new TQRDBText(this, dataSet, field);
    text->SetBounds(left, top, width, height);
    return text;
}

TQRMemo *TQRBand::AddMemo(double left, double top, double width, double height) {
    auto *memo = new TQRMemo(this);
    memo->SetBounds(left, top, width, height);
    return memo;
}

TQRSysData *TQRBand::AddSysData(double left, double top, double width, double height,
                                TQRSysDataType data, const QString &text) {
    auto *sysData = new TQRSysData(this, data, text);
    sysData->SetBounds(left, top, width, height);
    return sysData;
}

TQRExpr *TQRBand::AddExpr(double left, double top, double width, double height,
                          TQRAggregateKind kind, const QString &field) {
    auto *expr = new TQRExpr(this, kind, field);
    expr->SetBounds(left, top, width, height);
    return expr;
}

TQRShape *TQRBand::AddShape(double left, double top, double width, double height,
                            TQRShapeType shape) {
    auto *s = new TQRShape(this, shape);
    s->SetBounds(left, top, width, height);
    return s;
}

TQRShape *TQRBand::AddHorLine(double left, double top, double width, double penWidth) {
    auto *s = new TQRShape(this, qrsHorLine);
    s->SetBounds(left, top, width, 0);
    s->SetPenWidth(penWidth);
    return s;
}

TQRChildBand *TQRBand::AddChildBand(double height) {
    return new TQRChildBand(this, height);
}

// ---- TQRChildBand ---------------------------------------------------------------------------

TQRChildBand::TQRChildBand(TQRBand *parent, double height)
    : TQRBand(ReportOf(parent), rbChild, height), FParent(parent) {
    parent->FChildren.append(this);
}

TQRChildBand::~TQRChildBand() {
    if (FParent)
        FParent->FChildren.removeAll(this);
}

// ---- TQRGroup -------------------------------------------------------------------------------

TQRGroup::TQRGroup(TQuickRep *report, const QString &expression, double height)
    : TQRBand(report, rbGroupHeader, height), FExpression(expression) {}

TQRGroup::~TQRGroup() = default;

void TQRGroup::SetFooterBand(TQRBand *footer) {
    if (footer && (footer->BandType() != rbGroupFooter || footer->Report() != Report()))
        throw EReportError(
            QStringLiteral("The footer of the group %1 must be a GroupFooter band of its report")
                .arg(DisplayName()));
    SetLink(FFooter, footer);
}

void TQRGroup::SetMaster(TQRSubDetail *master) {
    if (master && master->Report() != Report())
        throw EReportError(
            QStringLiteral("The master of the group %1 is on another report").arg(DisplayName()));
    SetLink(FMaster, master);
}

TQRBand *TQRGroup::AddFooterBand(double height) {
    auto *footer = new TQRBand(Report(), rbGroupFooter, height);
    SetFooterBand(footer);
    return footer;
}

void TQRGroup::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove) {
        if (component == FFooter)
            FFooter = nullptr;
        if (component == FMaster)
            FMaster = nullptr;
    }
    TQRBand::Notification(component, operation);
}

// ---- TQRSubDetail ---------------------------------------------------------------------------

TQRSubDetail::TQRSubDetail(TQuickRep *report, TDataSet *dataSet, double height)
    : TQRBand(report, rbSubDetail, height) {
    SetDataSet(dataSet);
}

TQRSubDetail::~TQRSubDetail() = default;

void TQRSubDetail::SetDataSet(TDataSet *dataSet) {
    SetLink(FDataSet, dataSet);
}

void TQRSubDetail::SetMaster(TQRSubDetail *master) {
    for (TQRSubDetail *m = master; m; m = m->Master())
        if (m == this)
            throw EReportError(
                QStringLiteral("The child detail %1 cannot follow itself").arg(DisplayName()));
    if (master && master->Report() != Report())
        throw EReportError(QStringLiteral("The master of the child detail %1 is on another report")
                               .arg(DisplayName()));
    SetLink(FMaster, master);
}

void TQRSubDetail::SetHeaderBand(TQRBand *header) {
    if (header && (header->BandType() != rbGroupHeader || dynamic_cast<TQRGroup *>(header) ||
                   header->Report() != Report()))
        throw EReportError(QStringLiteral("The header of the child detail %1 must be a "
                                          "GroupHeader band of its report that is no group")
                               .arg(DisplayName()));
    SetLink(FHeader, header);
}

void TQRSubDetail::SetFooterBand(TQRBand *footer) {
    if (footer && (footer->BandType() != rbGroupFooter || footer->Report() != Report()))
        throw EReportError(
            QStringLiteral("The footer of the child detail %1 must be a GroupFooter band of its "
                           "report")
                .arg(DisplayName()));
    SetLink(FFooter, footer);
}

TQRBand *TQRSubDetail::AddHeaderBand(double height) {
    auto *header = new TQRBand(Report(), rbGroupHeader, height);
    SetHeaderBand(header);
    return header;
}

TQRBand *TQRSubDetail::AddFooterBand(double height) {
    auto *footer = new TQRBand(Report(), rbGroupFooter, height);
    SetFooterBand(footer);
    return footer;
}

void TQRSubDetail::Notification(TComponentBase *component, TOperation operation) {
    if (operation == TOperation::opRemove) {
        if (component == FDataSet)
            FDataSet = nullptr;
        if (component == FMaster)
            FMaster = nullptr;
        if (component == FHeader)
            FHeader = nullptr;
        if (component == FFooter)
            FFooter = nullptr;
    }
    TQRBand::Notification(component, operation);
}
