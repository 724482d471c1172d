// Graph controls over QCustomPlot: axes, cursors, filled rectangles, XY
// curves and the interleaved strip chart, plus their read-back for tests.
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
//  - data is replaced in place: a curve or trace of the same length reuses
//    its data container, rectangles and curves come from per-graph pools
//    (DeleteGraphPlot hides them, the next plot call reuses them);
//  - cursors 1..3 are a vertical line across the plot with a marker at
//    (x, y), cursor 1 red and 2, 3 blue; they are not plots and survive
//    DeleteGraphPlot;
//  - strip chart: value i of a call belongs to trace i % traces + 1; each
//    trace shows its last ATTR_POINTS_PER_SCREEN samples at x = 0, 1, ...;
//    with ATTR_STRIP_CHART_PAUSED = 1 a call replaces what is shown, else
//    it scrolls on;
//  - the mouse moves the x axis (PlotWidget): the user's range then holds
//    over the program's ranges, a rolling chart rolls under it, until a
//    double-click gives the program its range back;
//  - a manual axis range with min > max is swapped, min == max widened to
//    (v - 0.5, v + 0.5); a range that is not finite is refused;
//  - traces and plots may be named; the names head the columns of a saved
//    table and, with ATTR_LEGEND_VISIBLE, fill the legend.
#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/cvi.h"
#include "platform/host.h"
#include "platform/userint_internal.h"

