#pragma once
// The layout of one report run (TQuickRep::Prepare): the engine's inside, not for reports to
// use. It walks the records of the report's dataset and of its child details, prints the bands
// in their order into a band-local buffer each (elements draw there through TQRCanvas), moves a
// band that does not fit to the next page, and hands each finished page to the prepared report.

#include "QRPreparedReport.h"
#include "QuickRep.h"

#include <QFontMetricsF>
#include <QHash>
#include <map>
#include <memory>
#include <vector>

class TQRLayoutRun : public TQRCanvas {
public:
    explicit TQRLayoutRun(TQuickRep &report);
    ~TQRLayoutRun() override;
    std::shared_ptr<TQRPreparedReport> Execute();

    // TQRCanvas
    TQuickRep *Report() const override { return &FReport; }
    double DrawText(const QRectF &rect, const TQRFont &font, const QColor &color,
                    TAlignment alignment, const QString &text, bool wordWrap,
                    bool stretch) override;
    void DrawPageData(const QRectF &rect, const TQRFont &font, const QColor &color,
                      TAlignment alignment, TQRPageDataKind kind, const QString &pattern) override;
    void DrawLine(QPointF from, QPointF to, double width, const QColor &color) override;
    void DrawShape(TQRShapeKind kind, const QRectF &rect, double penWidth, const QColor &pen,
                   const QColor &brush) override;
    void StretchTo(double bottom) override;
    int RecordNumber() const override;
    int RecordCount() const override;

private:
    struct TLevel;
    struct TGroupInfo {
        TQRGroup *Group = nullptr;
        TLevel *Level = nullptr;
        std::vector<TQRFieldRef> Fields;
        QStringList FieldNames;
        std::vector<TQRExpr *> Resets;
        bool Pushed = false;
    };
    struct TLevel {
        TQRSubDetail *Sub = nullptr; // nullptr: the report's records
        TDataSet *DataSet = nullptr;
        std::vector<TGroupInfo *> Groups;
        QList<TQRBand *> DetailBands;
        std::vector<TLevel *> Children;
        std::vector<TQRExpr *> Accumulators;
        std::vector<TQRExpr *> Resets;
        int RecordNo = 0;
        int RecordCount = 0;
    };
    // One item of a band being laid out, in band coordinates.
    struct TItem {
        TQRDrawItem::TKind Kind;
        QRectF Rect;
        QPointF From, To;
        bool Clipped = false;
        int Font = -1;
        QRgb Color = 0, Brush = 0;
        double Width = 0;
        int Alignment = 0;
        TQRPageDataKind Data = TQRPageDataKind::PageNumber;
        TQRShapeKind Shape = TQRShapeKind::Rectangle;
        QString Text;
    };
    struct TBuffer {
        TQRBand *Band = nullptr;
        TLevel *Level = nullptr;
        double Height = 0;
        std::vector<TItem> Items;
        size_t Used = 0;
        TItem &Add();
    };
    struct TFontInfo {
        TQRFont Key; // resolved
        int Id = -1;
        QFont Font;
        std::unique_ptr<QFontMetricsF> Metrics;
        double Ascent = 0, LineSpacing = 0; // mm
        // The widths of the texts measured so far: reports repeat their texts (dates, codes,
        // names of courses, numbers), and measuring one costs a text layout.
        mutable QHash<QString, double> Advances;
        double Advance(const QString &text) const;
    };
    enum class TMode { Body, PageTop, PageFooter, Reprint };

    void Build();
    void Validate() const;
    void BindElements();
    TLevel *LevelOfSub(TQRSubDetail *sub) const;
    TLevel *LevelOfBand(TQRBand *band) const;
    const TFontInfo &FontOf(const TQRFont &font);

    void ProcessRecords(TLevel &level);
    void ProcessRecord(TLevel &level);
    void ProcessSubDetail(TLevel &level);
    void StartGroup(TGroupInfo &group);
    void EndGroup(TGroupInfo &group);
    bool SameGroup(TGroupInfo &group, TDataSet *dataSet, int a, int b);

    bool PrintBand(TQRBand *band, TMode mode = TMode::Body);
    void Place(const TBuffer &buffer, double y, double height);
    void StartPage();
    void EndPage(bool last);
    void NewPage();
    void PrintColumnHeaders();
    void Push(TQRBand *band);
    void Pop(TQRBand *band);

    TQuickRep &FReport;
    std::shared_ptr<TQRPreparedReport> FPages;
    std::vector<std::unique_ptr<TLevel>> FLevels; // [0]: the report's records
    std::vector<std::unique_ptr<TGroupInfo>> FGroups;
    std::map<const TQRBand *, TLevel *> FBandLevels;
    std::vector<std::unique_ptr<TBuffer>> FBuffers;
    int FDepth = 0;
    TBuffer *FCurrent = nullptr;
    std::vector<std::unique_ptr<TFontInfo>> FFonts;
    const TFontInfo *FLastFont = nullptr;
    QList<TQRBand *> FReprint;

    // The page, in millimetres from the paper's top-left corner.
    double FLeft = 0, FTop = 0, FWidth = 0, FBodyBottom = 0, FPaperBottom = 0;
    double FY = 0;
    bool FPageContent = false;       // a band other than the page's headers is on the page
    bool FColumnHeadersDone = false; // on this page
    bool FHoldColumnHeaders = false; // the title comes first on the first page
};
