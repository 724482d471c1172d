// Panels and controls over Qt Widgets: builds the program's forms (handed in
// with RegisterForms), binds each control of the binding table to its widget by objectName, turns
// widget signals and mouse/key/close events into control and panel
// callbacks, and implements values, attributes, rings, text boxes, run-time
// text messages and pictures.
//
// Facts owned here: handles 1, 2, 3, ... in load order; child panels are
// hidden until displayed; SetCtrlVal never raises events (a quiet scope);
// read-only displays take new text at once for every read-back but show
// it at most every kDisplayRefreshMs (one shared timer), so a frame stream
// does not wait for text layout;
// rings select by item value (items of a form get value = index), and an
// unknown value is added as an item labelled with that number; right
// presses never reach a widget (no context menus); a window's close box is
// refused and reported as EVENT_CLOSE.
#include <qcustomplot.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/cvi.h"
#include "platform/forms.h"
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
const char kPrecisionProperty[] = "precision";
const char kAppFontName[] = "NIApp";
const char kAppFontPrefix[] = "NI";  // the other runtime font names map the same way

enum {
    kMaxRingItems = 4096,
    kMaxTextBoxLines = 10000,
    kMaxCoordinate = 100000,
    // Digits that change more often than about ten times a second cannot
    // be read, and each change costs a text layout and a repaint.
    kDisplayRefreshMs = 100,
};

// ---------------------------------------------------------- registry ----

const FormBuilder* gForms = nullptr;
int gFormCount = 0;
const CtrlBinding* gCtrlTable = nullptr;
int gCtrlCount = 0;
const PanelBinding* gPanelTable = nullptr;
int gPanelCount = 0;
std::vector<Panel*> gPanels;  // handle - 1
int gQuiet = 0;
int gDelivering = 0;              // callbacks running now
int gAnswering = 0;               // panel whose callback runs (innermost)
int gLastPopupParent = 0;
std::vector<QEventLoop*> gLoops;  // RunUserInterface's loops, innermost last
int gSyntheticPress = 0;
std::vector<Ctrl*> gPendingDisplays;
QTimer* gDisplayTimer = nullptr;
QElapsedTimer gSinceDisplayFlush;

// Event hub: one filter for every control widget and top-level panel.
class Hub : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override;
    QHash<QObject*, Ctrl*> ctrlOf;
    QHash<QObject*, Panel*> panelOf;
    unsigned long lastPressTime = 0;
    Ctrl* lastPressCtrl = nullptr;
};

Hub* gHub = nullptr;

Hub* TheHub() {
    if (!gHub) gHub = new Hub;
    return gHub;
}

int HasApp() {
    return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr;
}

QPoint PanelPoint(Ctrl* c, QObject* target, QPointF local) {
    Panel* p = FindPanel(c->panel);
    QWidget* t = qobject_cast<QWidget*>(target);
    if (!p || !p->widget || !t) return local.toPoint();
    return t->mapTo(p->widget, local.toPoint());
}

