#include "QRLayout.h"

#include "DataSet.h"
#include "Fields.h"

#include <QImage>
#include <QRegularExpression>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

namespace {

// Texts are measured as a 1,200 dpi PDF draws them, whatever the output: the layout is the same
// on paper, in a PDF and in the preview.
constexpr double kMeasureDpi = 1200;
constexpr double kMmPerDot = 25.4 / kMeasureDpi;
constexpr double kEpsilon = 0.01; // mm

const QPaintDevice *MeasureDevice() {
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMeter = qRound(kMeasureDpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return &device;
}

int AlignmentFlags(TAlignment alignment) {
    switch (alignment) {
    case taRightJustify:
        return Qt::AlignRight | Qt::AlignTop;
    case taCenter:
        return Qt::AlignHCenter | Qt::AlignTop;
    case taLeftJustify:
        break;
    }
    return Qt::AlignLeft | Qt::AlignTop;
}

// The lines of a paragraph broken at `width` dots: between words, or anywhere in a word that
// does not fit (Chinese text breaks between characters).
void WrapParagraph(const QString &paragraph, const QFont &font, double width, QStringList &out) {
    QTextLayout layout(paragraph, font, MeasureDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid())
            break;
        line.setLineWidth(std::max(width, 1.0));
        QString text = paragraph.mid(line.textStart(), line.textLength());
        while (!text.isEmpty() && text.back().isSpace())
            text.chop(1);
        out << text;
    }
    layout.endLayout();
}

} // namespace

TQRLayoutRun::TItem &TQRLayoutRun::TBuffer::Add() {
    if (Used < Items.size())
        Items[Used] = TItem{};
    else
        Items.emplace_back();
    return Items[Used++];
}

double TQRLayoutRun::TFontInfo::Advance(const QString &text) const {
    if (const auto it = Advances.constFind(text); it != Advances.constEnd())
        return *it;
    const double width = Metrics->horizontalAdvance(text) * kMmPerDot;
    if (Advances.size() >= 8192)
        Advances.clear();
    Advances.insert(text, width);
    return width;
}

TQRLayoutRun::TQRLayoutRun(TQuickRep &report) : FReport(report) {}

TQRLayoutRun::~TQRLayoutRun() = default;

// ---- structure ------------------------------------------------------------------------------

TQRLayoutRun::TLevel *TQRLayoutRun::LevelOfSub(TQRSubDetail *sub) const {
    if (!sub)
        return FLevels.front().get();
    for (const auto &level : FLevels)
        if (level->Sub == sub)
            return level.get();
    return FLevels.front().get();
}

TQRLayoutRun::TLevel *TQRLayoutRun::LevelOfBand(TQRBand *band) const {
    const auto it = FBandLevels.find(band);
    return it == FBandLevels.end() ? FLevels.front().get() : it->second;
}