namespace kui {

namespace {

enum {
    kMinReplotMs = 50,
    kMaxCursors = 3,
    kMaxTraces = 64,
    kMaxPointsPerScreen = 100000,
    kDefaultPointsPerScreen = 100,
    kMaxCurvePoints = 1000000,
    kCursorMarkerSize = 7,
    kLegendColumns = 3,
};

const int kCursorColors[kMaxCursors] = {VAL_RED, 0x0000FF, 0x0000FF};
const int kTraceColors[] = {VAL_RED,  VAL_DK_GREEN, 0x0000FF, VAL_BLACK,
                            0xFF00FF, 0x008080,     0x808000, VAL_DK_GRAY};
const double kMaxUserZoomIn = 1000.0, kMaxUserZoomOut = 10.0;  // x span against the program's
const double kLegendRowStretch = 0.001;  // the legend row keeps its own height
const char kDataLayer[] = "main";        // where QCustomPlot puts plottables and items
const double kDefaultXMin = 0.0, kDefaultXMax = 100.0, kDefaultYMin = 0.0, kDefaultYMax = 1.0;

struct Curve {
    QCPGraph* graph = nullptr;
    int handle = 0;
    int used = 0;
    int color = -1;
    int lineStyle = -1;
    int plotStyle = -1;
    QString name;
    QVector<QCPGraphData> scratch;
};

struct RectItem {
    QCPItemRect* item = nullptr;
    int handle = 0;
    int used = 0;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    int color = -1, fill = -1;
    QString name;
};

struct Trace {
    QCPGraph* graph = nullptr;
    std::vector<double> samples;  // oldest first, at most points per screen
    int color = 0;
    QString name;
    QVector<QCPGraphData> scratch;
};

}  // namespace

struct GraphState {
    Ctrl* ctrl = nullptr;
    QPointer<QCustomPlot> plot;
    QCPItemStraightLine* cursorLine[kMaxCursors] = {};
    QCPItemTracer* cursorMark[kMaxCursors] = {};
    int cursorSet[kMaxCursors] = {};
    double cursorX[kMaxCursors] = {}, cursorY[kMaxCursors] = {};
    std::vector<Curve> curves;
    std::vector<RectItem> rects;
    int nextHandle = 1;
    int pointsPerScreen = kDefaultPointsPerScreen;
    int numTraces = 1;
    int paused = 0;
    std::vector<Trace> traces;
    int xManual = 0, xAuto = 0, yAuto = 0;
    int userX = 0;   // the mouse chose the x range shown
    QCPRange progX;  // the program's manual x range, shown unless userX
    int legend = 0;
    int legendStale = 0;  // its list is rebuilt at the next replot
    int dirty = 0;
    long replots = 0;
    // The frame as last drawn; a change of any of these redraws it.
    unsigned frame = 0, drawnFrame = 0;
    QCPRange drawnX, drawnY;
    QRect drawnViewport;
};

namespace {

std::vector<GraphState*> gGraphs;
QTimer* gReplotTimer = nullptr;
QElapsedTimer gSinceReplot;

QColor Rgb(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
int FromRgb(const QColor& q) {
    return (q.red() << 16) | (q.green() << 8) | q.blue();
}

void RebuildLegend(GraphState* g);

void ReplotOne(GraphState* g) {
    QCustomPlot* p = g->plot;
    if (!p) return;
    if (g->xAuto && !g->userX) p->xAxis->rescale(true);
    if (g->yAuto) p->yAxis->rescale(true);
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
// trace that has drawn nothing yet has no colour of its own to explain.
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

GraphState* StateOf(int panel, int control, int* err) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) {
        *err = FindPanel(panel) ? kUiErrControl : kUiErrPanel;
        return nullptr;
    }
    if (c->kind != kKindGraph || !c->graph || !c->graph->plot) {
        *err = kUiErrKind;
        return nullptr;
    }
    *err = 0;
    return c->graph;
}

// Writes n points into a graph's data, reusing its container when the
// length is unchanged (the common case: every frame the same length).
template <class KeyFn, class ValueFn>
void FillGraph(QCPGraph* graph, int n, KeyFn key, ValueFn value, QVector<QCPGraphData>& scratch) {
    QSharedPointer<QCPGraphDataContainer> data = graph->data();
    bool sorted = true;
    if (data->size() == n) {
        double last = -HUGE_VAL;
        int i = 0;
        for (auto it = data->begin(); it != data->end(); ++it, ++i) {
            it->key = key(i);
            it->value = value(i);
            if (it->key < last) sorted = false;
            last = it->key;
        }
        if (!sorted) data->sort();
        return;
    }
    scratch.resize(n);
    double last = -HUGE_VAL;
    for (int i = 0; i < n; ++i) {
        scratch[i].key = key(i);
        scratch[i].value = value(i);
        if (scratch[i].key < last) sorted = false;
        last = scratch[i].key;
    }
    data->set(scratch, sorted);
}

void MakeTraces(GraphState* g, int count) {
    QCustomPlot* p = g->plot;
    const size_t had = g->traces.size();
    while (static_cast<int>(g->traces.size()) < count) {
        Trace t;
        t.graph = p->addGraph(p->xAxis, p->yAxis);
        const int i = static_cast<int>(g->traces.size());
        t.color = kTraceColors[i % static_cast<int>(sizeof kTraceColors / sizeof kTraceColors[0])];
        t.graph->setPen(QPen(Rgb(t.color)));
        t.graph->setLineStyle(QCPGraph::lsLine);
        t.samples.reserve(static_cast<size_t>(g->pointsPerScreen));
        g->traces.push_back(std::move(t));
    }
    bool changed = g->traces.size() != had;
    if (changed) RaiseCursors(g);
    for (size_t i = 0; i < g->traces.size(); ++i) {
        const bool shown = static_cast<int>(i) < g->numTraces;
        if (g->traces[i].graph->visible() != shown) changed = true;
        g->traces[i].graph->setVisible(shown);
    }
    if (changed && g->legend) RebuildLegend(g);
}

void ShowTraceData(GraphState* g, Trace& t) {
    const std::vector<double>& s = t.samples;
    FillGraph(
        t.graph, static_cast<int>(s.size()), [](int i) { return static_cast<double>(i); },
        [&s](int i) { return s[static_cast<size_t>(i)]; }, t.scratch);
    (void)g;
}

// The program's x range; the axis shows it unless the user chose another.
void SetProgramX(GraphState* g, const QCPRange& r) {
    g->progX = r;
    if (!g->userX) g->plot->xAxis->setRange(r);
}

void StripXRange(GraphState* g) {
    if (!g->xManual && !g->xAuto)
        SetProgramX(g, QCPRange(0.0, static_cast<double>(g->pointsPerScreen - 1)));
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
    if (!g->xAuto && own > 0.0 && (span < own / kMaxUserZoomIn || span > own * kMaxUserZoomOut))
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
    if (!g->xAuto) g->plot->xAxis->setRange(g->progX);
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

using namespace kui;

// ============================================================= API ======

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (axis != VAL_XAXIS && axis != VAL_LEFT_YAXIS) return kUiErrValue;
    QCPAxis* a = axis == VAL_XAXIS ? g->plot->xAxis : g->plot->yAxis;
    if (mode == VAL_AUTOSCALE) {
        (axis == VAL_XAXIS ? g->xAuto : g->yAuto) = 1;
        if (axis == VAL_XAXIS) g->xManual = 0;
        MarkDirty(g);
        return 0;
    }
    if (mode != VAL_MANUAL) return kUiErrValue;
    if (!MakeValidRange(&min, &max)) return kUiErrValue;
    if (axis == VAL_XAXIS) {
        const bool same = g->xManual && g->progX.lower == min && g->progX.upper == max;
        g->xAuto = 0;
        g->xManual = 1;
        if (same) return 0;
        SetProgramX(g, QCPRange(min, max));
        MarkDirty(g);
        return 0;
    }
    g->yAuto = 0;
    const QCPRange r = a->range();
    if (r.lower == min && r.upper == max) return 0;
    a->setRange(min, max);
    MarkDirty(g);
    return 0;
}

int SetGraphCursor(int panel, int control, int cursor, double x, double y) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (cursor < 1 || cursor > kMaxCursors) return kUiErrValue;
    if (!std::isfinite(x) || !std::isfinite(y)) return kUiErrValue;
    const int i = cursor - 1;
    if (g->cursorSet[i] && g->cursorX[i] == x && g->cursorY[i] == y) return 0;
    g->cursorSet[i] = 1;
    g->cursorX[i] = x;
    g->cursorY[i] = y;
    g->cursorLine[i]->point1->setCoords(x, 0.0);
    g->cursorLine[i]->point2->setCoords(x, 1.0);
    g->cursorLine[i]->setVisible(true);
    g->cursorMark[i]->position->setCoords(x, y);
    g->cursorMark[i]->setVisible(true);
    MarkDirty(g);
    return 0;
}

int DeleteGraphPlot(int panel, int control, int plotHandle, int refresh) {
    (void)refresh;  // drawing is always coalesced
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    int found = 0;
    for (RectItem& r : g->rects)
        if (r.used && (plotHandle == VAL_ALL_PLOTS || r.handle == plotHandle)) {
            r.used = 0;
            r.name.clear();
            r.item->setVisible(false);
            found = 1;
        }
    for (Curve& cv : g->curves)
        if (cv.used && (plotHandle == VAL_ALL_PLOTS || cv.handle == plotHandle)) {
            cv.used = 0;
            cv.name.clear();
            cv.graph->setVisible(false);
            found = 1;
        }
    // A frame's curves are deleted and plotted again under the same names:
    // the legend is settled at the replot, not emptied and filled per call.
    if (found && g->legend) g->legendStale = 1;
    if (found) MarkDirty(g);
    if (!found && plotHandle != VAL_ALL_PLOTS) return kUiErrValue;
    return 0;
}

int PlotRectangle(int panel, int control, double x1, double y1, double x2, double y2, int color,
                  int fillColor) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return kUiErrValue;
    RectItem* r = nullptr;
    for (RectItem& each : g->rects)
        if (!each.used) {
            r = &each;
            break;
        }
    if (!r) {
        RectItem fresh;
        fresh.item = new QCPItemRect(g->plot);
        g->rects.push_back(fresh);
        RaiseCursors(g);
        r = &g->rects.back();
    }
    r->used = 1;
    r->handle = g->nextHandle++;
    r->x1 = x1;
    r->y1 = y1;
    r->x2 = x2;
    r->y2 = y2;
    r->item->topLeft->setCoords(std::min(x1, x2), std::max(y1, y2));
    r->item->bottomRight->setCoords(std::max(x1, x2), std::min(y1, y2));
    if (r->color != color) {
        r->color = color;
        r->item->setPen(QPen(Rgb(color)));
    }
    if (r->fill != fillColor) {
        r->fill = fillColor;
        r->item->setBrush(QBrush(Rgb(fillColor)));
    }
    r->item->setVisible(true);
    MarkDirty(g);
    return r->handle;
}

