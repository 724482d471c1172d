// What controls hold: numbers and texts the program sets and reads back
// (SetCtrlVal, GetCtrlVal, GetCtrlString), by widget kind.
//
// Facts owned here: SetCtrlVal never raises events (a quiet scope); rings
// select by item value, and an unknown value is added as an item labelled
// with that number; numbers read back are clamped to the type asked for;
// read-only displays read back the text last set, shown or not yet.
#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSlider>
#include <QSpinBox>
#include <climits>
#include <cmath>

#include "platform/cvi.h"
#include "platform/userint_internal.h"

namespace kui {
namespace {

const char kPrecisionProperty[] = "precision";

QString FormatNumber(Ctrl* c, double v, int integral) {
    if (integral) return QString::number(static_cast<qlonglong>(v));
    int digits = 0;
    const QVariant prop = c->widget->property(kPrecisionProperty);
    if (prop.isValid()) digits = prop.toInt();
    if (digits < 0) digits = 0;
    if (digits > 15) digits = 15;
    return QString::number(v, 'f', digits);
}

int ClampInt(double v) {
    if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(std::lround(v));
}

int RingIndexOfValue(QComboBox* r, int value) {
    for (int i = 0; i < r->count(); ++i)
        if (r->itemData(i).toInt() == value) return i;
    return -1;
}

int SelectRingValue(Ctrl* c, int value) {
    auto* r = static_cast<QComboBox*>(c->widget.data());
    int i = RingIndexOfValue(r, value);
    if (i < 0) {
        // A value no item has (from the sensor or a file) is shown as it
        // is rather than silently replaced by another item's value.
        if (r->count() >= kMaxRingItems) return kUiErrValue;
        r->addItem(QString::number(value), value);
        i = r->count() - 1;
    }
    r->setCurrentIndex(i);
    return 0;
}

}  // namespace

void SetText(Ctrl* c, const QString& text, int was8bit) {
    QWidget* w = c->widget;
    c->legacy8bit = was8bit;
    switch (c->kind) {
        case kKindLine:
            if (static_cast<QLineEdit*>(w)->isReadOnly()) {
                QueueDisplayText(c, text);
            } else {
                c->hasPending = 0;
                ShowLineText(c, text);
            }
            break;
        case kKindLabel:
            static_cast<QLabel*>(w)->setText(text);
            SizeToText(c);
            break;
        case kKindTextBox:
            static_cast<QPlainTextEdit*>(w)->setPlainText(text);
            break;
        case kKindButton:
        case kKindToggle:
        case kKindRadio:
        case kKindCheck:
            static_cast<QAbstractButton*>(w)->setText(text);
            break;
        default:
            break;
    }
}

namespace {

int SetNumber(Ctrl* c, double v, int integral) {
    if (std::isnan(v)) return kUiErrValue;
    QWidget* w = c->widget;
    Quiet quiet;
    switch (c->kind) {
        case kKindToggle:
        case kKindRadio:
        case kKindCheck:
            static_cast<QAbstractButton*>(w)->setChecked(v != 0.0);
            return 0;
        case kKindRing:
            return SelectRingValue(c, ClampInt(v));
        case kKindSpin:
            static_cast<QSpinBox*>(w)->setValue(ClampInt(v));
            return 0;
        case kKindDoubleSpin:
            static_cast<QDoubleSpinBox*>(w)->setValue(v);
            return 0;
        case kKindSlider:
            static_cast<QSlider*>(w)->setValue(ClampInt(v));
            UpdateValueLabel(c);
            return 0;
        case kKindLine:
        case kKindLabel:
        case kKindTextBox:
            SetText(c, FormatNumber(c, v, integral), 0);
            return 0;
        default:
            return kUiErrKind;
    }
}

int ParseNumber(const QString& text, double* out) {
    bool ok = false;
    const double v = text.trimmed().toDouble(&ok);
    if (!ok) return kUiErrValue;
    *out = v;
    return 0;
}

int GetNumber(Ctrl* c, double* out) {
    QWidget* w = c->widget;
    switch (c->kind) {
        case kKindToggle:
        case kKindRadio:
        case kKindCheck:
            *out = static_cast<QAbstractButton*>(w)->isChecked() ? 1.0 : 0.0;
            return 0;
        case kKindRing: {
            auto* r = static_cast<QComboBox*>(w);
            if (r->currentIndex() < 0) return kUiErrValue;
            *out = r->currentData().toInt();
            return 0;
        }
        case kKindSpin:
            *out = static_cast<QSpinBox*>(w)->value();
            return 0;
        case kKindDoubleSpin:
            *out = static_cast<QDoubleSpinBox*>(w)->value();
            return 0;
        case kKindSlider:
            *out = static_cast<QSlider*>(w)->value();
            return 0;
        case kKindLine:
            return ParseNumber(c->hasPending ? c->pending : static_cast<QLineEdit*>(w)->text(),
                               out);
        case kKindLabel:
            return ParseNumber(static_cast<QLabel*>(w)->text(), out);
        case kKindTextBox:
            return ParseNumber(static_cast<QPlainTextEdit*>(w)->toPlainText(), out);
        default:
            return kUiErrKind;
    }
}

// A control's number as T, clamped to [lo, hi]; integer types take the
// nearest whole number.
template <class T>
int GetAs(int panel, int control, T* value, double lo, double hi, int integral) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (!value) return kUiErrValue;
    double v = 0.0;
    const int rc = GetNumber(c, &v);
    if (rc < 0) return rc;
    if (integral) v = std::nearbyint(v);
    if (v < lo) v = lo;
    if (v > hi) v = hi;
    *value = static_cast<T>(v);
    return 0;
}

QString TextOf(Ctrl* c) {
    QWidget* w = c->widget;
    switch (c->kind) {
        case kKindLine:
            return c->hasPending ? c->pending : static_cast<QLineEdit*>(w)->text();
        case kKindLabel:
            return static_cast<QLabel*>(w)->text();
        case kKindTextBox:
            return static_cast<QPlainTextEdit*>(w)->toPlainText();
        case kKindRing:
            return static_cast<QComboBox*>(w)->currentText();
        case kKindButton:
        case kKindToggle:
        case kKindRadio:
        case kKindCheck:
            return static_cast<QAbstractButton*>(w)->text();
        case kKindSpin:
        case kKindDoubleSpin:
            return static_cast<QAbstractSpinBox*>(w)->text();
        case kKindSlider:
            return QString::number(static_cast<QSlider*>(w)->value());
        default:
            return QString();
    }
}

}  // namespace