void TQRLayoutRun::Build() {
    auto root = std::make_unique<TLevel>();
    root->DataSet = FReport.DataSet();
    root->DetailBands = FReport.BandsOfType(rbDetail);
    FLevels.push_back(std::move(root));
    const QList<TQRBand *> bands = FReport.Bands();
    for (TQRBand *band : bands)
        if (auto *sub = qobject_cast<TQRSubDetail *>(band)) {
            auto level = std::make_unique<TLevel>();
            level->Sub = sub;
            level->DataSet = sub->DataSet();
            level->DetailBands = {sub};
            FLevels.push_back(std::move(level));
        }
    for (size_t i = 1; i < FLevels.size(); ++i)
        LevelOfSub(FLevels[i]->Sub->Master())->Children.push_back(FLevels[i].get());
    for (TQRBand *band : bands)
        if (auto *group = qobject_cast<TQRGroup *>(band)) {
            auto info = std::make_unique<TGroupInfo>();
            info->Group = group;
            info->Level = LevelOfSub(group->Master());
            if (!group->GroupValue) {
                info->FieldNames = group->Expression().split(
                    QRegularExpression(QStringLiteral("[;+,]")), Qt::SkipEmptyParts);
                for (QString &name : info->FieldNames)
                    name = name.trimmed();
                info->FieldNames.removeAll(QString());
                if (info->FieldNames.isEmpty())
                    throw EReportError(
                        QStringLiteral("The group %1 has no expression").arg(group->DisplayName()));
                info->Fields.resize(static_cast<size_t>(info->FieldNames.size()));
            }
            if (!info->Level->DataSet && !info->Level->Sub)
                throw EReportError(
                    QStringLiteral("The group %1 groups the records of a report without a dataset")
                        .arg(group->DisplayName()));
            info->Level->Groups.push_back(info.get());
            FGroups.push_back(std::move(info));
        }
    // The level of every band: whose records it follows and when its aggregates start again.
    for (TQRBand *band : bands) {
        TLevel *level = FLevels.front().get();
        if (auto *sub = qobject_cast<TQRSubDetail *>(band)) {
            level = LevelOfSub(sub);
            if (sub->HeaderBand())
                FBandLevels[sub->HeaderBand()] = level;
            if (sub->FooterBand())
                FBandLevels[sub->FooterBand()] = level;
        } else if (auto *group = qobject_cast<TQRGroup *>(band)) {
            level = LevelOfSub(group->Master());
            if (group->FooterBand())
                FBandLevels[group->FooterBand()] = level;
        }
        if (!FBandLevels.count(band))
            FBandLevels[band] = level;
    }
    for (TQRBand *band : bands)
        if (band->BandType() == rbChild) {
            TQRBand *top = band;
            for (int hops = 0; top->BandType() == rbChild && hops < 1000; ++hops) {
                TQRBand *parent = static_cast<TQRChildBand *>(top)->ParentBand();
                if (!parent)
                    break;
                top = parent;
            }
            FBandLevels[band] = LevelOfBand(top);
        }
}

void TQRLayoutRun::Validate() const {
    const TQRPage &page = FReport.Page();
    const QSizeF size = page.SizeMM();
    const double width = size.width() - page.LeftMargin - page.RightMargin;
    const double height = size.height() - page.TopMargin - page.BottomMargin;
    if (width <= 0 || height <= 0)
        throw EReportError(
            QStringLiteral("The margins of the report %1 leave no room on its %2 x %3 mm page")
                .arg(FReport.Name())
                .arg(size.width())
                .arg(size.height()));
    double frame = 0;
    for (TQRBand *band : FReport.Bands())
        if (band->Enabled() &&
            (band->BandType() == rbPageHeader || band->BandType() == rbPageFooter ||
             band->BandType() == rbColumnHeader))
            frame += band->Height();
    const double room = height - frame;
    if (room <= kEpsilon)
        throw EReportError(
            QStringLiteral("The page headers and footers (%1 mm) of the report %2 leave no room "
                           "on a page of %3 mm")
                .arg(frame)
                .arg(FReport.Name())
                .arg(height));
    for (TQRBand *band : FReport.Bands()) {
        const TQRBandType type = band->BandType();
        if (!band->Enabled() || type == rbPageHeader || type == rbPageFooter ||
            type == rbColumnHeader)
            continue;
        if (band->Height() > room + kEpsilon)
            throw EReportError(
                QStringLiteral("The band %1 is %2 mm high, but a page has room for %3 mm")
                    .arg(band->DisplayName())
                    .arg(band->Height())
                    .arg(room));
        if (band->Height() < 0)
            throw EReportError(
                QStringLiteral("The band %1 has a negative height").arg(band->DisplayName()));
    }
}

