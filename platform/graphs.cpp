// Graph controls over QCustomPlot: the state each graph keeps, its
// coalesced replots, the legend, and the x range the mouse chooses.
//
// Facts owned here:
//  - a plot call only changes data and marks the graph dirty; one shared
//    single-shot timer replots the dirty graphs at most every
//    kMinReplotMs (20 per second: fluid to the eye, and drawing every one
//    of RUN's 26 frames a second cost a fifth more CPU), so a fast frame
//    stream never waits for drawing; a hidden graph replots when it is shown;
//  - what is drawn sits in two buffers: the frame (background, grid, axes,
//    tick labels, and the legend as a row above the plot area) and above it
//    the data (traces, curves, rectangles, cursors), clipped to the plot
//    area. While axis ranges, size and legend stay as they were, a replot
//    redraws only the data: a running measurement changes nothing else,
//    and the frame is most of the drawing;
//  - the mouse moves the x axis (PlotWidget): the user's range then holds
//    over the program's ranges, a rolling chart rolls under it, until a
//    double-click gives the program its range back.
#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/cvi.h"
#include "platform/graph_internal.h"
#include "platform/userint_internal.h"

namespace kui {

namespace {

enum {
    kMinReplotMs = 50,
    kMaxPointsPerScreen = 100000,
    kCursorMarkerSize = 7,
    kLegendColumns = 3,
};

const int kCursorColors[kMaxCursors] = {VAL_RED, 0x0000FF, 0x0000FF};
const double kMaxUserZoomIn = 1000.0, kMaxUserZoomOut = 10.0;  // x span against the program's
const double kLegendRowStretch = 0.001;  // the legend row keeps its own height
const char kDataLayer[] = "main";        // where QCustomPlot puts plottables and items
const double kDefaultXMin = 0.0, kDefaultXMax = 100.0, kDefaultYMin = 0.0, kDefaultYMax = 1.0;

std::vector<GraphState*> gGraphs;
QTimer* gReplotTimer = nullptr;
QElapsedTimer gSinceReplot;

}  // namespace

QColor Rgb(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void ReplotOne(GraphState* g) {
    QCustomPlot* p = g->plot;
    if (!p) return;
    if (g->legendStale) RebuildLegend(g);
    const bool frameAsDrawn = g->replots > 0 && g->drawnFrame == g->frame &&
                              g->drawnX == p->xAxis->range() && g->drawnY == p->yAxis->range() &&
                              g->drawnViewport == p->viewport();
    QCPLayer* data = p->layer(kDataLayer);
    if (frameAsDrawn && data) {
        data->replot();  // falls back to a whole replot when a buffer is stale
    } else {
        p->replot(QCustomPlot::rpRefreshHint);
        g->drawnFrame = g->frame;
        g->drawnX = p->xAxis->range();
        g->drawnY = p->yAxis->range();
        g->drawnViewport = p->viewport();
    }
    ++g->replots;
    g->dirty = 0;
}

namespace {

void FlushVisible() {
    for (GraphState* g : gGraphs)
        if (g->dirty && g->plot && g->plot->isVisible()) ReplotOne(g);
    gSinceReplot.restart();
}

void OnReplotTimer() {
    int retryMs = 0;
    if (LineTurnHeld(&retryMs)) {
        gReplotTimer->start(retryMs);
        return;
    }
    FlushVisible();
}

void ScheduleReplot() {
    if (!gReplotTimer) {
        gReplotTimer = new QTimer;
        gReplotTimer->setSingleShot(true);
        QObject::connect(gReplotTimer, &QTimer::timeout, OnReplotTimer);
    }
    if (gReplotTimer->isActive()) return;
    qint64 wait = 0;
    if (gSinceReplot.isValid()) {
        const qint64 since = gSinceReplot.elapsed();
        if (since < kMinReplotMs) wait = kMinReplotMs - since;
    }
    gReplotTimer->start(static_cast<int>(wait));
}

}  // namespace

// Cursors share the data layer, drawn in the order added: each new trace,
// curve or rectangle would cover them, so they go back on top.
void RaiseCursors(GraphState* g) {
    QCPLayer* data = g->plot->layer(kDataLayer);
    for (int i = 0; i < kMaxCursors; ++i) {
        g->cursorLine[i]->setLayer(data);
        g->cursorMark[i]->setLayer(data);
    }
}

void MarkDirty(GraphState* g) {
    g->dirty = 1;
    ScheduleReplot();
}

namespace {

// A shown legend is a row above the plot area, where no trace runs behind
// it; a hidden one gives its row back.
void ShowLegend(GraphState* g, bool show) {
    QCPLegend* legend = g->plot->legend;
    if (legend->visible() == show) return;
    QCPLayoutGrid* layout = g->plot->plotLayout();
    if (show) {
        layout->insertRow(0);
        layout->addElement(0, 0, legend);
        layout->setRowStretchFactor(0, kLegendRowStretch);
    } else {
        layout->take(legend);
        layout->simplify();
    }
    legend->setVisible(show);
    ++g->frame;
}

// The legend lists the named traces and curves that show and hold data: a

}  // namespace

// Rebuilt only when that list changes: new legend items mean a new layout
// on the next replot, too much to pay for every frame.
void RebuildLegend(GraphState* g) {
    g->legendStale = 0;
    QCPLegend* legend = g->plot->legend;
    QVector<QCPGraph*> wanted;
    if (g->legend) {
        for (size_t i = 0; i < g->traces.size(); ++i)
            if (static_cast<int>(i) < g->numTraces && !g->traces[i].name.isEmpty() &&
                !g->traces[i].samples.empty())
                wanted.append(g->traces[i].graph);
        for (Curve& cv : g->curves)
            if (cv.used && !cv.name.isEmpty()) wanted.append(cv.graph);
    }
    bool same = legend->itemCount() == wanted.size();
    for (int i = 0; same && i < wanted.size(); ++i) {
        auto* item = qobject_cast<QCPPlottableLegendItem*>(legend->item(i));
        same = item && item->plottable() == wanted[i];
    }
    if (!same) {
        legend->clearItems();
        for (QCPGraph* graph : wanted) graph->addToLegend(legend);
        ++g->frame;
    }
    ShowLegend(g, !wanted.isEmpty());
}

// A graph that changed while hidden is drawn when it is shown.
namespace {

class ShowWatcher : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show)
            for (GraphState* g : gGraphs)
                if (g->plot == o && g->dirty) ScheduleReplot();
        return QObject::eventFilter(o, e);
    }
};
ShowWatcher* gShowWatcher = nullptr;