int PlotXY(int panel, int control, const double* x, const uint16_t* y, int n, int plotStyle,
           int pointStyle, int lineStyle, int pointFrequency, int color) {
    (void)pointStyle;      // curves are drawn without point markers
    (void)pointFrequency;  // (VAL_NO_POINT is all the program uses)
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (!x || !y || n < 1 || n > kMaxCurvePoints) return kUiErrValue;
    for (int i = 0; i < n; ++i)
        if (!std::isfinite(x[i])) return kUiErrValue;
    Curve* cv = nullptr;
    for (Curve& each : g->curves)
        if (!each.used) {
            cv = &each;
            break;
        }
    if (!cv) {
        Curve fresh;
        fresh.graph = g->plot->addGraph(g->plot->xAxis, g->plot->yAxis);
        g->curves.push_back(std::move(fresh));
        RaiseCursors(g);
        cv = &g->curves.back();
    }
    cv->used = 1;
    cv->handle = g->nextHandle++;
    if (cv->color != color || cv->lineStyle != lineStyle) {
        cv->color = color;
        cv->lineStyle = lineStyle;
        QPen pen(Rgb(color));
        pen.setStyle(lineStyle == VAL_DASH ? Qt::DashLine : Qt::SolidLine);
        cv->graph->setPen(pen);
        if (g->legend) ++g->frame;
    }
    if (cv->plotStyle != plotStyle) {
        cv->plotStyle = plotStyle;
        cv->graph->setLineStyle(plotStyle == VAL_THIN_STEP ? QCPGraph::lsStepLeft
                                                           : QCPGraph::lsLine);
    }
    FillGraph(
        cv->graph, n, [x](int i) { return x[i]; }, [y](int i) { return static_cast<double>(y[i]); },
        cv->scratch);
    cv->graph->setVisible(true);
    MarkDirty(g);
    return cv->handle;
}