bool Hub::eventFilter(QObject* o, QEvent* e) {
    switch (e->type()) {
        case QEvent::MouseButtonPress: {
            Ctrl* c = ctrlOf.value(o, nullptr);
            if (!c) break;
            auto* me = static_cast<QMouseEvent*>(e);
            const bool right = me->button() == Qt::RightButton;
            const bool left = me->button() == Qt::LeftButton;
            if (!right && !left) break;
            // A press a child ignored comes again to its parent control.
            const bool again =
                me->timestamp() != 0 && me->timestamp() == lastPressTime && c == lastPressCtrl;
            lastPressTime = me->timestamp();
            lastPressCtrl = c;
            if (!again) {
                const QPoint at = PanelPoint(c, o, me->position());
                Deliver(c, right ? EVENT_RIGHT_CLICK : EVENT_LEFT_CLICK, at.y(), at.x());
            }
            return right || gSyntheticPress > 0;
        }
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick: {
            if (!ctrlOf.contains(o)) break;
            return static_cast<QMouseEvent*>(e)->button() == Qt::RightButton;
        }
        case QEvent::ContextMenu:
            if (ctrlOf.contains(o)) return true;
            break;
        case QEvent::KeyPress: {
            Ctrl* c = ctrlOf.value(o, nullptr);
            if (!c) break;
            auto* ke = static_cast<QKeyEvent*>(e);
            if (ke->timestamp() != 0 && ke->timestamp() == lastPressTime && c == lastPressCtrl)
                break;
            lastPressTime = ke->timestamp();
            lastPressCtrl = c;
            Deliver(c, EVENT_KEYPRESS, ke->key(), static_cast<int>(ke->modifiers()));
            break;
        }
        case QEvent::Resize:
            if (panelOf.contains(o)) FollowPanelSize(static_cast<QWidget*>(o));
            break;
        case QEvent::Close: {
            Panel* p = panelOf.value(o, nullptr);
            if (!p) break;
            e->ignore();
            DeliverPanel(p, EVENT_CLOSE);
            return true;
        }
        default:
            break;
    }
    return QObject::eventFilter(o, e);
}

void MapWidgetTree(QWidget* w, Ctrl* c) {
    Hub* hub = TheHub();
    w->installEventFilter(hub);
    w->setContextMenuPolicy(Qt::PreventContextMenu);
    hub->ctrlOf.insert(w, c);
    const QList<QWidget*> kids = w->findChildren<QWidget*>();
    for (QWidget* k : kids) {
        k->installEventFilter(hub);
        k->setContextMenuPolicy(Qt::PreventContextMenu);
        hub->ctrlOf.insert(k, c);
    }
}

void UnmapWidgetTree(QWidget* w) {
    if (!gHub || !w) return;
    gHub->ctrlOf.remove(w);
    gHub->panelOf.remove(w);
    const QList<QWidget*> kids = w->findChildren<QWidget*>();
    for (QWidget* k : kids) {
        gHub->ctrlOf.remove(k);
        gHub->panelOf.remove(k);
    }
    if (gHub->lastPressCtrl) gHub->lastPressCtrl = nullptr;
}

// ------------------------------------------------------------ kinds ----

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

// ------------------------------------------------------------- values ---

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

void ShowLineText(Ctrl* c, const QString& text) {
    auto* line = static_cast<QLineEdit*>(c->widget.data());
    if (line->text() == text) return;
    line->setText(text);
    line->setCursorPosition(0);  // long texts show their start
}

// Drawing and the serial line (LineTurnBegin): how long drawing waits at
// most for the write that answers a reply, and how often it looks again.
enum { kLineTurnMaxMs = 8, kLineTurnRetryMs = 1 };
QElapsedTimer gLineTurn;  // valid from a delivered reply to the next write

void FlushDisplays() {
    std::vector<Ctrl*> due;
    due.swap(gPendingDisplays);
    for (Ctrl* c : due) {
        if (!c->hasPending) continue;
        c->hasPending = 0;
        if (c->widget) ShowLineText(c, c->pending);
    }
    gSinceDisplayFlush.restart();
}

void QueueDisplayText(Ctrl* c, const QString& text) {
    c->pending = text;
    if (!c->hasPending) {
        c->hasPending = 1;
        gPendingDisplays.push_back(c);
    }
    if (!gDisplayTimer) {
        gDisplayTimer = new QTimer;
        gDisplayTimer->setSingleShot(true);
        QObject::connect(gDisplayTimer, &QTimer::timeout, [] {
            int retryMs = 0;
            if (LineTurnHeld(&retryMs))
                gDisplayTimer->start(retryMs);
            else
                FlushDisplays();
        });
    }
    if (gDisplayTimer->isActive()) return;
    qint64 wait = 0;
    if (gSinceDisplayFlush.isValid() && gSinceDisplayFlush.elapsed() < kDisplayRefreshMs)
        wait = kDisplayRefreshMs - gSinceDisplayFlush.elapsed();
    gDisplayTimer->start(static_cast<int>(wait));
}

