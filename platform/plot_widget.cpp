#include "platform/plot_widget.h"

#include <QPainter>
#include <cmath>

#include "platform/userint_internal.h"

namespace {

const double kWheelNotch = 120.0;    // angle delta of one wheel step
const double kZoomPerNotch = 0.8;    // span factor of one step in
const double kPanStartPixels = 4.0;  // a click that wobbles is no pan

}  // namespace

PlotWidget::PlotWidget(QWidget* parent) : QCustomPlot(parent) {
    setBackground(Qt::NoBrush);
    setAttribute(Qt::WA_OpaquePaintEvent);
    auto* sheet = new QCPItemRect(this);
    sheet->setLayer(QStringLiteral("background"));
    sheet->setClipToAxisRect(false);
    sheet->topLeft->setType(QCPItemPosition::ptViewportRatio);
    sheet->bottomRight->setType(QCPItemPosition::ptViewportRatio);
    sheet->topLeft->setCoords(0.0, 0.0);
    sheet->bottomRight->setCoords(1.0, 1.0);
    sheet->setPen(Qt::NoPen);
    sheet->setBrush(QBrush(Qt::white));
}

void PlotWidget::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        if (mPaintBuffers.isEmpty() || hasInvalidatedPaintBuffers())
            painter.fillRect(rect(), Qt::white);
        else
            painter.fillRect(0, height() - 1, width(), 1, Qt::white);
    }
    QCustomPlot::paintEvent(event);
}

void PlotWidget::wheelEvent(QWheelEvent* event) {
    emit mouseWheel(event);
    const double notches = event->angleDelta().y() / kWheelNotch;
    if (notches == 0.0) {
        event->ignore();
        return;
    }
    const QCPRange r = xAxis->range();
    const double at =
        std::min(r.upper, std::max(r.lower, xAxis->pixelToCoord(event->position().x())));
    const double factor = std::pow(kZoomPerNotch, notches);
    kui::GraphUserX(this, at - (at - r.lower) * factor, at + (r.upper - at) * factor);
    event->accept();
}

void PlotWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        mDragging = 1;
        mPanning = 0;
        mDragStartX = event->position().x();
        mDragStartRange = xAxis->range();
    }
    QCustomPlot::mousePressEvent(event);
}

void PlotWidget::mouseMoveEvent(QMouseEvent* event) {
    QCustomPlot::mouseMoveEvent(event);
    if (!mDragging || !(event->buttons() & Qt::LeftButton)) return;
    const double dx = event->position().x() - mDragStartX;
    if (!mPanning && std::fabs(dx) < kPanStartPixels) return;
    mPanning = 1;
    const int width = axisRect()->width();
    if (width <= 0) return;
    // From the range at the press, so a long drag adds up no rounding.
    double shift = dx * mDragStartRange.size() / width;
    if (xAxis->rangeReversed()) shift = -shift;
    kui::GraphUserX(this, mDragStartRange.lower - shift, mDragStartRange.upper - shift);
}

void PlotWidget::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) mDragging = mPanning = 0;
    QCustomPlot::mouseReleaseEvent(event);
}

void PlotWidget::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) kui::GraphAutoX(this);
    QCustomPlot::mouseDoubleClickEvent(event);
}
