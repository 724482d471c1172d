// The graph widget of the forms: QCustomPlot without a background fill on
// every repaint, and with the mouse on its x axis. Its bottom layer carries
// an opaque white sheet, so a repaint only blends the buffers over what was
// there. QCustomPlot clips every layer one pixel row short of the widget's
// bottom, so that row, and the whole widget before the first replot, are
// filled here. The wheel zooms the x axis about the pointer, a left drag
// pans it, a double-click gives the program its range back.
#pragma once

#include <qcustomplot.h>

class PlotWidget : public QCustomPlot {
public:
    explicit PlotWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    int mDragging = 0, mPanning = 0;
    double mDragStartX = 0.0;
    QCPRange mDragStartRange;
};