void TQRLayoutRun::BindElements() {
    for (TQRBand *band : FReport.Bands())
        for (TQRPrintable *element : band->Elements()) {
            auto *expr = qobject_cast<TQRExpr *>(element);
            if (!expr) {
                if (element->Enabled())
                    element->StartRun();
                continue;
            }
            TLevel *master = LevelOfBand(band);
            if (TComponentBase *m = expr->Master())
                master = dynamic_cast<TQuickRep *>(m) ? FLevels.front().get()
                                                      : LevelOfSub(dynamic_cast<TQRSubDetail *>(m));
            try {
                expr->Bind(master->DataSet);
            } catch (const EReportError &) {
                if (expr->Enabled())
                    throw;
            }
            master->Accumulators.push_back(expr);
            // Where the band's scope starts the aggregate starts again.
            TQRBand *scope = band;
            for (int hops = 0; scope->BandType() == rbChild && hops < 1000; ++hops) {
                TQRBand *parent = static_cast<TQRChildBand *>(scope)->ParentBand();
                if (!parent)
                    break;
                scope = parent;
            }
            bool placed = false;
            for (const auto &group : FGroups)
                if (group->Group == scope || group->Group->FooterBand() == scope) {
                    group->Resets.push_back(expr);
                    placed = true;
                }
            if (!placed)
                for (size_t i = 1; i < FLevels.size(); ++i) {
                    TQRSubDetail *sub = FLevels[i]->Sub;
                    if (sub == scope || sub->HeaderBand() == scope || sub->FooterBand() == scope)
                        FLevels[i]->Resets.push_back(expr);
                }
        }
}

const TQRLayoutRun::TFontInfo &TQRLayoutRun::FontOf(const TQRFont &font) {
    TQRFont key = font;
    const TQRFont &base = FReport.Font();
    if (key.Family.isEmpty())
        key.Family = base.Family.isEmpty() ? DefaultReportFontFamily() : base.Family;
    if (key.Size <= 0)
        key.Size = base.Size > 0 ? base.Size : 10;
    if (FLastFont && FLastFont->Key == key)
        return *FLastFont;
    for (const auto &info : FFonts)
        if (info->Key == key) {
            FLastFont = info.get();
            return *info;
        }
    auto info = std::make_unique<TFontInfo>();
    info->Key = key;
    QFont qfont(key.Family);
    qfont.setPointSizeF(key.Size);
    qfont.setBold(key.Bold);
    qfont.setItalic(key.Italic);
    qfont.setUnderline(key.Underline);
    qfont.setHintingPreference(QFont::PreferNoHinting);
    qfont.setStyleStrategy(QFont::PreferOutline);
    info->Font = qfont;
    info->Id = FPages->AddFont(qfont);
    info->Metrics = std::make_unique<QFontMetricsF>(qfont, MeasureDevice());
    info->Ascent = info->Metrics->ascent() * kMmPerDot;
    info->LineSpacing = info->Metrics->lineSpacing() * kMmPerDot;
    FFonts.push_back(std::move(info));
    FLastFont = FFonts.back().get();
    return *FLastFont;
}

// ---- the run --------------------------------------------------------------------------------