int PlotStripChart(int panel, int control, const double* values, int n, int start, int skip) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (!values || n < 0 || start < 0 || skip < 0) return kUiErrValue;
    MakeTraces(g, g->numTraces);
    const int traces = g->numTraces;
    const int pps = g->pointsPerScreen;
    const long step = static_cast<long>(skip) + 1;
    int gotFirstData = 0;  // the legend lists a trace once it holds data
    for (int t = 0; t < traces; ++t) {
        Trace& tr = g->traces[static_cast<size_t>(t)];
        std::vector<double>& s = tr.samples;
        if (s.empty() && t < n) gotFirstData = 1;
        if (g->paused) s.clear();
        // This trace's values of the call: i = t, t + traces, ...
        const int count = n > t ? (n - t + traces - 1) / traces : 0;
        int first = 0;  // only the last pps of them can show
        if (count > pps) first = count - pps;
        const int fresh = count - first;
        const int keep = std::min(static_cast<int>(s.size()), pps - fresh);
        if (static_cast<int>(s.size()) > keep) s.erase(s.begin(), s.end() - keep);
        for (int k = first; k < count; ++k) {
            const long i = static_cast<long>(k) * traces + t;
            s.push_back(values[start + i * step]);
        }
        ShowTraceData(g, tr);
    }
    if (gotFirstData && g->legend) RebuildLegend(g);
    StripXRange(g);
    MarkDirty(g);
    return 0;
}

int SetTraceAttribute(int panel, int control, int trace, int attribute, int value) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (attribute != ATTR_TRACE_COLOR) return kUiErrKind;
    if (trace < 1 || trace > kMaxTraces) return kUiErrValue;
    if (value < 0 || value > 0xFFFFFF) return kUiErrValue;
    MakeTraces(g, std::max(trace, g->numTraces));
    Trace& t = g->traces[static_cast<size_t>(trace - 1)];
    if (t.color == value) return 0;
    t.color = value;
    t.graph->setPen(QPen(Rgb(value)));
    if (g->legend) ++g->frame;  // its legend entry shows the colour
    MarkDirty(g);
    return 0;
}

int SetTraceAttributeEx(int panel, int control, int trace, int attribute, const char* value) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (attribute != ATTR_TRACE_LG_TEXT) return kUiErrKind;
    if (trace < 1 || trace > kMaxTraces || !value) return kUiErrValue;
    MakeTraces(g, std::max(trace, g->numTraces));
    Trace& t = g->traces[static_cast<size_t>(trace - 1)];
    const QString name = FromC(value, nullptr);
    if (t.name == name) return 0;
    t.name = name;
    t.graph->setName(name);
    if (g->legend) {
        ++g->frame;  // its legend entry shows the name
        RebuildLegend(g);
    }
    MarkDirty(g);
    return 0;
}

