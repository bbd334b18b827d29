#include "ui/widgets/TrackBar.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {
constexpr int TickLength = 4;
}

TrackBar::TrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
    setTickPosition(QSlider::NoTicks);
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QSlider::valueChanged, this, &TrackBar::Change);
}

void TrackBar::SetTick(int position) {
    if (!ticks.contains(position)) {
        ticks.append(position);
        update();
    }
}

void TrackBar::ClearTicks() {
    if (!ticks.isEmpty()) {
        ticks.clear();
        update();
    }
}

// Qt's horizontal slider moves right on Up and Page Up; the track bar users know moves left on
// them (towards the first frame) and right on Down and Page Down.
void TrackBar::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() == Qt::NoModifier || event->modifiers() == Qt::KeypadModifier) {
        switch (event->key()) {
        case Qt::Key_Up:
            triggerAction(QAbstractSlider::SliderSingleStepSub);
            return;
        case Qt::Key_Down:
            triggerAction(QAbstractSlider::SliderSingleStepAdd);
            return;
        case Qt::Key_PageUp:
            triggerAction(QAbstractSlider::SliderPageStepSub);
            return;
        case Qt::Key_PageDown:
            triggerAction(QAbstractSlider::SliderPageStepAdd);
            return;
        default:
            break;
        }
    }
    QSlider::keyPressEvent(event);
}

void TrackBar::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (ticks.isEmpty() || maximum() < minimum())
        return;

    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre travels over the groove minus one handle width: ticks line up with it.
    const int span = groove.width() - handle.width();
    const int origin = groove.left() + handle.width() / 2;
    const int top = handle.bottom() + 2;

    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    for (int tick : ticks) {
        if (tick < minimum() || tick > maximum())
            continue;
        const int x = origin + QStyle::sliderPositionFromValue(minimum(), maximum(), tick, span);
        painter.drawLine(x, top, x, top + TickLength);
    }
}