std::shared_ptr<TQRPreparedReport> TQRLayoutRun::Execute() {
    const TQRPage &page = FReport.Page();
    FPages = std::make_shared<TQRPreparedReport>(FReport.ReportTitle(), page.Layout());
    TDataSet *dataSet = FReport.DataSet();
    const TBookmark bookmark =
        dataSet && dataSet->Active() && !dataSet->IsEmpty() ? dataSet->GetBookmark() : -1;
    struct TGuard {
        TQuickRep &Report;
        TDataSet *DataSet;
        TBookmark Bookmark;
        ~TGuard() {
            Report.FPrinting = false;
            try {
                if (DataSet && Bookmark >= 0 && DataSet->Active() &&
                    DataSet->BookmarkValid(Bookmark))
                    DataSet->GotoBookmark(Bookmark);
            } catch (...) {
                ReportError(std::current_exception());
            }
        }
    } guard{FReport, dataSet, bookmark};
    FReport.FPrinting = true;
    FReport.FPageNumber = 0;
    FReport.FRecordNumber = 0;
    FReport.FPrintDateTime = Now();

    bool print = true;
    if (FReport.BeforePrint)
        FReport.BeforePrint(&FReport, print);
    if (!print)
        return FPages;
    // The hook may have switched bands and fields: the report is checked as it is now.
    Validate();
    Build();
    BindElements();
    const QSizeF size = page.SizeMM();
    FLeft = page.LeftMargin;
    FTop = page.TopMargin;
    FWidth = size.width() - page.LeftMargin - page.RightMargin;
    FPaperBottom = size.height() - page.BottomMargin;
    double footers = 0;
    for (TQRBand *band : FReport.BandsOfType(rbPageFooter))
        if (band->Enabled())
            footers += band->Height();
    FBodyBottom = FPaperBottom - footers;

    const bool hasRecords = dataSet ? dataSet->Active() && !dataSet->IsEmpty() : true;
    if (!hasRecords && !FReport.PrintIfEmpty()) {
        if (FReport.AfterPrint)
            FReport.AfterPrint(&FReport);
        return FPages;
    }

    FHoldColumnHeaders = true;
    StartPage();
    for (TQRBand *band : FReport.BandsOfType(rbTitle))
        PrintBand(band);
    FHoldColumnHeaders = false;
    if (!FColumnHeadersDone)
        PrintColumnHeaders();

    TLevel &root = *FLevels.front();
    if (dataSet) {
        ProcessRecords(root);
    } else if (FReport.OnNeedData) {
        for (;;) {
            bool more = false;
            FReport.OnNeedData(&FReport, more);
            if (!more)
                break;
            ++root.RecordNo;
            root.RecordCount = root.RecordNo;
            FReport.FRecordNumber = root.RecordNo;
            ProcessRecord(root);
        }
    } else {
        root.RecordNo = root.RecordCount = 1;
        FReport.FRecordNumber = 1;
        ProcessRecord(root);
    }
    for (TQRBand *band : FReport.BandsOfType(rbSummary))
        PrintBand(band);
    EndPage(true);
    if (FReport.AfterPrint)
        FReport.AfterPrint(&FReport);
    return FPages;
}

void TQRLayoutRun::ProcessRecords(TLevel &level) {
    TDataSet *ds = level.DataSet;
    level.RecordNo = 0;
    level.RecordCount = 0;
    if (!ds || !ds->Active() || ds->IsEmpty())
        return;
    ds->First();
    level.RecordCount = ds->RecordCount();
    const int groups = static_cast<int>(level.Groups.size());
    int startGroup = 0; // the first group that starts anew at this record
    while (!ds->Eof()) {
        ++level.RecordNo;
        if (!level.Sub) {
            FReport.FRecordNumber = level.RecordNo;
            if (FReport.OnProgress)
                FReport.OnProgress(&FReport, level.RecordNo, level.RecordCount);
        }
        const int position = ds->CurrentPosition();
        for (int g = startGroup; g < groups; ++g)
            StartGroup(*level.Groups[static_cast<size_t>(g)]);
        ProcessRecord(level);
        // The groups that end with this record end while it is still current.
        const int next = position + 1;
        const bool last = next >= ds->RecordCount();
        int changed = groups;
        if (last) {
            changed = 0;
        } else {
            for (int g = 0; g < groups; ++g)
                if (!SameGroup(*level.Groups[static_cast<size_t>(g)], ds, position, next)) {
                    changed = g;
                    break;
                }
        }
        for (int g = groups - 1; g >= changed; --g)
            EndGroup(*level.Groups[static_cast<size_t>(g)]);
        startGroup = changed;
        ds->Next();
    }
}

void TQRLayoutRun::ProcessRecord(TLevel &level) {
    for (TQRExpr *expr : level.Accumulators)
        expr->Accumulate();
    for (TQRBand *band : level.DetailBands)
        PrintBand(band);
    for (TLevel *child : level.Children)
        ProcessSubDetail(*child);
}

void TQRLayoutRun::ProcessSubDetail(TLevel &level) {
    TQRSubDetail *sub = level.Sub;
    for (TQRExpr *expr : level.Resets)
        expr->Reset();
    TDataSet *ds = level.DataSet;
    const bool empty = !ds || !ds->Active() || ds->IsEmpty();
    if (empty && !sub->PrintIfEmpty()) {
        level.RecordNo = level.RecordCount = 0;
        return;
    }
    TQRBand *header = sub->HeaderBand();
    bool pushed = false;
    if (header && PrintBand(header) && sub->ReprintHeaderOnNewPage()) {
        Push(header);
        pushed = true;
    }
    ProcessRecords(level);
    if (TQRBand *footer = sub->FooterBand())
        PrintBand(footer);
    if (pushed)
        Pop(header);
}

