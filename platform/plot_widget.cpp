#include "platform/plot_widget.h"

#include <QPainter>

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
