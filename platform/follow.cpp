// A window larger than its form: controls that carry a "follow" property
// ("x y width height", each the share of the extra width or height added
// to that side) move and grow with it; the rest keep their place. The
// form's own size is the window's minimum, so the shares never shrink a
// control below its drawn size.
#include <QRect>
#include <QStringList>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "platform/userint_internal.h"

namespace kui {

namespace {

enum { kFollowShares = 4 };
const char kFollowProperty[] = "follow";
const char kDrawnAtProperty[] = "followDrawnAt";  // geometry as the form drew it

int Share(double share, int extra) {
    return static_cast<int>(std::lround(share * extra));
}

}  // namespace

void FollowPanelSize(QWidget* panel) {
    const int extraW = std::max(0, panel->width() - panel->minimumWidth());
    const int extraH = std::max(0, panel->height() - panel->minimumHeight());
    for (QObject* o : panel->children()) {
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || w->isWindow()) continue;
        const QVariant follow = w->property(kFollowProperty);
        if (!follow.isValid()) continue;
        const QStringList parts = follow.toString().split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (parts.size() != kFollowShares) continue;
        double share[kFollowShares];
        bool ok = true;
        for (int i = 0; i < kFollowShares && ok; ++i) share[i] = parts[i].toDouble(&ok);
        if (!ok) continue;
        QVariant drawn = w->property(kDrawnAtProperty);
        if (!drawn.isValid()) {
            drawn = w->geometry();
            w->setProperty(kDrawnAtProperty, drawn);
        }
        const QRect at = drawn.toRect();
        w->setGeometry(at.x() + Share(share[0], extraW), at.y() + Share(share[1], extraH),
                       at.width() + Share(share[2], extraW), at.height() + Share(share[3], extraH));
    }
}

}  // namespace kui