void TQRLayoutRun::StartGroup(TGroupInfo &group) {
    for (TQRExpr *expr : group.Resets)
        expr->Reset();
    if (PrintBand(group.Group) && group.Group->ReprintOnNewPage()) {
        Push(group.Group);
        group.Pushed = true;
    }
}

void TQRLayoutRun::EndGroup(TGroupInfo &group) {
    if (TQRBand *footer = group.Group->FooterBand())
        PrintBand(footer);
    if (group.Pushed) {
        Pop(group.Group);
        group.Pushed = false;
    }
}

bool TQRLayoutRun::SameGroup(TGroupInfo &group, TDataSet *dataSet, int a, int b) {
    if (group.Group->GroupValue)
        return group.Group->GroupValue(dataSet, a) == group.Group->GroupValue(dataSet, b);
    for (size_t i = 0; i < group.Fields.size(); ++i) {
        const QString &name = group.FieldNames[static_cast<qsizetype>(i)];
        TField *field = group.Fields[i].Get(dataSet, name);
        if (!field)
            throw EReportError(QStringLiteral("The group %1: the dataset %2 has no field '%3'")
                                   .arg(group.Group->DisplayName(), dataSet->Name(), name));
        if (dataSet->ValueAt(a, field) != dataSet->ValueAt(b, field))
            return false;
    }
    return true;
}

// ---- bands and pages ------------------------------------------------------------------------

bool TQRLayoutRun::PrintBand(TQRBand *band, TMode mode) {
    if (!band || !band->Enabled())
        return false;
    bool print = true;
    if (band->BeforePrint)
        band->BeforePrint(band, print);
    if (!print) {
        if (band->AfterPrint)
            band->AfterPrint(band, false);
        return false;
    }
    if (FDepth >= static_cast<int>(FBuffers.size()))
        FBuffers.push_back(std::make_unique<TBuffer>());
    TBuffer &buffer = *FBuffers[static_cast<size_t>(FDepth)];
    ++FDepth;
    struct TDepth {
        int &Depth;
        TBuffer *&Current;
        TBuffer *Saved;
        ~TDepth() {
            --Depth;
            Current = Saved;
        }
    } depth{FDepth, FCurrent, FCurrent};
    buffer.Band = band;
    buffer.Level = LevelOfBand(band);
    buffer.Height = band->Height();
    buffer.Used = 0;
    FCurrent = &buffer;
    for (TQRPrintable *element : band->Elements())
        if (element->Enabled())
            element->Print(*this);
    const TQRFrame &frame = band->Frame();
    if (frame.Any()) {
        const double r = FWidth, b = buffer.Height;
        if (frame.Top)
            DrawLine(QPointF(0, 0), QPointF(r, 0), frame.Width, frame.Color);
        if (frame.Bottom)
            DrawLine(QPointF(0, b), QPointF(r, b), frame.Width, frame.Color);
        if (frame.Left)
            DrawLine(QPointF(0, 0), QPointF(0, b), frame.Width, frame.Color);
        if (frame.Right)
            DrawLine(QPointF(r, 0), QPointF(r, b), frame.Width, frame.Color);
    }
    FCurrent = depth.Saved;
    const double height = buffer.Height;
    if (mode == TMode::Body) {
        if (band->ForceNewPage() && FPageContent)
            NewPage();
        else if (FY + height > FBodyBottom + kEpsilon && FPageContent)
            NewPage();
    }
    const double limit = mode == TMode::PageFooter ? FPaperBottom : FBodyBottom;
    const double room = std::max(0.0, limit - FY);
    const double placed = std::min(height, room);
    Place(buffer, FY, placed);
    FY += placed;
    if (mode == TMode::Body)
        FPageContent = true;
    band->FPrintedHeight = height;
    for (TQRPrintable *element : band->Elements())
        if (auto *expr = qobject_cast<TQRExpr *>(element); expr && expr->ResetAfterPrint())
            expr->Reset();
    if (band->AfterPrint)
        band->AfterPrint(band, true);
    const QList<TQRChildBand *> children = band->ChildBands();
    for (TQRChildBand *child : children)
        PrintBand(child, mode);
    return true;
}