void DropPendingDisplays(int panel) {
    std::vector<Ctrl*>& list = gPendingDisplays;
    for (size_t i = 0; i < list.size();)
        if (list[i]->panel == panel)
            list.erase(list.begin() + static_cast<long>(i));
        else
            ++i;
}

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

template <class T>
int GetAs(int panel, int control, T* value, double lo, double hi) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return FindPanel(panel) ? kUiErrControl : kUiErrPanel;
    if (!value) return kUiErrValue;
    double v = 0.0;
    const int rc = GetNumber(c, &v);
    if (rc < 0) return rc;
    if (v < lo) v = lo;
    if (v > hi) v = hi;
    *value = static_cast<T>(v);
    return 0;
}

template <class T>
int GetAsInteger(int panel, int control, T* value, double lo, double hi) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return FindPanel(panel) ? kUiErrControl : kUiErrPanel;
    if (!value) return kUiErrValue;
    double v = 0.0;
    const int rc = GetNumber(c, &v);
    if (rc < 0) return rc;
    v = std::nearbyint(v);
    if (v < lo) v = lo;
    if (v > hi) v = hi;
    *value = static_cast<T>(v);
    return 0;
}

int ErrorFor(int panel) {
    return FindPanel(panel) ? kUiErrControl : kUiErrPanel;
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

int InRange(int v) {
    return v >= -kMaxCoordinate && v <= kMaxCoordinate;
}

QFont ApplicationFont() {
    return QApplication::font();
}

}  // namespace

// ======================================================= internal API ===

Panel* FindPanel(int handle) {
    if (handle < 1 || static_cast<size_t>(handle) > gPanels.size()) return nullptr;
    Panel* p = gPanels[static_cast<size_t>(handle - 1)];
    if (!p || !p->widget) return nullptr;
    return p;
}

Ctrl* FindCtrlRecord(int panel, int control) {
    Panel* p = FindPanel(panel);
    if (!p || control < 0 || static_cast<size_t>(control) >= p->ctrls.size()) return nullptr;
    return p->ctrls[static_cast<size_t>(control)];
}

Ctrl* FindCtrl(int panel, int control) {
    Ctrl* c = FindCtrlRecord(panel, control);
    if (!c || !c->widget) return nullptr;
    return c;
}

int PanelCount(void) {
    return static_cast<int>(gPanels.size());
}

void LineTurnBegin(void) {
    gLineTurn.start();
}

void LineTurnEnd(void) {
    gLineTurn.invalidate();
}

int LineTurnHeld(int* retryMs) {
    if (!gLineTurn.isValid()) return 0;
    if (gLineTurn.elapsed() >= kLineTurnMaxMs) {
        gLineTurn.invalidate();
        return 0;
    }
    *retryMs = kLineTurnRetryMs;
    return 1;
}

void DisplayFlushAll(void) {
    FlushDisplays();
}

QString CtrlText(Ctrl* c) {
    return c && c->widget ? TextOf(c) : QString();
}

int CtrlBackground(Ctrl* c) {
    if (!c || !c->widget) return -1;
    if (c->bgColor >= 0) return c->bgColor;
    return FromColor(c->widget->palette().color(BackgroundRole(c->kind)));
}

int CtrlSetNumber(Ctrl* c, double value) {
    if (!c || !c->widget) return kUiErrControl;
    return SetNumber(c, value, value == std::floor(value) ? 1 : 0);
}

int BindingByName(const char* name, int* resourceId, int* controlId) {
    if (!name || !gCtrlTable) return 0;
    for (int i = 0; i < gCtrlCount; ++i) {
        const CtrlBinding& b = gCtrlTable[i];
        if (b.name && std::strcmp(b.name, name) == 0) {
            if (resourceId) *resourceId = b.resourceId;
            if (controlId) *controlId = b.controlId;
            return 1;
        }
    }
    return 0;
}

