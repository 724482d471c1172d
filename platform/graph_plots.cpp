// The graph calls that change what a graph shows: axes, cursors, filled
// rectangles, XY curves and the interleaved strip chart, and the names
// and colours of traces and plots.
//
// Facts owned here:
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
//  - a manual axis range with min > max is swapped, min == max widened to
//    (v - 0.5, v + 0.5); a range that is not finite is refused;
//  - traces and plots may be named; the names head the columns of a saved
//    table and, with ATTR_LEGEND_VISIBLE, fill the legend.
#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/cvi.h"
#include "platform/graph_internal.h"
#include "platform/userint_internal.h"

namespace kui {

namespace {

enum { kMaxCurvePoints = 1000000 };

const int kTraceColors[] = {VAL_RED,  VAL_DK_GREEN, 0x0000FF, VAL_BLACK,
                            0xFF00FF, 0x008080,     0x808000, VAL_DK_GRAY};

// The program's x range; the axis shows it unless the user chose another.
void SetProgramX(GraphState* g, const QCPRange& r) {
    g->progX = r;
    if (!g->userX) g->plot->xAxis->setRange(r);
}

}  // namespace

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

void StripXRange(GraphState* g) {
    if (!g->xManual)
        SetProgramX(g, QCPRange(0.0, static_cast<double>(g->pointsPerScreen - 1)));
}

std::vector<const Curve*> CurvesInPlotOrder(const GraphState* g) {
    std::vector<const Curve*> used;
    for (const Curve& c : g->curves)
        if (c.used) used.push_back(&c);
    std::sort(used.begin(), used.end(),
              [](const Curve* a, const Curve* b) { return a->handle < b->handle; });
    return used;
}

}  // namespace kui

using namespace kui;

int SetAxisScalingMode(int panel, int control, int axis, int mode, double min, double max) {
    int err = 0;
    GraphState* g = StateOf(panel, control, &err);
    if (!g) return err;
    if (axis != VAL_XAXIS && axis != VAL_LEFT_YAXIS) return kUiErrValue;
    QCPAxis* a = axis == VAL_XAXIS ? g->plot->xAxis : g->plot->yAxis;
    if (mode != VAL_MANUAL) return kUiErrValue;
    if (!MakeValidRange(&min, &max)) return kUiErrValue;
    if (axis == VAL_XAXIS) {
        const bool same = g->xManual && g->progX.lower == min && g->progX.upper == max;
        g->xManual = 1;
        if (same) return 0;
        SetProgramX(g, QCPRange(min, max));
        MarkDirty(g);
        return 0;
    }
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