void TQRLayoutRun::Place(const TBuffer &buffer, double y, double height) {
    const bool cut = height + kEpsilon < buffer.Height;
    const double bottom = y + height;
    for (size_t i = 0; i < buffer.Used; ++i) {
        const TItem &item = buffer.Items[i];
        switch (item.Kind) {
        case TQRDrawItem::TextItem: {
            const QPointF at(FLeft + item.From.x(), y + item.From.y());
            if (cut && at.y() > bottom + kEpsilon)
                continue;
            if (item.Clipped)
                FPages->AddClippedText(at, item.Rect.translated(FLeft, y), item.Font, item.Color,
                                       item.Text);
            else
                FPages->AddText(at, item.Font, item.Color, item.Text);
            break;
        }
        case TQRDrawItem::PageDataItem: {
            const QRectF rect = item.Rect.translated(FLeft, y);
            if (cut && rect.top() >= bottom)
                continue;
            FPages->AddPageData(rect, item.Font, item.Color, item.Alignment, item.Data, item.Text);
            break;
        }
        case TQRDrawItem::LineItem: {
            QPointF from(FLeft + item.From.x(), y + item.From.y());
            QPointF to(FLeft + item.To.x(), y + item.To.y());
            if (cut) {
                if (std::min(from.y(), to.y()) > bottom + kEpsilon)
                    continue;
                from.setY(std::min(from.y(), bottom));
                to.setY(std::min(to.y(), bottom));
            }
            FPages->AddLine(from, to, item.Width, item.Color);
            break;
        }
        case TQRDrawItem::ShapeItem: {
            QRectF rect = item.Rect.translated(FLeft, y);
            if (cut) {
                if (rect.top() >= bottom)
                    continue;
                rect.setBottom(std::min(rect.bottom(), bottom));
            }
            FPages->AddShape(item.Shape, rect, item.Width, item.Color, item.Brush);
            break;
        }
        }
    }
}

void TQRLayoutRun::StartPage() {
    FPages->BeginPage();
    ++FReport.FPageNumber;
    FY = FTop;
    FPageContent = false;
    FColumnHeadersDone = false;
    if (FReport.OnStartPage)
        FReport.OnStartPage(&FReport, FReport.FPageNumber);
    if (FReport.FPageNumber > 1 || FReport.FirstPageHeader())
        for (TQRBand *band : FReport.BandsOfType(rbPageHeader))
            PrintBand(band, TMode::PageTop);
    if (!(FHoldColumnHeaders && FReport.FPageNumber == 1))
        PrintColumnHeaders();
}

void TQRLayoutRun::PrintColumnHeaders() {
    FColumnHeadersDone = true;
    for (TQRBand *band : FReport.BandsOfType(rbColumnHeader))
        PrintBand(band, TMode::PageTop);
    const QList<TQRBand *> reprint = FReprint;
    for (TQRBand *band : reprint)
        PrintBand(band, TMode::Reprint);
}

void TQRLayoutRun::EndPage(bool last) {
    if (!last || FReport.LastPageFooter()) {
        FY = FBodyBottom;
        for (TQRBand *band : FReport.BandsOfType(rbPageFooter))
            PrintBand(band, TMode::PageFooter);
    }
    if (FReport.OnEndPage)
        FReport.OnEndPage(&FReport, FReport.FPageNumber);
    FPages->EndPage();
}

void TQRLayoutRun::NewPage() {
    EndPage(false);
    StartPage();
}

void TQRLayoutRun::Push(TQRBand *band) {
    FReprint.append(band);
}

void TQRLayoutRun::Pop(TQRBand *band) {
    const qsizetype at = FReprint.lastIndexOf(band);
    if (at >= 0)
        FReprint.remove(at);
}

// ---- the canvas -----------------------------------------------------------------------------