int PanelOfResource(int resourceId) {
    for (size_t i = 0; i < gPanels.size(); ++i) {
        Panel* p = gPanels[i];
        if (p && p->widget && p->resourceId == resourceId) return p->handle;
    }
    return 0;
}

void Deliver(Ctrl* c, int event, int data1, int data2) {
    if (!c || !c->callback || !c->widget || !FindPanel(c->panel)) return;
    // A dimmed control answers nothing, as its widget takes no input.
    if (!c->widget->isEnabled()) return;
    ++gDelivering;
    const int outer = gAnswering;
    gAnswering = c->panel;
    c->callback(c->panel, c->id, event, nullptr, data1, data2);
    gAnswering = outer;
    --gDelivering;
    RunUserEventHook(event);
}

Ctrl* CtrlOfWidget(QObject* w) {
    return gHub ? gHub->ctrlOf.value(w, nullptr) : nullptr;
}

int DeliverPanel(Panel* p, int event) {
    if (!p || !p->callback) return 0;
    ++gDelivering;
    const int outer = gAnswering;
    gAnswering = p->handle;
    p->callback(p->handle, event, nullptr, 0, 0);
    gAnswering = outer;
    --gDelivering;
    return 1;
}

// The top-level panel of a window, 0 when none.
int WindowPanel(const QWidget* window) {
    for (Panel* p : gPanels)
        if (p && p->widget && p->widget == window) return p->handle;
    return 0;
}

QWidget* PopupParent(void) {
    QWidget* window = nullptr;
    if (Panel* p = FindPanel(gAnswering)) window = p->widget ? p->widget->window() : nullptr;
    if (!window) {
        QWidget* active = QApplication::activeWindow();
        if (active && WindowPanel(active)) window = active;
    }
    for (size_t i = 0; !window && i < gPanels.size(); ++i)
        if (gPanels[i] && gPanels[i]->widget && gPanels[i]->widget->isWindow())
            window = gPanels[i]->widget;
    gLastPopupParent = WindowPanel(window);
    return window;
}

int LastPopupParent(void) {
    return gLastPopupParent;
}

Quiet::Quiet() {
    ++gQuiet;
}
Quiet::~Quiet() {
    --gQuiet;
}
int IsQuiet(void) {
    return gQuiet > 0;
}

int SendPress(Ctrl* c, int rightButton) {
    if (!c || !c->widget) return 0;
    QWidget* w = c->widget;
    const QPointF local(w->width() / 2.0, w->height() / 2.0);
    const Qt::MouseButton button = rightButton ? Qt::RightButton : Qt::LeftButton;
    QMouseEvent press(QEvent::MouseButtonPress, local, w->mapToGlobal(local), button, button,
                      Qt::NoModifier);
    ++gSyntheticPress;
    QCoreApplication::sendEvent(w, &press);
    --gSyntheticPress;
    return 1;
}

int SendClose(Panel* p) {
    if (!p || !p->widget) return 0;
    if (p->widget->isWindow()) {
        QCloseEvent ev;
        QCoreApplication::sendEvent(p->widget, &ev);
        return 1;
    }
    DeliverPanel(p, EVENT_CLOSE);
    return 1;
}

QString FromC(const char* text, int* was8bit) {
    if (was8bit) *was8bit = 0;
    if (!text) return QString();
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString s = utf8(QByteArrayView(text, static_cast<qsizetype>(std::strlen(text))));
    if (!utf8.hasError()) return s;
    if (was8bit) *was8bit = 1;
    return QString::fromLatin1(text);
}

