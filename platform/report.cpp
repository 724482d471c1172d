// PDF reports: the program lists texts, table rows and graphs; the
// document is laid out on A4 pages by QPdfWriter and written through
// SaveWhole, so a failed write leaves no partial PDF under the name.
// A report's document and table are named from one chosen name: the
// document ends in ".pdf", the table in ".csv", never the same file.
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <cstring>
#include <vector>

#include "platform/cvi.h"
#include "platform/host.h"
#include "platform/savefile.h"
#include "platform/userint_internal.h"

namespace {

enum ItemKind { kItemText, kItemRow, kItemGraph };
enum {
    kResolution = 300,  // dots per inch of the PDF's drawing space
    kMarginMm = 15,
    kPageWidthMm = 210 - 2 * kMarginMm,
    kMinGraphWide = 400,  // bounds of a graph's layout width, in screen pixels
    kMaxGraphWide = 1400,
    kMaxCells = 8,
};
// A graph is laid out so narrow that its smallest text (tick labels,
// legend) is this size on paper, and drawn with this many pixels per
// layout pixel, sharp at the PDF's resolution.
const double kGraphTextPoints = 9.0;
const double kGraphSharpness = 2.5;
const double kPointsPerMm = 72.0 / 25.4;
const char kFontFamily[] = "DejaVu Sans";
const char kMonoFamily[] = "DejaVu Sans Mono";
const char kPdfSuffix[] = "pdf";
const char kCsvSuffix[] = "csv";
const int kPointSizes[] = {16, 11, 9};  // title, heading, text
const double kFirstColumnShare = 0.34;
const QColor kMarkedFill(255, 220, 220);
const QColor kHeaderFill(225, 225, 225);

struct Item {
    ItemKind kind;
    int style;
    QStringList cells;  // text: one cell
    QPixmap picture;
    double textPx;  // graph: smallest text, in layout pixels
    double layoutWide;
};

std::vector<Item> gItems;
QString gTitle;
// Where the last report put its items (read back by the tests).
std::vector<int> gItemPage;
double gSmallestGraphPoints = 0.0;

struct Layout {
    QPainter* painter;
    QPdfWriter* writer;
    int width, height;  // drawable area in device units
    int y;
    int page;
};

// Starts a new page when h more units do not fit.
void Room(Layout& l, int h) {
    if (l.y + h <= l.height || l.y == 0) return;
    l.writer->newPage();
    l.y = 0;
    ++l.page;
}

// Height of a text item and the gap it keeps; sets the painter's font.
int TextHeight(Layout& l, const Item& it, int* gap) {
    QFont f(QLatin1String(kFontFamily), kPointSizes[it.style]);
    f.setBold(it.style != VAL_REPORT_TEXT);
    l.painter->setFont(f);
    const QRect r = l.painter->boundingRect(QRect(0, 0, l.width, l.height), Qt::TextWordWrap,
                                            it.cells.value(0));
    *gap = l.painter->fontMetrics().height() / (it.style == VAL_REPORT_TEXT ? 4 : 1);
    return r.height();
}

int RowHeight(Layout& l, const Item& it) {
    QFont f(QLatin1String(kMonoFamily), kPointSizes[VAL_REPORT_TEXT]);
    f.setBold(it.style == VAL_ROW_HEADER);
    l.painter->setFont(f);
    return l.painter->fontMetrics().height() * 14 / 10;
}

int GraphHeight(const Layout& l, const Item& it) {
    return static_cast<int>(static_cast<double>(it.picture.height()) * l.width /
                            it.picture.width());
}

// Room an item takes on the page, its gaps included.
int HeightOf(Layout& l, const Item& it) {
    int gap = 0;
    if (it.kind == kItemText) return TextHeight(l, it, &gap) + gap;
    if (it.kind == kItemRow) return RowHeight(l, it);
    const int h = GraphHeight(l, it);
    return h + h / 20;
}

void DrawText(Layout& l, const Item& it) {
    int gap = 0;
    const int height = TextHeight(l, it, &gap);
    const QRect r(0, 0, l.width, height);
    Room(l, r.height() + gap);
    if (it.style != VAL_REPORT_TEXT) l.y += gap / 2;
    l.painter->drawText(QRect(0, l.y, l.width, r.height()), Qt::TextWordWrap, it.cells.value(0));
    l.y += r.height() + gap / 2;
}

void DrawRow(Layout& l, const Item& it) {
    const int h = RowHeight(l, it);
    Room(l, h);
    if (it.style != VAL_ROW_PLAIN)
        l.painter->fillRect(QRect(0, l.y, l.width, h),
                            it.style == VAL_ROW_MARKED ? kMarkedFill : kHeaderFill);
    const int n = static_cast<int>(it.cells.size());
    const int first = n > 1 ? static_cast<int>(l.width * kFirstColumnShare) : l.width;
    const int rest = n > 1 ? (l.width - first) / (n - 1) : 0;
    const int pad = h / 4;
    int x = 0;
    for (int i = 0; i < n; ++i) {
        const int w = i == 0 ? first : rest;
        l.painter->drawText(QRect(x + pad, l.y, w - pad, h), Qt::AlignVCenter | Qt::AlignLeft,
                            it.cells[i]);
        x += w;
    }
    l.painter->setPen(QPen(Qt::lightGray));
    l.painter->drawLine(0, l.y + h, l.width, l.y + h);
    l.painter->setPen(QPen(Qt::black));
    l.y += h;
}

void DrawGraph(Layout& l, const Item& it) {
    const int h = GraphHeight(l, it);
    Room(l, h);
    l.painter->drawPixmap(QRect(0, l.y, l.width, h), it.picture);
    l.y += h + h / 20;
    const double points = it.textPx * (l.width * 72.0 / kResolution) / it.layoutWide;
    if (gSmallestGraphPoints == 0.0 || points < gSmallestGraphPoints) gSmallestGraphPoints = points;
}

bool IsHeading(const Item& it) {
    return it.kind == kItemText && it.style != VAL_REPORT_TEXT;
}

void Add(ItemKind kind, int style, const QStringList& cells) {
    Item it;
    it.kind = kind;
    it.style = style;
    it.cells = cells;
    gItems.push_back(it);
}

}  // namespace