double TQRLayoutRun::DrawText(const QRectF &rect, const TQRFont &font, const QColor &color,
                              TAlignment alignment, const QString &text, bool wordWrap,
                              bool stretch) {
    if (text.isEmpty() || !FCurrent)
        return 0;
    const TFontInfo &info = FontOf(font);
    const QRgb rgba = color.rgba();
    const auto addLine = [&](const QString &line, double top) {
        if (line.isEmpty())
            return;
        const double width = info.Advance(line);
        double x = rect.left();
        if (alignment == taRightJustify)
            x = rect.right() - width;
        else if (alignment == taCenter)
            x = rect.left() + (rect.width() - width) / 2;
        TItem &item = FCurrent->Add();
        item.Kind = TQRDrawItem::TextItem;
        item.From = QPointF(x, top + info.Ascent);
        item.Font = info.Id;
        item.Color = rgba;
        item.Text = line;
        if (width > rect.width() + kEpsilon) {
            item.Clipped = true;
            item.Rect = QRectF(rect.left(), top, rect.width(), info.LineSpacing);
        }
    };
    // One line: no break in it, and no wrapping or it fits.
    if (!text.contains(QLatin1Char('\n')) &&
        (!wordWrap || info.Advance(text) <= rect.width() + kEpsilon)) {
        addLine(text, rect.top());
        return info.LineSpacing;
    }
    QStringList lines;
    QString all = text;
    all.remove(QLatin1Char('\r'));
    const QStringList paragraphs = all.split(QLatin1Char('\n'));
    for (const QString &paragraph : paragraphs) {
        if (!wordWrap || paragraph.isEmpty() || info.Advance(paragraph) <= rect.width() + kEpsilon)
            lines << paragraph;
        else
            WrapParagraph(paragraph, info.Font, rect.width() / kMmPerDot, lines);
    }
    const auto count = static_cast<int>(lines.size());
    int shown = count;
    if (!stretch)
        shown = std::clamp(
            static_cast<int>(std::floor((rect.height() + kEpsilon) / info.LineSpacing)), 1, count);
    for (int i = 0; i < shown; ++i)
        addLine(lines[i], rect.top() + i * info.LineSpacing);
    return count * info.LineSpacing;
}

void TQRLayoutRun::DrawPageData(const QRectF &rect, const TQRFont &font, const QColor &color,
                                TAlignment alignment, TQRPageDataKind kind,
                                const QString &pattern) {
    if (!FCurrent)
        return;
    const TFontInfo &info = FontOf(font);
    TItem &item = FCurrent->Add();
    item.Kind = TQRDrawItem::PageDataItem;
    item.Rect = rect;
    item.Font = info.Id;
    item.Color = color.rgba();
    item.Alignment = AlignmentFlags(alignment);
    item.Data = kind;
    item.Text = pattern;
}

void TQRLayoutRun::DrawLine(QPointF from, QPointF to, double width, const QColor &color) {
    if (!FCurrent)
        return;
    TItem &item = FCurrent->Add();
    item.Kind = TQRDrawItem::LineItem;
    item.From = from;
    item.To = to;
    item.Width = width;
    item.Color = color.rgba();
}

void TQRLayoutRun::DrawShape(TQRShapeKind kind, const QRectF &rect, double penWidth,
                             const QColor &pen, const QColor &brush) {
    if (!FCurrent)
        return;
    TItem &item = FCurrent->Add();
    item.Kind = TQRDrawItem::ShapeItem;
    item.Shape = kind;
    item.Rect = rect;
    item.Width = penWidth;
    item.Color = pen.rgba();
    item.Brush = brush.rgba();
}

void TQRLayoutRun::StretchTo(double bottom) {
    if (FCurrent)
        FCurrent->Height = std::max(FCurrent->Height, bottom);
}

int TQRLayoutRun::RecordNumber() const {
    return FCurrent && FCurrent->Level ? FCurrent->Level->RecordNo : FReport.RecordNumber();
}

int TQRLayoutRun::RecordCount() const {
    return FCurrent && FCurrent->Level ? FCurrent->Level->RecordCount : 0;
}