int CopyOut(const QString& text, char* buffer, int size, int as8bit) {
    if (!buffer || size < 1) return -1;
    QByteArray bytes;
    bool fits8bit = as8bit != 0;
    if (fits8bit)
        for (QChar ch : text)
            if (ch.unicode() > 0xFF) {
                fits8bit = false;
                break;
            }
    bytes = fits8bit ? text.toLatin1() : text.toUtf8();
    qsizetype n = bytes.size();
    if (n > size - 1) {
        n = size - 1;
        // Do not leave half a UTF-8 sequence at the end.
        if (!fits8bit)
            while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80) --n;
    }
    std::memcpy(buffer, bytes.constData(), static_cast<size_t>(n));
    buffer[n] = '\0';
    return static_cast<int>(n);
}

}  // namespace kui

using namespace kui;

// ========================================================== panels ======

void RegisterForms(const FormBuilder* forms, int formCount) {
    gForms = forms;
    gFormCount = forms && formCount > 0 ? formCount : 0;
}

void RegisterControls(const CtrlBinding* controls, int controlCount, const PanelBinding* panels,
                      int panelCount) {
    gCtrlTable = controls;
    gCtrlCount = controls && controlCount > 0 ? controlCount : 0;
    gPanelTable = panels;
    gPanelCount = panels && panelCount > 0 ? panelCount : 0;
}

int LoadPanel(int parentPanel, const char* resourceFile, int resourceId) {
    (void)resourceFile;  // the program registers its forms instead
    if (!HasApp()) return kUiErrPanel;
    const FormBuilder* form = nullptr;
    for (int i = 0; i < gFormCount; ++i)
        if (gForms[i].resourceId == resourceId && gForms[i].build) form = &gForms[i];
    if (!form) return kUiErrValue;
    Panel* parent = nullptr;
    if (parentPanel != 0) {
        parent = FindPanel(parentPanel);
        if (!parent) return kUiErrPanel;
    }

    auto* p = new Panel;
    p->handle = static_cast<int>(gPanels.size()) + 1;
    p->resourceId = resourceId;
    p->parent = parentPanel;
    QWidget* w = form->build(parent ? parent->widget.data() : nullptr);
    p->widget = w;
    Panel* owner = nullptr;
    for (size_t i = 0; !parent && !owner && i < gPanels.size(); ++i)
        if (gPanels[i] && gPanels[i]->widget && gPanels[i]->widget->isWindow()) owner = gPanels[i];
    if (owner) {
        // Further windows belong to the first (the main window): they stay
        // in front of it, go with it, and have no task-bar entry of their own.
        w->setParent(owner->widget, Qt::Window);
        p->parent = owner->handle;
    }
    if (parent) {
        // A loaded panel waits for DisplayPanel, also inside a shown parent.
        w->hide();
    } else {
        w->setMinimumSize(w->size());
        w->installEventFilter(TheHub());
        TheHub()->panelOf.insert(w, p);
    }
    for (int i = 0; i < gPanelCount; ++i)
        if (gPanelTable[i].resourceId == resourceId) {
            p->name = gPanelTable[i].name ? gPanelTable[i].name : "";
            p->callback = gPanelTable[i].callback;
            break;
        }
    gPanels.push_back(p);
    for (int i = 0; i < gCtrlCount; ++i)
        if (gCtrlTable[i].resourceId == resourceId) BindControl(p, gCtrlTable[i]);
    return p->handle;
}

// Raises a panel; windows only where the platform can (offscreen cannot and
// says so on every call).
void RaisePanel(QWidget* w) {
    if (w->isWindow() && QGuiApplication::platformName() == QLatin1String("offscreen")) return;
    w->raise();
    if (w->isWindow()) w->activateWindow();
}

int DisplayPanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    p->widget->show();
    RaisePanel(p->widget);
    return 0;
}

int HidePanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    p->widget->hide();
    return 0;
}

int DiscardPanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    for (size_t i = 0; i < gPanels.size(); ++i)
        if (gPanels[i] && gPanels[i]->widget && gPanels[i]->parent == panel)
            DiscardPanel(gPanels[i]->handle);
    QWidget* w = p->widget;
    UnmapWidgetTree(w);
    DropPendingDisplays(panel);
    w->hide();
    std::vector<Ctrl*> records;
    records.swap(p->ctrls);
    for (Ctrl* c : records)
        if (c && c->graph) {
            GraphDetach(c->graph);
            c->graph = nullptr;
        }
    QObject::connect(w, &QObject::destroyed, [records]() {
        for (Ctrl* c : records) delete c;
    });
    // The handle is not given again; its record goes with the panel.
    gPanels[static_cast<size_t>(panel - 1)] = nullptr;
    delete p;
    // A callback that asks for this may still be running inside one of the
    // widgets: they go when the event loop next runs. Outside the loop and
    // every callback (the program's exit) no loop runs again: they go now.
    if (gLoops.empty() && gDelivering == 0)
        delete w;
    else
        w->deleteLater();
    return 0;
}

int SetActivePanel(int panel) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    QWidget* top = p->widget->window();
    RaisePanel(top);
    top->activateWindow();
    return 0;
}

int SetActiveCtrl(int panel, int control) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    c->widget->setFocus(Qt::OtherFocusReason);
    return 0;
}

int GetPanelAttribute(int panel, int attribute, int* value) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    if (!value) return kUiErrValue;
    QWidget* w = p->widget;
    switch (attribute) {
        case ATTR_LEFT:
            *value = w->isWindow() ? w->geometry().x() : w->x();
            return 0;
        case ATTR_TOP:
            *value = w->isWindow() ? w->geometry().y() : w->y();
            return 0;
        case ATTR_WIDTH:
            *value = w->width();
            return 0;
        case ATTR_HEIGHT:
            *value = w->height();
            return 0;
        case ATTR_VISIBLE:
            *value = w->isHidden() ? 0 : 1;
            return 0;
        case ATTR_DIMMED:
            *value = w->isEnabled() ? 0 : 1;
            return 0;
        default:
            return kUiErrKind;
    }
}

int SetPanelAttribute(int panel, int attribute, int value) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    QWidget* w = p->widget;
    switch (attribute) {
        // A window's place is that of its client area, as its controls
        // are placed: the frame around it is the window system's.
        case ATTR_LEFT:
            if (!InRange(value)) return kUiErrValue;
            if (w->isWindow())
                w->setGeometry(value, w->geometry().y(), w->width(), w->height());
            else
                w->move(value, w->y());
            return 0;
        case ATTR_TOP:
            if (!InRange(value)) return kUiErrValue;
            if (w->isWindow())
                w->setGeometry(w->geometry().x(), value, w->width(), w->height());
            else
                w->move(w->x(), value);
            return 0;
        case ATTR_WIDTH:
            if (value < 0 || value > kMaxCoordinate) return kUiErrValue;
            w->resize(value, w->height());
            return 0;
        case ATTR_HEIGHT:
            if (value < 0 || value > kMaxCoordinate) return kUiErrValue;
            w->resize(w->width(), value);
            return 0;
        case ATTR_VISIBLE:
            if (value) {
                w->show();
                RaisePanel(w);
            } else {
                w->hide();
            }
            return 0;
        case ATTR_DIMMED:
            w->setEnabled(value == 0);
            return 0;
        default:
            return kUiErrKind;
    }
}

int SetPanelAttribute(int panel, int attribute, const char* value) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    if (!value) return kUiErrValue;
    if (attribute != ATTR_TITLE) return kUiErrKind;
    p->widget->setWindowTitle(FromC(value, nullptr));
    return 0;
}

// ================================================= the event loop =======

namespace {
int gQuitPending = 0;
int gQuitCode = 0;
int gQuitCalls = 0;
}  // namespace

int kui::QuitCount(void) {
    return gQuitCalls;
}

