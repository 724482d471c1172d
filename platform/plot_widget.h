// The graph widget of the forms: QCustomPlot without a background fill on
// every repaint. Its bottom layer carries an opaque white sheet, so a
// repaint only blends the buffers over what was there. QCustomPlot clips
// every layer one pixel row short of the widget's bottom, so that row, and
// the whole widget before the first replot, are filled here.
#pragma once

#include <qcustomplot.h>

class PlotWidget : public QCustomPlot {
public:
    explicit PlotWidget(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
