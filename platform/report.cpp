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
#include "platform/savefile.h"
#include "platform/userint_internal.h"

namespace {

enum ItemKind { kItemText, kItemRow, kItemGraph };
enum {
    kResolution = 300,  // dots per inch of the PDF's drawing space
    kMarginMm = 15,
    kGraphPixelsWide = 1400,  // graphs drawn at this size, then scaled
    kGraphPixelsHigh = 440,
    kMaxCells = 8,
};
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
};

std::vector<Item> gItems;
QString gTitle;

struct Layout {
    QPainter* painter;
    QPdfWriter* writer;
    int width, height;  // drawable area in device units
    int y;
};

// Starts a new page when h more units do not fit.
void Room(Layout& l, int h) {
    if (l.y + h <= l.height || l.y == 0) return;
    l.writer->newPage();
    l.y = 0;
}

void DrawText(Layout& l, const Item& it) {
    QFont f(QLatin1String(kFontFamily), kPointSizes[it.style]);
    f.setBold(it.style != VAL_REPORT_TEXT);
    l.painter->setFont(f);
    const QRect r = l.painter->boundingRect(QRect(0, 0, l.width, l.height), Qt::TextWordWrap,
                                            it.cells.value(0));
    const int gap = l.painter->fontMetrics().height() / (it.style == VAL_REPORT_TEXT ? 4 : 1);
    Room(l, r.height() + gap);
    if (it.style != VAL_REPORT_TEXT) l.y += gap / 2;
    l.painter->drawText(QRect(0, l.y, l.width, r.height()), Qt::TextWordWrap, it.cells.value(0));
    l.y += r.height() + gap / 2;
}

void DrawRow(Layout& l, const Item& it) {
    QFont f(QLatin1String(kMonoFamily), kPointSizes[VAL_REPORT_TEXT]);
    f.setBold(it.style == VAL_ROW_HEADER);
    l.painter->setFont(f);
    const int h = l.painter->fontMetrics().height() * 14 / 10;
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
    const int h = it.picture.height() * l.width / it.picture.width();
    Room(l, h);
    l.painter->drawPixmap(QRect(0, l.y, l.width, h), it.picture);
    l.y += h + h / 20;
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
    const QPixmap picture =
        kui::GraphPicture(kui::FindCtrl(panel, control), kGraphPixelsWide, kGraphPixelsHigh);
    if (picture.isNull() || picture.width() < 1) return kui::kUiErrKind;
    if (caption && *caption) ReportAddText(caption, VAL_REPORT_HEADING);
    Item it;
    it.kind = kItemGraph;
    it.style = 0;
    it.picture = picture;
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
    Layout l{&painter, &writer, writer.width(), writer.height(), 0};
    for (const Item& it : gItems) {
        if (it.kind == kItemText) DrawText(l, it);
        if (it.kind == kItemRow) DrawRow(l, it);
        if (it.kind == kItemGraph) DrawGraph(l, it);
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
