#pragma once
// The bands of a report. A band is a strip across the page, Height millimetres high, holding
// elements (QRCtrls.h); the report prints it where its type says:
//
//   rbPageHeader    at the top of every page (of the first too unless the report says not)
//   rbTitle         once, on the first page after the page header
//   rbColumnHeader  on every page after the page header (and the title)
//   rbGroupHeader   a TQRGroup: when the value of its expression changes; or the header of a
//                   child detail (TQRSubDetail::SetHeaderBand)
//   rbDetail        once for each record of the report's dataset
//   rbSubDetail     a TQRSubDetail: once for each record of its dataset (a detail of a
//                   master–detail link) after each record of its master
//   rbGroupFooter   the footer of a group (TQRGroup::SetFooterBand) or of a child detail
//   rbSummary       once, after the last record
//   rbPageFooter    at the bottom of every page (of the last too unless the report says not)
//   rbChild         a TQRChildBand: right after its parent band, each time the parent prints
//
// A band that does not fit on the rest of the page goes to the next page (page footer, new
// page, page header, column header first); a band with ForceNewPage starts a new page unless
// nothing but page headers is on the page yet. A band taller than the room a page has raises
// EReportError when the run starts; a band that grows taller than that (AutoStretch texts) is
// cut at the page's end. A band whose Enabled is off is left out, with its child bands; the
// records behind it are still read (aggregates still count them).
//
// BeforePrint runs each time before the band prints: it may change the texts of its elements
// (a memo's lines, a label's caption, elements' Enabled) and may cancel the band for this time
// by setting printBand to false. AfterPrint runs afterwards, told whether the band printed.

#include "Component.h"
#include "QRCtrls.h"

#include <QList>
#include <functional>

class TDataSet;
class TQRChildBand;
class TQRGroup;
class TQRSubDetail;
class TQuickRep;

enum TQRBandType {
    rbTitle,
    rbPageHeader,
    rbColumnHeader,
    rbDetail,
    rbPageFooter,
    rbSummary,
    rbGroupHeader,
    rbGroupFooter,
    rbSubDetail,
    rbChild,
};

// "Detail", "PageHeader", ...: the band type as messages name it.
QString BandTypeName(TQRBandType type);

using TQRBandBeforePrintEvent = std::function<void(TQRBand *band, bool &printBand)>;
using TQRBandAfterPrintEvent = std::function<void(TQRBand *band, bool printed)>;

class TQRBand : public TComponent {
    Q_OBJECT
public:
    // A band of the report, after the report's other bands.
    TQRBand(TQuickRep *report, TQRBandType type, double height = 10);
    ~TQRBand() override;

    TQuickRep *Report() const { return FReport; }
    TQRBandType BandType() const { return FType; }
    double Height() const { return FHeight; }
    void SetHeight(double mm) { FHeight = mm; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled) { FEnabled = enabled; }
    bool ForceNewPage() const { return FForceNewPage; }
    void SetForceNewPage(bool on) { FForceNewPage = on; }
    TQRFrame &Frame() { return FFrame; }
    const TQRFrame &Frame() const { return FFrame; }
    // The band's name for messages: its component name, else its type.
    QString DisplayName() const;

    TQRBandBeforePrintEvent BeforePrint;
    TQRBandAfterPrintEvent AfterPrint;

    // Elements in the order they were made (the order they paint).
    const QList<TQRPrintable *> &Elements() const { return FElements; }
    // Child bands, in the order they were made.
    const QList<TQRChildBand *> &ChildBands() const { return FChildren; }
    // The height of the band as it printed last (stretched by its texts).
    double PrintedHeight() const { return FPrintedHeight; }

    // Elements made at their bounds (millimetres from the band's top-left corner).
    TQRLabel *AddLabel(double left, double top, double width, double height,
                       const QString &caption);
    TQRDBText *AddDBText(double left, double top, double width, double height, TDataSet *dataSet,
                         const QString &field);
    TQRMemo *AddMemo(double left, double top, double width, double height);
    TQRSysData *AddSysData(double left, double top, double width, double height,
                           TQRSysDataType data, const QString &text = {});
    TQRExpr *AddExpr(double left, double top, double width, double height, TQRAggregateKind kind,
                     const QString &field = {});
    TQRShape *AddShape(double left, double top, double width, double height, TQRShapeType shape);
    // A horizontal line `width` long at `top`.
    TQRShape *AddHorLine(double left, double top, double width, double penWidth = 0.2);
    // A child band that prints right after this one.
    TQRChildBand *AddChildBand(double height);

private:
    friend class TQRPrintable;
    friend class TQRChildBand;
    friend class TQRLayoutRun;
    TQuickRep *FReport;
    TQRBandType FType;
    double FHeight;
    bool FEnabled = true;
    bool FForceNewPage = false;
    TQRFrame FFrame;
    QList<TQRPrintable *> FElements;
    QList<TQRChildBand *> FChildren;
    double FPrintedHeight = 0;
};