int ProcessDrawEvents(void) {
    if (!HasApp()) return 0;
    if (gDisplayTimer && gDisplayTimer->isActive() &&
        (!gSinceDisplayFlush.isValid() || gSinceDisplayFlush.elapsed() >= kDisplayRefreshMs)) {
        gDisplayTimer->stop();
        FlushDisplays();
    }
    GraphFlushDue();
    // The windows' repaints of what changed, now rather than at the start
    // of the next event processing, which may be the one a reply ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::UpdateRequest);
    return 0;
}

int RunUserInterface(void) {
    if (!HasApp()) return kUiErrPanel;
    if (gQuitPending) {
        gQuitPending = 0;
        return gQuitCode;
    }
    QEventLoop loop;
    gLoops.push_back(&loop);
    ScriptStartIfPending();
    loop.exec();
    gLoops.pop_back();
    return gQuitCode;
}

int QuitUserInterface(int returnCode) {
    ++gQuitCalls;
    gQuitCode = returnCode;
    if (gLoops.empty()) {
        // Asked before the loop runs: the loop then returns at once.
        gQuitPending = 1;
        return 0;
    }
    gLoops.back()->exit(returnCode);
    return 0;
}

// ========================================================= values =======

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
    return GetAsInteger(panel, control, value, INT_MIN, INT_MAX);
}
int GetCtrlVal(int panel, int control, unsigned short* value) {
    return GetAsInteger(panel, control, value, 0, 65535);
}
int GetCtrlVal(int panel, int control, short* value) {
    return GetAsInteger(panel, control, value, -32768, 32767);
}
int GetCtrlVal(int panel, int control, unsigned int* value) {
    return GetAsInteger(panel, control, value, 0, 4294967295.0);
}
int GetCtrlVal(int panel, int control, double* value) {
    return GetAs(panel, control, value, -HUGE_VAL, HUGE_VAL);
}
int GetCtrlVal(int panel, int control, float* value) {
    return GetAs(panel, control, value, -3.4e38, 3.4e38);
}

int GetCtrlString(int panel, int control, char* buffer, int size) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (!buffer || size < 1) return kUiErrValue;
    if (CopyOut(TextOf(c), buffer, size, c->legacy8bit) < 0) return kUiErrValue;
    return 0;
}

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
            *value = c->bgColor >= 0 ? c->bgColor
                                     : FromColor(w->palette().color(BackgroundRole(c->kind)));
            return 0;
        case ATTR_TEXT_COLOR:
            *value =
                c->textColor >= 0 ? c->textColor : FromColor(w->palette().color(TextRole(c->kind)));
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

// ========================================================== rings =======

int ReplaceListItem(int panel, int control, int index, const char* label, int value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindRing) return kUiErrKind;
    if (!label) return kUiErrValue;
    auto* r = static_cast<QComboBox*>(c->widget.data());
    if (index < 0 || index > r->count()) return kUiErrValue;
    const QString text = FromC(label, nullptr);
    Quiet quiet;
    if (index == r->count()) {
        if (r->count() >= kMaxRingItems) return kUiErrValue;
        r->addItem(text, value);
    } else {
        r->setItemText(index, text);
        r->setItemData(index, value);
    }
    return 0;
}

int InsertListItem(int panel, int control, int index, const char* label, int value) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindRing) return kUiErrKind;
    if (!label) return kUiErrValue;
    auto* r = static_cast<QComboBox*>(c->widget.data());
    if (index == -1) index = r->count();  // -1: at the end
    if (index < 0 || index > r->count()) return kUiErrValue;
    if (r->count() >= kMaxRingItems) return kUiErrValue;
    Quiet quiet;
    r->insertItem(index, FromC(label, nullptr), value);
    return 0;
}

int ClearListCtrl(int panel, int control) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindRing) return kUiErrKind;
    Quiet quiet;
    static_cast<QComboBox*>(c->widget.data())->clear();
    return 0;
}

// ====================================================== text boxes ======

int ResetTextBox(int panel, int control, const char* text) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindTextBox && c->kind != kKindLine) return kUiErrKind;
    int was8bit = 0;
    const QString s = FromC(text ? text : "", &was8bit);
    Quiet quiet;
    SetText(c, s, was8bit);
    return 0;
}