GraphState* GraphOfPlot(const QCustomPlot* plot) {
    for (GraphState* g : gGraphs)
        if (g->plot == plot) return g;
    return nullptr;
}

}  // namespace

GraphState* StateOf(int panel, int control, int* err) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) {
        *err = ErrorFor(panel);
        return nullptr;
    }
    if (c->kind != kKindGraph || !c->graph || !c->graph->plot) {
        *err = kUiErrKind;
        return nullptr;
    }
    *err = 0;
    return c->graph;
}

int MakeValidRange(double* lo, double* hi) {
    if (!std::isfinite(*lo) || !std::isfinite(*hi)) return 0;
    if (*lo > *hi) std::swap(*lo, *hi);
    if (*lo == *hi) {
        *lo -= 0.5;
        *hi += 0.5;
    }
    return QCPRange::validRange(*lo, *hi) ? 1 : 0;
}

namespace {

double PropertyOr(QWidget* w, const char* name, double fallback) {
    const QVariant v = w->property(name);
    bool ok = false;
    const double d = v.isValid() ? v.toDouble(&ok) : 0.0;
    return ok && std::isfinite(d) ? d : fallback;
}

}  // namespace

// ============================================================ internal ===

GraphState* GraphAttach(Ctrl* c, QCustomPlot* plot) {
    auto* g = new GraphState;
    g->ctrl = c;
    g->plot = plot;
    // Plain drawing: thousands of points per frame stay cheap. A curve goes
    // to the painter as one polyline: QCustomPlot's "fast polylines" hint
    // draws each segment as a line of its own, which for unsmoothed thin
    // lines costs a third more.
    plot->setNotAntialiasedElements(QCP::aeAll);
    plot->setPlottingHint(QCP::phFastPolylines, false);
    // A replot only asks for a repaint: the window then paints every graph
    // and display that changed in one pass, not one pass per graph.
    plot->setPlottingHint(QCP::phImmediateRefresh, false);
    plot->setInteractions(QCP::Interactions());
    plot->setAutoAddPlottableToLegend(false);
    // A click gives the graph the keyboard, so its save key reaches it.
    plot->setFocusPolicy(Qt::ClickFocus);
    // Ranges before the program sets any; a form may give its own.
    double xl = PropertyOr(plot, "xmin", kDefaultXMin), xh = PropertyOr(plot, "xmax", kDefaultXMax);
    double yl = PropertyOr(plot, "ymin", kDefaultYMin), yh = PropertyOr(plot, "ymax", kDefaultYMax);
    if (!MakeValidRange(&xl, &xh)) xl = kDefaultXMin, xh = kDefaultXMax;
    if (!MakeValidRange(&yl, &yh)) yl = kDefaultYMin, yh = kDefaultYMax;
    g->progX = QCPRange(xl, xh);
    plot->xAxis->setRange(g->progX);
    plot->yAxis->setRange(yl, yh);
    // Two buffers: the frame (background, grid, axes, legend) below and the
    // data above it, so that a data-only replot redraws one buffer and the
    // window blends two. The data is clipped to the axis rectangle, so the
    // axes under it stay visible; the legend moves out of the plot area into
    // a row above it (see ShowLegend) and the overlay shares the frame's buffer.
    if (QCPLayer* overlay = plot->layer(QStringLiteral("overlay"))) {
        overlay->setMode(QCPLayer::lmLogical);
        if (QCPLayer* data = plot->layer(kDataLayer)) {
            plot->moveLayer(data, overlay, QCustomPlot::limAbove);
            data->setMode(QCPLayer::lmBuffered);
        }
    }
    plot->axisRect()->insetLayout()->take(plot->legend);
    plot->legend->setVisible(false);
    plot->legend->setFillOrder(QCPLayoutGrid::foColumnsFirst);
    plot->legend->setWrap(kLegendColumns);
    plot->legend->setBorderPen(Qt::NoPen);
    plot->legend->setBrush(Qt::NoBrush);
    for (int i = 0; i < kMaxCursors; ++i) {
        const QPen pen(Rgb(kCursorColors[i]));
        auto* line = new QCPItemStraightLine(plot);
        line->setPen(pen);
        line->setVisible(false);
        auto* mark = new QCPItemTracer(plot);
        mark->setStyle(QCPItemTracer::tsCircle);
        mark->setSize(kCursorMarkerSize);
        mark->setPen(pen);
        mark->setBrush(QBrush(Rgb(kCursorColors[i])));
        mark->setVisible(false);
        g->cursorLine[i] = line;
        g->cursorMark[i] = mark;
    }
    if (!gShowWatcher) gShowWatcher = new ShowWatcher;
    plot->installEventFilter(gShowWatcher);
    gGraphs.push_back(g);
    MarkDirty(g);
    return g;
}