void ReportBegin(const char* title) {
    gItems.clear();
    gTitle = kui::FromC(title ? title : "", nullptr);
}

void ReportAddText(const char* text, int style) {
    if (style < VAL_REPORT_TITLE || style > VAL_REPORT_TEXT) style = VAL_REPORT_TEXT;
    Add(kItemText, style, {kui::FromC(text ? text : "", nullptr)});
}

void ReportAddRow(const char* const* cells, int count, int style) {
    if (!cells || count < 1) return;
    if (count > kMaxCells) count = kMaxCells;
    QStringList row;
    for (int i = 0; i < count; ++i) row << kui::FromC(cells[i] ? cells[i] : "", nullptr);
    Add(kItemRow, style, row);
}

int ReportAddGraph(int panel, int control, const char* caption) {
    kui::Ctrl* c = kui::FindCtrl(panel, control);
    if (!c || c->kind != kui::kKindGraph || !c->widget || c->widget->width() < 1)
        return kui::kUiErrKind;
    // Laid out as on screen (its proportions), narrow enough that its text
    // is readable on paper.
    const double textPx = kui::GraphTextPixels(c);
    double wide = textPx * kPageWidthMm * kPointsPerMm / kGraphTextPoints;
    if (wide < kMinGraphWide) wide = kMinGraphWide;
    if (wide > kMaxGraphWide) wide = kMaxGraphWide;
    const int w = static_cast<int>(wide);
    const int h = w * c->widget->height() / c->widget->width();
    const QPixmap picture = kui::GraphPicture(c, w, h, kGraphSharpness);
    if (picture.isNull() || picture.width() < 1) return kui::kUiErrKind;
    if (caption && *caption) ReportAddText(caption, VAL_REPORT_HEADING);
    Item it;
    it.kind = kItemGraph;
    it.style = 0;
    it.picture = picture;
    it.textPx = textPx;
    it.layoutWide = wide;
    gItems.push_back(it);
    return 0;
}

// The document into device; false when it cannot be drawn.
bool WritePdf(QIODevice& device) {
    QPdfWriter writer(&device);
    writer.setResolution(kResolution);
    writer.setTitle(gTitle);
    writer.setCreator(QStringLiteral("Kovexa"));
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait,
                                     QMarginsF(kMarginMm, kMarginMm, kMarginMm, kMarginMm),
                                     QPageLayout::Millimeter));
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    Layout l{&painter, &writer, writer.width(), writer.height(), 0, 1};
    gItemPage.clear();
    gSmallestGraphPoints = 0.0;
    for (size_t i = 0; i < gItems.size(); ++i) {
        const Item& it = gItems[i];
        // A heading stays on the page of what it heads.
        if (IsHeading(it) && i + 1 < gItems.size())
            Room(l, HeightOf(l, it) + HeightOf(l, gItems[i + 1]));
        if (it.kind == kItemText) DrawText(l, it);
        if (it.kind == kItemRow) DrawRow(l, it);
        if (it.kind == kItemGraph) DrawGraph(l, it);
        gItemPage.push_back(l.page);
    }
    return painter.end();
}

int ReportSave(const char* path) {
    if (!path || !*path) return kui::kUiErrValue;
    return kui::UiSaveResult(kui::SaveWhole(QFile::decodeName(path), WritePdf));
}

int ReportFileNames(const char* chosen, char* pdf, char* csv, int size) {
    if (!chosen || !pdf || !csv || size < 1) return 0;
    pdf[0] = csv[0] = '\0';
    const QString name = QFile::decodeName(chosen);
    if (name.isEmpty()) return 0;
    const QFileInfo info(name);
    const QString suffix = info.suffix().toLower();
    QString base = name;
    if (suffix == QLatin1String(kPdfSuffix) || suffix == QLatin1String(kCsvSuffix))
        base.chop(suffix.size() + 1);
    if (base.isEmpty() || base.endsWith(QLatin1Char('/'))) return 0;
    const QByteArray pdfName = QFile::encodeName(base + QLatin1Char('.') + kPdfSuffix);
    const QByteArray csvName = QFile::encodeName(base + QLatin1Char('.') + kCsvSuffix);
    if (pdfName.size() >= size || csvName.size() >= size) return 0;
    std::memcpy(pdf, pdfName.constData(), static_cast<size_t>(pdfName.size()) + 1);
    std::memcpy(csv, csvName.constData(), static_cast<size_t>(csvName.size()) + 1);
    return 1;
}

int HostReportItemPage(int index) {
    return index >= 0 && index < static_cast<int>(gItemPage.size())
               ? gItemPage[static_cast<size_t>(index)]
               : 0;
}

double HostReportGraphTextPoints(void) {
    return gSmallestGraphPoints;
}

int HostReportText(char* out, int size) {
    QStringList lines;
    for (const Item& it : gItems)
        if (it.kind != kItemGraph) lines << it.cells.join(QLatin1Char('\t'));
    return kui::CopyOut(lines.join(QLatin1Char('\n')), out, size, 0);
}
