// The state of one graph control, shared by the graph files: graphs.cpp
// (the state, its coalesced replots, legend and mouse range), graph_plots.cpp
// (the calls that change data), graph_tables.cpp (what a graph shows, saved)
// and graph_readback.cpp (what a graph shows, read back by tests and
// scripts). Internal to platform/.
#pragma once

#include <qcustomplot.h>

#include <QPointer>
#include <QRect>
#include <QString>
#include <QVector>
#include <cmath>
#include <vector>

#include "platform/userint_internal.h"

namespace kui {

enum {
    kMaxCursors = 3,
    kMaxTraces = 64,
    kDefaultPointsPerScreen = 100,
};

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
    int xManual = 0;
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

QColor Rgb(int rgb);

// The graph of a control; nullptr with *err set when there is none.
GraphState* StateOf(int panel, int control, int* err);
// Draws a graph now (its data only, when the frame is as last drawn).
void ReplotOne(GraphState* g);
// Asks for a replot at the next due time.
void MarkDirty(GraphState* g);
// Puts the cursors back on top of traces, curves and rectangles added.
void RaiseCursors(GraphState* g);
// Lists the named traces and curves that show data; shows or hides it.
void RebuildLegend(GraphState* g);
// A manual range made valid (swapped, widened); 0 when not finite.
int MakeValidRange(double* lo, double* hi);

// Strip chart side (graph_plots.cpp): at least count traces, the first
// numTraces shown; a trace's samples into its graph; the x range the
// program's strip chart shows.
void MakeTraces(GraphState* g, int count);
void ShowTraceData(GraphState* g, Trace& t);
void StripXRange(GraphState* g);
// The used curves by handle, the order they were plotted in.
std::vector<const Curve*> CurvesInPlotOrder(const GraphState* g);

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

}  // namespace kui
