// Control attributes: dimmed, visible, label, colours, font, place and
// size (in panel coordinates), binary-switch texts, tooltips, and the
// graph attributes passed on to the graph side.
//
// Facts owned here: a control's label and value readout go with it (dimmed,
// hidden, moved); a control made visible lies on top; setting a colour it
// already has costs nothing (every frame sets them again).
#include <QAbstractButton>
#include <QApplication>
#include <QFont>
#include <QLabel>
#include <QRect>
#include <QWidget>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace kui {
namespace {

const char kAppFontName[] = "NIApp";
const char kAppFontPrefix[] = "NI";  // the other runtime font names map the same way

// --------------------------------------------------------- geometry -----

QPoint PanelPos(Ctrl* c) {
    Panel* p = FindPanel(c->panel);
    return c->widget->mapTo(p->widget, QPoint(0, 0));
}

void MoveTo(Ctrl* c, int left, int top) {
    Panel* p = FindPanel(c->panel);
    QWidget* w = c->widget;
    const QPoint old = PanelPos(c);
    const QPoint delta(left - old.x(), top - old.y());
    QWidget* parent = w->parentWidget();
    const QPoint target =
        parent == p->widget ? QPoint(left, top) : parent->mapFrom(p->widget, QPoint(left, top));
    w->move(target);
    // A control's label and value readout travel with it.
    if (c->label) c->label->move(c->label->pos() + delta);
    if (c->valueLabel) c->valueLabel->move(c->valueLabel->pos() + delta);
}

QFont ApplicationFont() {
    return QApplication::font();
}

}  // namespace

int InRange(int v) {
    return v >= -kMaxCoordinate && v <= kMaxCoordinate;
}

}  // namespace kui

using namespace kui;

// ===================================================== attributes =======

int SetCtrlAttribute(int panel, int control, int attribute, int value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    QWidget* w = c->widget;
    switch (attribute) {
        case ATTR_DIMMED:
            w->setEnabled(value == 0);
            if (c->label) c->label->setEnabled(value == 0);
            if (c->valueLabel) c->valueLabel->setEnabled(value == 0);
            return 0;
        case ATTR_VISIBLE:
            w->setVisible(value != 0);
            if (c->label) c->label->setVisible(value != 0);
            if (c->valueLabel) c->valueLabel->setVisible(value != 0);
            // Made visible, a control lies on top (help boxes over pages).
            if (value) w->raise();
            return 0;
        case ATTR_LABEL_VISIBLE:
            if (!c->label) return kUiErrKind;
            c->label->setVisible(value != 0);
            return 0;
        case ATTR_TEXT_BGCOLOR:
        case ATTR_FRAME_COLOR:
            if (attribute == ATTR_FRAME_COLOR && c->kind != kKindFrame && c->kind != kKindLabel)
                return kUiErrKind;
            if (value < 0 || value > 0xFFFFFF) return kUiErrValue;
            if (c->bgColor == value) return 0;  // every frame sets it again
            c->bgColor = value;
            ApplyColors(c);
            return 0;
        case ATTR_TEXT_COLOR:
            if (value < 0 || value > 0xFFFFFF) return kUiErrValue;
            if (c->textColor == value) return 0;
            c->textColor = value;
            ApplyColors(c);
            return 0;
        case ATTR_TEXT_BOLD: {
            QFont f = w->font();
            f.setBold(value != 0);
            w->setFont(f);
            SizeToText(c);
            return 0;
        }
        case ATTR_TEXT_POINT_SIZE: {
            if (value < 1 || value > 500) return kUiErrValue;
            QFont f = w->font();
            f.setPointSize(value);
            w->setFont(f);
            SizeToText(c);
            return 0;
        }
        case ATTR_LEFT:
            if (!InRange(value)) return kUiErrValue;
            MoveTo(c, value, PanelPos(c).y());
            return 0;
        case ATTR_TOP:
            if (!InRange(value)) return kUiErrValue;
            MoveTo(c, PanelPos(c).x(), value);
            return 0;
        case ATTR_WIDTH:
            if (value < 0 || value > kMaxCoordinate) return kUiErrValue;
            w->resize(value, w->height());
            return 0;
        case ATTR_HEIGHT:
            if (value < 0 || value > kMaxCoordinate) return kUiErrValue;
            w->resize(w->width(), value);
            return 0;
        case ATTR_SIZE_TO_TEXT:
            c->autoSize = value != 0;
            if (c->autoSize) {
                if (c->kind == kKindLabel)
                    SizeToText(c);
                else
                    w->adjustSize();
            }
            return 0;
        case ATTR_POINTS_PER_SCREEN:
        case ATTR_NUM_TRACES:
        case ATTR_STRIP_CHART_PAUSED:
        case ATTR_LEGEND_VISIBLE:
            if (c->kind != kKindGraph || !c->graph) return kUiErrKind;
            return GraphSetAttribute(c, attribute, value);
        case ATTR_MARK_COLOR:
            return CtrlSetMark(c, value);
        default:
            return kUiErrKind;
    }
}