QString CtrlText(Ctrl* c) {
    return c && c->widget ? TextOf(c) : QString();
}

int CtrlSetNumber(Ctrl* c, double value) {
    if (!c || !c->widget) return kUiErrControl;
    return SetNumber(c, value, value == std::floor(value) ? 1 : 0);
}

}  // namespace kui

using namespace kui;

int SetCtrlVal(int panel, int control, int value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    return SetNumber(c, value, 1);
}

int SetCtrlVal(int panel, int control, unsigned int value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    return SetNumber(c, static_cast<double>(value), 1);
}

int SetCtrlVal(int panel, int control, double value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    return SetNumber(c, value, 0);
}

int SetCtrlVal(int panel, int control, const char* value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (!value) return kUiErrValue;
    switch (c->kind) {
        case kKindLine:
        case kKindLabel:
        case kKindTextBox: {
            int was8bit = 0;
            const QString text = FromC(value, &was8bit);
            Quiet quiet;
            SetText(c, text, was8bit);
            return 0;
        }
        default:
            return kUiErrKind;
    }
}

int GetCtrlVal(int panel, int control, int* value) {
    return GetAs(panel, control, value, INT_MIN, INT_MAX, 1);
}

int GetCtrlVal(int panel, int control, unsigned short* value) {
    return GetAs(panel, control, value, 0, 65535, 1);
}

int GetCtrlVal(int panel, int control, short* value) {
    return GetAs(panel, control, value, -32768, 32767, 1);
}

int GetCtrlVal(int panel, int control, unsigned int* value) {
    return GetAs(panel, control, value, 0, 4294967295.0, 1);
}

int GetCtrlVal(int panel, int control, double* value) {
    return GetAs(panel, control, value, -HUGE_VAL, HUGE_VAL, 0);
}

int GetCtrlVal(int panel, int control, float* value) {
    return GetAs(panel, control, value, -3.4e38, 3.4e38, 0);
}

int GetCtrlString(int panel, int control, char* buffer, int size) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (!buffer || size < 1) return kUiErrValue;
    if (CopyOut(TextOf(c), buffer, size, c->legacy8bit) < 0) return kUiErrValue;
    return 0;
}
