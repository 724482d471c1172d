// What a graph shows, saved: as a CSV table (strip chart traces, XY curves,
// or cursors and rectangles) and as a picture on white.
#include <qcustomplot.h>

#include <QPainter>
#include <QPixmap>
#include <QStringList>
#include <algorithm>
#include <vector>

#include "platform/graph_internal.h"
#include "platform/userint_internal.h"

namespace kui {

namespace {

const char kCsvSeparator = ',';

QString CsvCell(const QString& text) {
    if (!text.contains(QLatin1Char(kCsvSeparator)) && !text.contains(QLatin1Char('"'))) return text;
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString CsvNumber(double v) {
    return QString::number(v, 'g', 10);
}

void CsvRow(const QStringList& cells, QString* out) {
    out->append(cells.join(QLatin1Char(kCsvSeparator)));
    out->append(QLatin1Char('\n'));
}

QString NameOr(const QString& name, const char* kind, int number) {
    return name.isEmpty() ? QStringLiteral("%1 %2").arg(QLatin1String(kind)).arg(number) : name;
}

// Strip chart: one row per sample position, one column per trace shown.
void StripTable(GraphState* g, QString* out) {
    const int traces = std::min(g->numTraces, static_cast<int>(g->traces.size()));
    QStringList header{QStringLiteral("sample")};
    size_t rows = 0;
    for (int t = 0; t < traces; ++t) {
        header << CsvCell(NameOr(g->traces[static_cast<size_t>(t)].name, "trace", t + 1));
        rows = std::max(rows, g->traces[static_cast<size_t>(t)].samples.size());
    }
    CsvRow(header, out);
    for (size_t i = 0; i < rows; ++i) {
        QStringList row{QString::number(i)};
        for (int t = 0; t < traces; ++t) {
            const std::vector<double>& s = g->traces[static_cast<size_t>(t)].samples;
            row << (i < s.size() ? CsvNumber(s[i]) : QString());
        }
        CsvRow(row, out);
    }
}

// XY curves in plotting order: one x column when they share their x
// positions, else an x column of its own before each curve.
void CurveTable(GraphState* g, QString* out) {
    const std::vector<const Curve*> used = CurvesInPlotOrder(g);
    std::vector<std::vector<QCPGraphData>> data;
    size_t rows = 0;
    for (const Curve* c : used) {
        data.emplace_back(c->graph->data()->constBegin(), c->graph->data()->constEnd());
        rows = std::max(rows, data.back().size());
    }
    bool sharedX = true;
    for (const auto& d : data) {
        if (d.size() != data.front().size()) sharedX = false;
        for (size_t i = 0; sharedX && i < d.size(); ++i)
            if (d[i].key != data.front()[i].key) sharedX = false;
    }
    QStringList header;
    if (sharedX) header << QStringLiteral("x");
    for (size_t k = 0; k < used.size(); ++k) {
        const QString name = CsvCell(NameOr(used[k]->name, "curve", static_cast<int>(k) + 1));
        if (!sharedX) header << QStringLiteral("x ") + name;
        header << name;
    }
    CsvRow(header, out);
    for (size_t i = 0; i < rows; ++i) {
        QStringList row;
        if (sharedX) row << CsvNumber(data.front()[i].key);
        for (const auto& d : data) {
            if (!sharedX) row << (i < d.size() ? CsvNumber(d[i].key) : QString());
            row << (i < d.size() ? CsvNumber(d[i].value) : QString());
        }
        CsvRow(row, out);
    }
}

// A graph of cursors and rectangles (the bar graph): one row per item.
void ItemTable(GraphState* g, QString* out) {
    CsvRow({QStringLiteral("item"), QStringLiteral("x1"), QStringLiteral("y1"),
            QStringLiteral("x2"), QStringLiteral("y2")},
           out);
    for (int i = 0; i < kMaxCursors; ++i)
        if (g->cursorSet[i])
            CsvRow({QStringLiteral("cursor %1").arg(i + 1), CsvNumber(g->cursorX[i]),
                    CsvNumber(g->cursorY[i]), CsvNumber(g->cursorX[i]), CsvNumber(g->cursorY[i])},
                   out);
    int n = 0;
    for (const RectItem& r : g->rects)
        if (r.used)
            CsvRow({CsvCell(NameOr(r.name, "rectangle", ++n)), CsvNumber(r.x1), CsvNumber(r.y1),
                    CsvNumber(r.x2), CsvNumber(r.y2)},
                   out);
}

}  // namespace

int GraphTableText(Ctrl* c, QString* out) {
    if (!c || c->kind != kKindGraph || !c->graph || !c->graph->plot || !out) return 0;
    GraphState* g = c->graph;
    out->clear();
    int curves = 0;
    for (const Curve& cv : g->curves) curves += cv.used;
    if (!g->traces.empty())
        StripTable(g, out);
    else if (curves)
        CurveTable(g, out);
    else
        ItemTable(g, out);
    return 1;
}

QPixmap GraphPicture(Ctrl* c, int width, int height, double scale) {
    if (!c || c->kind != kKindGraph || !c->graph || !c->graph->plot) return QPixmap();
    GraphState* g = c->graph;
    if (g->dirty) ReplotOne(g);
    QCustomPlot* p = g->plot;
    // On white: the graph draws no background of its own (PlotWidget), and
    // its drawing leaves the last pixel row out.
    const QPixmap drawn = p->toPixmap(width, height, scale);
    // toPixmap lays the graph out for the picture's size and leaves that
    // layout behind; a data-only replot would then draw the screen's data
    // with the picture's geometry. Lay it out for the screen again now.
    p->replot(QCustomPlot::rpQueuedRefresh);
    QPixmap picture(drawn.size());
    picture.setDevicePixelRatio(drawn.devicePixelRatio());
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawPixmap(0, 0, drawn);
    return picture;
}

double GraphTextPixels(Ctrl* c) {
    if (!c || c->kind != kKindGraph || !c->graph || !c->graph->plot) return 0.0;
    QCustomPlot* p = c->graph->plot;
    const QFont fonts[] = {p->xAxis->tickLabelFont(), p->yAxis->tickLabelFont(), p->legend->font()};
    double smallest = 0.0;
    for (const QFont& f : fonts) {
        const double px =
            f.pixelSize() > 0 ? f.pixelSize() : f.pointSizeF() * p->logicalDpiY() / 72.0;
        if (smallest == 0.0 || px < smallest) smallest = px;
    }
    return smallest;
}

}  // namespace kui