void GraphDetach(GraphState* g) {
    if (!g) return;
    gGraphs.erase(std::remove(gGraphs.begin(), gGraphs.end(), g), gGraphs.end());
    delete g;  // the items belong to the plot widget
}

int GraphSetAttribute(Ctrl* c, int attribute, int value) {
    GraphState* g = c->graph;
    switch (attribute) {
        case ATTR_POINTS_PER_SCREEN:
            if (value < 1 || value > kMaxPointsPerScreen) return kUiErrValue;
            if (value == g->pointsPerScreen) return 0;
            g->pointsPerScreen = value;
            for (Trace& t : g->traces) {
                if (static_cast<int>(t.samples.size()) > value)
                    t.samples.erase(t.samples.begin(), t.samples.end() - value);
                t.samples.reserve(static_cast<size_t>(value));
                ShowTraceData(g, t);
            }
            StripXRange(g);
            MarkDirty(g);
            return 0;
        case ATTR_NUM_TRACES:
            if (value < 1 || value > kMaxTraces) return kUiErrValue;
            if (value == g->numTraces && static_cast<int>(g->traces.size()) >= value) return 0;
            if (value != g->numTraces) {
                // A new interleaving: the old samples belong to other traces.
                for (Trace& t : g->traces) {
                    t.samples.clear();
                    ShowTraceData(g, t);
                }
            }
            g->numTraces = value;
            MakeTraces(g, value);
            MarkDirty(g);
            return 0;
        case ATTR_STRIP_CHART_PAUSED:
            g->paused = value ? 1 : 0;
            return 0;
        case ATTR_LEGEND_VISIBLE:
            if ((value ? 1 : 0) == g->legend) return 0;
            g->legend = value ? 1 : 0;
            RebuildLegend(g);
            MarkDirty(g);
            return 0;
        default:
            return kUiErrKind;
    }
}

int GraphGetAttribute(Ctrl* c, int attribute, int* value) {
    GraphState* g = c->graph;
    switch (attribute) {
        case ATTR_POINTS_PER_SCREEN:
            *value = g->pointsPerScreen;
            return 0;
        case ATTR_NUM_TRACES:
            *value = g->numTraces;
            return 0;
        case ATTR_STRIP_CHART_PAUSED:
            *value = g->paused;
            return 0;
        case ATTR_LEGEND_VISIBLE:
            *value = g->legend;
            return 0;
        default:
            return kUiErrKind;
    }
}

int GraphUserX(const QCustomPlot* plot, double lower, double upper) {
    GraphState* g = GraphOfPlot(plot);
    if (!g || !std::isfinite(lower) || !std::isfinite(upper) || !(lower < upper)) return 0;
    // Zoomed in to a sliver or out to a speck, the picture says nothing:
    // the span stays within bounds of the program's own.
    const double span = upper - lower, own = g->progX.size();
    if (own > 0.0 && (span < own / kMaxUserZoomIn || span > own * kMaxUserZoomOut))
        return 0;
    if (!QCPRange::validRange(lower, upper)) return 0;
    g->userX = 1;
    g->plot->xAxis->setRange(lower, upper);
    MarkDirty(g);
    return 1;
}

void GraphAutoX(const QCustomPlot* plot) {
    GraphState* g = GraphOfPlot(plot);
    if (!g || !g->userX) return;
    g->userX = 0;
    g->plot->xAxis->setRange(g->progX);
    MarkDirty(g);
}

void GraphFlushAll(void) {
    for (GraphState* g : gGraphs)
        if (g->dirty && g->plot) ReplotOne(g);
    gSinceReplot.restart();
}

void GraphFlushDue(void) {
    if (!gReplotTimer || !gReplotTimer->isActive()) return;  // nothing waits
    if (gSinceReplot.isValid() && gSinceReplot.elapsed() < kMinReplotMs) return;
    gReplotTimer->stop();
    FlushVisible();
}

}  // namespace kui
