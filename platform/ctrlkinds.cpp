// Controls as the forms give them: each bound widget's kind, decided once
// when its panel is loaded, the signals of that kind that reach the
// program, the texts that follow a control's state (binary switches, a
// slider's value readout), and the colours the program sets on it.
//
// Facts owned here: rings get item value = index for the items of a form;
// a toggle shows pressed in at a glance; a control the program colours
// only behind its text gets black or white text, whichever reads.
#include <qcustomplot.h>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <cstring>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace kui {
namespace {

const char kPressedToggleStyle[] =
    "QPushButton:checked { background-color: #1f5fa8; color: white;"
    " border: 1px solid #123a66; border-radius: 3px; }";

const char kLabelSuffix[] = "_label";
const char kValueSuffix[] = "_value";
const char kBinarySwitchPrefix[] = "BINSW";
const char kDefaultOnText[] = "ON";
const char kDefaultOffText[] = "OFF";

Kind Classify(QWidget* w) {
    if (qobject_cast<QCustomPlot*>(w)) return kKindGraph;
    if (auto* b = qobject_cast<QPushButton*>(w))
        return b->isCheckable() ? kKindToggle : kKindButton;
    if (qobject_cast<QRadioButton*>(w)) return kKindRadio;
    if (qobject_cast<QCheckBox*>(w)) return kKindCheck;
    if (qobject_cast<QComboBox*>(w)) return kKindRing;
    if (qobject_cast<QDoubleSpinBox*>(w)) return kKindDoubleSpin;
    if (qobject_cast<QSpinBox*>(w)) return kKindSpin;
    if (qobject_cast<QSlider*>(w)) return kKindSlider;
    if (qobject_cast<QLineEdit*>(w)) return kKindLine;
    if (qobject_cast<QPlainTextEdit*>(w)) return kKindTextBox;
    if (qobject_cast<QLabel*>(w)) return kKindLabel;
    if (qobject_cast<QFrame*>(w)) return kKindFrame;
    return kKindOther;
}

}  // namespace

void UpdateSwitchText(Ctrl* c) {
    auto* b = qobject_cast<QAbstractButton*>(c->widget.data());
    if (!b || !c->isBinarySwitch) return;
    b->setText(b->isChecked() ? c->onText : c->offText);
}

void UpdateValueLabel(Ctrl* c) {
    auto* s = qobject_cast<QSlider*>(c->widget.data());
    if (s && c->valueLabel) c->valueLabel->setText(QString::number(s->value()));
}

void SizeToText(Ctrl* c) {
    auto* l = qobject_cast<QLabel*>(c->widget.data());
    if (!l) return;
    // A picture keeps the place the form gives it.
    if (!l->pixmap().isNull()) return;
    if (c->autoSize || !l->wordWrap()) l->adjustSize();
}

namespace {

void DeliverValueChanged(Ctrl* c) {
    if (IsQuiet()) return;
    const int panel = c->panel;
    Deliver(c, EVENT_VAL_CHANGED, 0, 0);
    // The first callback may have discarded the panel.
    if (FindPanel(panel)) Deliver(c, EVENT_COMMIT, 0, 0);
}

void Hook(Ctrl* c) {
    QWidget* w = c->widget;
    switch (c->kind) {
        case kKindButton:
        case kKindToggle: {
            auto* b = static_cast<QPushButton*>(w);
            QObject::connect(b, &QAbstractButton::toggled, b, [c](bool) { UpdateSwitchText(c); });
            QObject::connect(b, &QAbstractButton::clicked, b,
                             [c](bool) { Deliver(c, EVENT_COMMIT, 0, 0); });
            UpdateSwitchText(c);
            break;
        }
        case kKindRadio:
        case kKindCheck: {
            auto* b = static_cast<QAbstractButton*>(w);
            // The program keeps its radio buttons exclusive itself; Qt's
            // own exclusivity would refuse to switch the checked one off.
            b->setAutoExclusive(false);
            QObject::connect(b, &QAbstractButton::clicked, b, [c](bool) {
                const int panel = c->panel;
                Deliver(c, EVENT_VAL_CHANGED, 0, 0);
                if (FindPanel(panel)) Deliver(c, EVENT_COMMIT, 0, 0);
            });
            break;
        }
        case kKindRing: {
            auto* r = static_cast<QComboBox*>(w);
            for (int i = 0; i < r->count(); ++i)
                if (!r->itemData(i).isValid()) r->setItemData(i, i);
            QObject::connect(r, &QComboBox::activated, r, [c](int) {
                const int panel = c->panel;
                Deliver(c, EVENT_VAL_CHANGED, 0, 0);
                if (FindPanel(panel)) Deliver(c, EVENT_COMMIT, 0, 0);
            });
            break;
        }
        case kKindSpin: {
            auto* s = static_cast<QSpinBox*>(w);
            s->setKeyboardTracking(false);
            QObject::connect(s, &QSpinBox::valueChanged, s, [c](int) { DeliverValueChanged(c); });
            break;
        }
        case kKindDoubleSpin: {
            auto* s = static_cast<QDoubleSpinBox*>(w);
            s->setKeyboardTracking(false);
            QObject::connect(s, &QDoubleSpinBox::valueChanged, s,
                             [c](double) { DeliverValueChanged(c); });
            break;
        }
        case kKindSlider: {
            auto* s = static_cast<QSlider*>(w);
            QObject::connect(s, &QSlider::valueChanged, s, [c](int) {
                UpdateValueLabel(c);
                DeliverValueChanged(c);
            });
            UpdateValueLabel(c);
            break;
        }
        case kKindGraph:
            c->graph = GraphAttach(c, static_cast<QCustomPlot*>(w));
            break;
        default:
            break;
    }
}

}  // namespace