int SetCtrlAttribute(int panel, int control, int attribute, const char* value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (!value) return kUiErrValue;
    QWidget* w = c->widget;
    int was8bit = 0;
    const QString text = FromC(value, &was8bit);
    switch (attribute) {
        case ATTR_LABEL_TEXT:
            if (c->label) {
                c->label->setText(text);
                return 0;
            }
            if (auto* b = qobject_cast<QAbstractButton*>(w)) {
                b->setText(text);
                return 0;
            }
            return kUiErrKind;
        case ATTR_TEXT_FONT: {
            QFont f = w->font();
            const QFont app = ApplicationFont();
            if (text == QLatin1String(kAppFontName) ||
                text.startsWith(QLatin1String(kAppFontPrefix)))
                f.setFamily(app.family());
            else
                f.setFamily(text);
            w->setFont(f);
            SizeToText(c);
            return 0;
        }
        case ATTR_ON_TEXT:
        case ATTR_OFF_TEXT:
            if (c->kind != kKindToggle) return kUiErrKind;
            (attribute == ATTR_ON_TEXT ? c->onText : c->offText) = text;
            c->isBinarySwitch = 1;
            UpdateSwitchText(c);
            return 0;
        case ATTR_TOOLTIP_TEXT:
            w->setToolTip(text);
            if (c->label) c->label->setToolTip(text);
            return 0;
        default:
            return kUiErrKind;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int* value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (!value) return kUiErrValue;
    QWidget* w = c->widget;
    switch (attribute) {
        case ATTR_DIMMED:
            *value = w->isEnabled() ? 0 : 1;
            return 0;
        case ATTR_VISIBLE:
            *value = w->isHidden() ? 0 : 1;
            return 0;
        case ATTR_LABEL_VISIBLE:
            if (!c->label) return kUiErrKind;
            *value = c->label->isHidden() ? 0 : 1;
            return 0;
        case ATTR_TEXT_BGCOLOR:
        case ATTR_FRAME_COLOR:
            *value = CtrlBackground(c);
            return 0;
        case ATTR_TEXT_COLOR:
            *value = CtrlTextColor(c);
            return 0;
        case ATTR_TEXT_BOLD:
            *value = w->font().bold() ? 1 : 0;
            return 0;
        case ATTR_TEXT_POINT_SIZE:
            *value = w->font().pointSize();
            return 0;
        case ATTR_LEFT:
            *value = PanelPos(c).x();
            return 0;
        case ATTR_TOP:
            *value = PanelPos(c).y();
            return 0;
        case ATTR_WIDTH:
            *value = w->width();
            return 0;
        case ATTR_HEIGHT:
            *value = w->height();
            return 0;
        case ATTR_SIZE_TO_TEXT:
            *value = c->autoSize;
            return 0;
        case ATTR_POINTS_PER_SCREEN:
        case ATTR_NUM_TRACES:
        case ATTR_STRIP_CHART_PAUSED:
        case ATTR_LEGEND_VISIBLE:
            if (c->kind != kKindGraph || !c->graph) return kUiErrKind;
            return GraphGetAttribute(c, attribute, value);
        case ATTR_MARK_COLOR:
            *value = CtrlMark(c);
            return 0;
        default:
            return kUiErrKind;
    }
}

int GetCtrlBoundingRect(int panel, int control, int* top, int* left, int* height, int* width) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    QRect rect(PanelPos(c), c->widget->size());
    // A slider's value readout belongs to it: whatever is placed beside the
    // control must not hide its value.
    if (c->valueLabel && !c->valueLabel->isHidden()) {
        const QPoint offset = PanelPos(c) - c->widget->pos();
        rect = rect.united(QRect(c->valueLabel->pos() + offset, c->valueLabel->size()));
    }
    if (top) *top = rect.top();
    if (left) *left = rect.left();
    if (height) *height = rect.height();
    if (width) *width = rect.width();
    return 0;
}