int ReplaceTextBoxLine(int panel, int control, int line, const char* text) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindTextBox) return kUiErrKind;
    if (!text || line < 0 || line >= kMaxTextBoxLines) return kUiErrValue;
    int was8bit = 0;
    QString s = FromC(text, &was8bit);
    // One line stays one line.
    s.replace(QLatin1Char('\n'), QLatin1Char(' '));
    s.replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (was8bit) c->legacy8bit = 1;
    auto* box = static_cast<QPlainTextEdit*>(c->widget.data());
    QTextDocument* doc = box->document();
    Quiet quiet;
    QTextCursor cur(doc);
    if (line >= doc->blockCount()) {
        cur.movePosition(QTextCursor::End);
        QString pad;
        for (int i = doc->blockCount(); i <= line; ++i) pad += QLatin1Char('\n');
        cur.insertText(pad);
    }
    QTextBlock block = doc->findBlockByNumber(line);
    cur.setPosition(block.position());
    cur.setPosition(block.position() + block.length() - 1, QTextCursor::KeepAnchor);
    cur.insertText(s);
    return 0;
}

int GetTextBoxLine(int panel, int control, int line, char* buffer, int size) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    if (c->kind != kKindTextBox) return kUiErrKind;
    if (!buffer || size < 1) return kUiErrValue;
    QTextDocument* doc = static_cast<QPlainTextEdit*>(c->widget.data())->document();
    if (line < 0 || line >= doc->blockCount()) {
        buffer[0] = '\0';
        return kUiErrValue;
    }
    CopyOut(doc->findBlockByNumber(line).text(), buffer, size, c->legacy8bit);
    return 0;
}

// ============================================== run-time controls =======

int NewCtrl(int panel, int style, const char* label, int top, int left) {
    Panel* p = FindPanel(panel);
    if (!p) return kUiErrPanel;
    if (style != CTRL_TEXT_MSG) return kUiErrKind;
    if (!InRange(top) || !InRange(left)) return kUiErrValue;
    const int id = p->nextNewCtrl;
    if (id < kFirstNewCtrlId || id > INT_MAX - 1) return kUiErrValue;
    int was8bit = 0;
    auto* l = new QLabel(FromC(label ? label : "", &was8bit), p->widget);
    l->setObjectName(QStringLiteral("TextMsg%1").arg(id));
    l->move(left, top);
    auto* c = new Ctrl;
    c->panel = p->handle;
    c->id = id;
    c->name = "";
    c->widget = l;
    c->kind = kKindLabel;
    c->autoSize = 1;
    c->legacy8bit = was8bit;
    l->adjustSize();
    if (static_cast<size_t>(id) >= p->ctrls.size())
        p->ctrls.resize(static_cast<size_t>(id) + 1, nullptr);
    p->ctrls[static_cast<size_t>(id)] = c;
    p->nextNewCtrl = id + 1;
    MapWidgetTree(l, c);
    l->show();
    return id;
}

int DisplayImageFile(int panel, int control, const char* path) {
    Ctrl* c = FindCtrl(panel, control);
    if (!c) return ErrorFor(panel);
    auto* l = qobject_cast<QLabel*>(c->widget.data());
    if (!l) return kUiErrKind;
    QPixmap pm;
    QString file = FromC(path ? path : "", nullptr);
    if (!file.isEmpty() && QFileInfo(file).isRelative() && !QFileInfo::exists(file)) {
        // A bare name means the file beside the program.
        const QString beside = QCoreApplication::applicationDirPath() + QLatin1Char('/') + file;
        if (QFileInfo::exists(beside)) file = beside;
    }
    if (file.isEmpty() || !pm.load(file)) {
        l->clear();
        return kUiErrFile;
    }
    l->setPixmap(pm);
    return 0;
}
