#include "ui/widgets/UpDown.h"

#include <QToolButton>
#include <algorithm>
#include <limits>

UpDown::UpDown(QWidget* parent)
    : QWidget(parent), nextButton(new QToolButton(this)), previousButton(new QToolButton(this)) {
    for (QToolButton* button : {nextButton, previousButton}) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
        button->setAutoRaise(false);
    }
    connect(nextButton, &QToolButton::clicked, this, [this] { Press(Button::Next); });
    connect(previousButton, &QToolButton::clicked, this, [this] { Press(Button::Previous); });
    setFocusPolicy(Qt::NoFocus);
    setOrientation(Qt::Vertical);
}

void UpDown::setOrientation(Qt::Orientation orientation) {
    orient = orientation;
    nextButton->setArrowType(orient == Qt::Vertical ? Qt::UpArrow : Qt::RightArrow);
    previousButton->setArrowType(orient == Qt::Vertical ? Qt::DownArrow : Qt::LeftArrow);
    PlaceButtons();
}

int UpDown::Clamp(int value) const {
    return std::max(min, std::min(value, std::max(min, max)));
}

void UpDown::SetPosition(int value) {
    position = Clamp(value);
}

void UpDown::SetMin(int value) {
    min = value;
    position = Clamp(position);
}

void UpDown::SetMax(int value) {
    max = value;
    position = Clamp(position);
}

void UpDown::Press(Button button) {
    // Widened so that a large increment cannot overflow before the clamp.
    const long long step = button == Button::Next ? increment : -static_cast<long long>(increment);
    const long long target = std::clamp<long long>(position + step, std::numeric_limits<int>::min(),
                                                   std::numeric_limits<int>::max());
    position = Clamp(static_cast<int>(target));
    emit Click(button);
}

void UpDown::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    PlaceButtons();
}

void UpDown::PlaceButtons() {
    const int w = width();
    const int h = height();
    if (orient == Qt::Vertical) {
        nextButton->setGeometry(0, 0, w, h / 2);
        previousButton->setGeometry(0, h / 2, w, h - h / 2);
    } else {
        previousButton->setGeometry(0, 0, w / 2, h);
        nextButton->setGeometry(w / 2, 0, w - w / 2, h);
    }
}
