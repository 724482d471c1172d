// What a graph shows, read back for tests and scripts: rectangles, cursors,
// axis ranges, curves, strip chart traces and the replot count.
#include <qcustomplot.h>

#include <vector>

#include "platform/cvi.h"
#include "platform/graph_internal.h"
#include "platform/host.h"
#include "platform/userint_internal.h"

using namespace kui;

namespace {

int FromRgb(const QColor& q) {
    return (q.red() << 16) | (q.green() << 8) | q.blue();
}

}  // namespace

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
    const std::vector<const Curve*> used = CurvesInPlotOrder(g);
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