Ctrl* BindControl(Panel* p, const CtrlBinding& b) {
    auto* c = new Ctrl;
    c->panel = p->handle;
    c->id = b.controlId;
    c->name = b.name ? b.name : "";
    c->callback = b.callback;
    if (b.controlId >= 0) {
        if (static_cast<size_t>(b.controlId) >= p->ctrls.size())
            p->ctrls.resize(static_cast<size_t>(b.controlId) + 1, nullptr);
        // A duplicate id in the table: the first binding stays.
        if (p->ctrls[static_cast<size_t>(b.controlId)]) {
            delete c;
            return nullptr;
        }
        p->ctrls[static_cast<size_t>(b.controlId)] = c;
    }
    QWidget* w = b.name ? p->widget->findChild<QWidget*>(QString::fromUtf8(b.name)) : nullptr;
    if (!w) return c;  // the form lacks it: every call on it fails
    c->widget = w;
    c->kind = Classify(w);
    c->baseStyle = w->styleSheet();
    c->label = p->widget->findChild<QLabel*>(QString::fromUtf8(b.name) + kLabelSuffix);
    c->valueLabel = p->widget->findChild<QLabel*>(QString::fromUtf8(b.name) + kValueSuffix);
    if (c->kind == kKindToggle &&
        std::strncmp(c->name, kBinarySwitchPrefix, sizeof kBinarySwitchPrefix - 1) == 0) {
        c->isBinarySwitch = 1;
        c->onText = kDefaultOnText;
        c->offText = kDefaultOffText;
    }
    if (c->kind == kKindToggle && !c->isBinarySwitch) {
        // A toggle pressed in must read as pressed at a glance, whatever
        // the desktop's style draws for it.
        c->baseStyle += QLatin1String(kPressedToggleStyle);
        w->setStyleSheet(c->baseStyle);
    }
    MapWidgetTree(w, c);
    Hook(c);
    return c;
}

// ------------------------------------------------------------ colours ---

namespace {

QColor ToColor(int rgb) {
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

int FromColor(const QColor& q) {
    return (q.red() << 16) | (q.green() << 8) | q.blue();
}

// Palette roles that carry a control's background and text colour.
struct ColorRoles {
    QPalette::ColorRole background, text;
};

ColorRoles RolesOf(Kind k) {
    switch (k) {
        case kKindLine:
        case kKindTextBox:
        case kKindSpin:
        case kKindDoubleSpin:
        case kKindRing:
            return {QPalette::Base, QPalette::Text};
        case kKindButton:
        case kKindToggle:
            return {QPalette::Button, QPalette::ButtonText};
        default:
            return {QPalette::Window, QPalette::WindowText};
    }
}

QPalette::ColorRole BackgroundRole(Kind k) {
    return RolesOf(k).background;
}
QPalette::ColorRole TextRole(Kind k) {
    return RolesOf(k).text;
}

QString HexColor(int rgb) {
    return QColor(ToColor(rgb)).name(QColor::HexRgb);
}

// Text colour for a control whose program sets only the background: black
// or white, whichever reads on it (the tolerance colours are dark green and
// red, on which black digits are hard to read).
int ReadableTextColor(const Ctrl* c) {
    if (c->textColor >= 0 || c->bgColor < 0) return c->textColor;
    const int r = (c->bgColor >> 16) & 0xFF, g = (c->bgColor >> 8) & 0xFF, b = c->bgColor & 0xFF;
    return (299 * r + 587 * g + 114 * b) / 1000 < 140 ? 0xFFFFFF : 0x000000;
}

}  // namespace

void ApplyColors(Ctrl* c) {
    QWidget* w = c->widget;
    const int textColor = ReadableTextColor(c);
    if (!c->baseStyle.isEmpty()) {
        // The form styles this widget: a style sheet would override a
        // palette, so the run-time colours go into the sheet, last.
        QString sheet = c->baseStyle;
        sheet += QLatin1Char(' ');
        sheet += QString::fromLatin1(w->metaObject()->className());
        sheet += QLatin1String(" { ");
        if (c->bgColor >= 0)
            sheet += QLatin1String("background-color: ") + HexColor(c->bgColor) + "; ";
        if (textColor >= 0) sheet += QLatin1String("color: ") + HexColor(textColor) + "; ";
        sheet += QLatin1Char('}');
        w->setStyleSheet(sheet);
        return;
    }
    QPalette pal = w->palette();
    if (c->bgColor >= 0) {
        pal.setColor(BackgroundRole(c->kind), ToColor(c->bgColor));
        if (BackgroundRole(c->kind) == QPalette::Window) w->setAutoFillBackground(true);
    }
    if (textColor >= 0) pal.setColor(TextRole(c->kind), ToColor(textColor));
    w->setPalette(pal);
}

int CtrlBackground(Ctrl* c) {
    if (!c || !c->widget) return -1;
    if (c->bgColor >= 0) return c->bgColor;
    return FromColor(c->widget->palette().color(BackgroundRole(c->kind)));
}

int CtrlTextColor(Ctrl* c) {
    if (!c || !c->widget) return -1;
    if (c->textColor >= 0) return c->textColor;
    return FromColor(c->widget->palette().color(TextRole(c->kind)));
}

}  // namespace kui