// A band printed right after its parent, each time the parent prints; left out when the parent
// is (disabled or cancelled).
class TQRChildBand : public TQRBand {
    Q_OBJECT
public:
    TQRChildBand(TQRBand *parent, double height = 10);
    ~TQRChildBand() override;
    TQRBand *ParentBand() const { return FParent; }

private:
    friend class TQRBand;
    TQRBand *FParent;
};

// A group: its header prints before the first record and whenever the group's value changes
// from one record to the next; its footer (a band of type rbGroupFooter) prints after the last
// record of each group, while the record is still current. The value is that of the fields of
// Expression ("Unit_ID", or several joined: "Unit_ID;ClassType;NGrade" or
// "Unit_ID+ClassType"), or what GroupValue gives for a record of the dataset (read it with
// TDataSet::ValueAt: the record may be the one after the current one). Groups nest in the
// order they were made, the first outermost. A group groups the report's records, or those of
// a child detail (SetMaster).
//
// ForceNewPage starts each group on a new page (one letter a page). ReprintOnNewPage prints
// the header again at the top of each page that the group continues on.
class TQRGroup : public TQRBand {
    Q_OBJECT
public:
    explicit TQRGroup(TQuickRep *report, const QString &expression = {}, double height = 10);
    ~TQRGroup() override;

    QString Expression() const { return FExpression; }
    void SetExpression(const QString &expression) { FExpression = expression; }
    std::function<Variant(TDataSet *dataSet, int position)> GroupValue;
    TQRBand *FooterBand() const { return FFooter; }
    void SetFooterBand(TQRBand *footer);
    // The child detail whose records this group groups; nullptr: the report's.
    TQRSubDetail *Master() const { return FMaster; }
    void SetMaster(TQRSubDetail *master);
    bool ReprintOnNewPage() const { return FReprint; }
    void SetReprintOnNewPage(bool on) { FReprint = on; }
    // A footer band made for this group.
    TQRBand *AddFooterBand(double height);
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    QString FExpression;
    TQRBand *FFooter = nullptr;
    TQRSubDetail *FMaster = nullptr;
    bool FReprint = false;
};

// A child detail: the records of its dataset, printed after each record of its master (the
// report's record, or that of another child detail) with its own header and footer. The
// dataset is normally the detail of a master–detail link (TClientDataSet::SetMasterSource and
// SetMasterFields), so that it holds the rows of the master's current record; the band reads
// it from its first record to its end each time. PrintIfEmpty (default on) prints header and
// footer also when there are no rows. ReprintHeaderOnNewPage prints the header again at the top
// of each page the rows continue on. A closed dataset counts as empty.
class TQRSubDetail : public TQRBand {
    Q_OBJECT
public:
    explicit TQRSubDetail(TQuickRep *report, TDataSet *dataSet = nullptr, double height = 10);
    ~TQRSubDetail() override;

    TDataSet *DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet *dataSet);
    // The child detail whose records this one follows; nullptr: the report's records.
    TQRSubDetail *Master() const { return FMaster; }
    void SetMaster(TQRSubDetail *master);
    TQRBand *HeaderBand() const { return FHeader; }
    void SetHeaderBand(TQRBand *header);
    TQRBand *FooterBand() const { return FFooter; }
    void SetFooterBand(TQRBand *footer);
    // Header and footer bands made for this child detail.
    TQRBand *AddHeaderBand(double height);
    TQRBand *AddFooterBand(double height);
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool on) { FPrintIfEmpty = on; }
    bool ReprintHeaderOnNewPage() const { return FReprint; }
    void SetReprintHeaderOnNewPage(bool on) { FReprint = on; }
    void Notification(TComponentBase *component, TOperation operation) override;

private:
    TDataSet *FDataSet = nullptr;
    TQRSubDetail *FMaster = nullptr;
    TQRBand *FHeader = nullptr;
    TQRBand *FFooter = nullptr;
    bool FPrintIfEmpty = true;
    bool FReprint = false;
};