int SetPlotAttribute(int panel, int control, int plotHandle, int attribute, const char* value) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (attribute != ATTR_PLOT_LG_TEXT) return kUiErrKind;
    if (!value) return kUiErrValue;
    const QString name = FromC(value, nullptr);
    for (Curve& cv : g->curves)
        if (cv.used && cv.handle == plotHandle) {
            cv.name = name;
            if (cv.graph->name() != name) {
                cv.graph->setName(name);
                if (g->legend) ++g->frame;  // its legend entry shows the name
            }
            if (g->legend) g->legendStale = 1;
            MarkDirty(g);
            return 0;
        }
    for (RectItem& r : g->rects)
        if (r.used && r.handle == plotHandle) {
            r.name = name;
            return 0;
        }
    return kUiErrValue;
}

// ======================================================= saving =========

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
    std::vector<const Curve*> used;
    for (const Curve& c : g->curves)
        if (c.used) used.push_back(&c);
    std::sort(used.begin(), used.end(),
              [](const Curve* a, const Curve* b) { return a->handle < b->handle; });
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

// ====================================================== read-back =======

int HostGraphRects(int panel, int control, HostRect* out, int max) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return 0;
    int n = 0;
    for (const RectItem& r : g->rects) {
        if (!r.used) continue;
        if (out && n < max) out[n] = HostRect{r.x1, r.y1, r.x2, r.y2, r.color, r.fill};
        ++n;
    }
    return n;
}

int HostGraphCursor(int panel, int control, int cursor, double* x, double* y) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g || cursor < 1 || cursor > kMaxCursors || !g->cursorSet[cursor - 1]) return 0;
    if (x) *x = g->cursorX[cursor - 1];
    if (y) *y = g->cursorY[cursor - 1];
    return 1;
}

int HostGraphAxis(int panel, int control, int axis, double* min, double* max) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g || (axis != VAL_XAXIS && axis != VAL_LEFT_YAXIS)) return 0;
    QCPAxis* a = axis == VAL_XAXIS ? g->plot->xAxis : g->plot->yAxis;
    if ((axis == VAL_XAXIS && g->xAuto && !g->userX) || (axis == VAL_LEFT_YAXIS && g->yAuto))
        a->rescale(true);
    if (min) *min = a->range().lower;
    if (max) *max = a->range().upper;
    return 1;
}

int HostGraphCurveCount(int panel, int control) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return 0;
    int n = 0;
    for (const Curve& c : g->curves) n += c.used;
    return n;
}

int HostGraphCurve(int panel, int control, int index, double* x, double* y, int max, int* color) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g || index < 0) return 0;
    // Curves in the order they were plotted.
    std::vector<const Curve*> used;
    for (const Curve& c : g->curves)
        if (c.used) used.push_back(&c);
    std::sort(used.begin(), used.end(),
              [](const Curve* a, const Curve* b) { return a->handle < b->handle; });
    if (index >= static_cast<int>(used.size())) return 0;
    const Curve* c = used[static_cast<size_t>(index)];
    if (color) *color = c->color;
    QSharedPointer<QCPGraphDataContainer> data = c->graph->data();
    int n = 0;
    for (auto it = data->constBegin(); it != data->constEnd(); ++it, ++n)
        if (n < max) {
            if (x) x[n] = it->key;
            if (y) y[n] = it->value;
        }
    return n;
}

int HostStripTrace(int panel, int control, int trace, double* out, int max) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g || trace < 1 || trace > static_cast<int>(g->traces.size())) return 0;
    const std::vector<double>& s = g->traces[static_cast<size_t>(trace - 1)].samples;
    const int n = static_cast<int>(s.size());
    for (int i = 0; i < n && i < max && out; ++i) out[i] = s[static_cast<size_t>(i)];
    return n;
}

int HostStripTraceColor(int panel, int control, int trace) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g || trace < 1 || trace > static_cast<int>(g->traces.size())) return -1;
    return FromRgb(g->traces[static_cast<size_t>(trace - 1)].graph->pen().color());
}

int HostRedrawGraph(int panel, int control) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return 0;
    ReplotOne(g);
    return 1;
}

long HostReplotCount(int panel, int control) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    return g ? g->replots : 0;
}
