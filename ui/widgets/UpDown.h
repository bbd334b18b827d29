#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons stepping a position by a signed increment within Min ... Max.
// The "next" arrow (up, or right when horizontal) adds the increment, the other subtracts it;
// a negative increment therefore makes the up arrow lower the position. Click() follows every
// arrow press, after the position has moved (or stayed at its limit). Takes no keyboard focus.
class UpDown : public QWidget {
    Q_OBJECT
    Q_PROPERTY(Qt::Orientation orientation READ orientation WRITE setOrientation)

public:
    enum class Button { Next, Previous };

    explicit UpDown(QWidget* parent = nullptr);

    Qt::Orientation orientation() const { return orient; }
    void setOrientation(Qt::Orientation orientation);

    int Position() const { return position; }
    // Clamped into Min() ... Max().
    void SetPosition(int value);
    int Min() const { return min; }
    int Max() const { return max; }
    void SetMin(int value);
    void SetMax(int value);
    int Increment() const { return increment; }
    void SetIncrement(int value) { increment = value; }

    // Presses an arrow as the user would.
    void Press(Button button);

    QToolButton* NextButton() const { return nextButton; }
    QToolButton* PreviousButton() const { return previousButton; }

signals:
    void Click(UpDown::Button button);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    int Clamp(int value) const;
    void PlaceButtons();

    QToolButton* nextButton;
    QToolButton* previousButton;
    Qt::Orientation orient = Qt::Vertical;
    int min = 0;
    int max = 100;
    int position = 0;
    int increment = 1;
};
