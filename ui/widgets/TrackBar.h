#pragma once

#include <QSlider>
#include <QVector>

// A horizontal slider whose tick marks are placed one by one by the program. Change() is
// emitted for every move by the user and for every position change made by the program, and
// never when the position stays the same.
class TrackBar : public QSlider {
    Q_OBJECT

public:
    explicit TrackBar(QWidget* parent = nullptr);

    int Position() const { return value(); }
    // Clamped into Min() ... Max().
    void SetPosition(int position) { setValue(position); }
    int Min() const { return minimum(); }
    int Max() const { return maximum(); }
    void SetMin(int min) { setMinimum(min); }
    void SetMax(int max) { setMaximum(max); }
    void SetLineSize(int size) { setSingleStep(size); }
    void SetPageSize(int size) { setPageStep(size); }

    void SetTick(int position);
    void ClearTicks();
    const QVector<int>& Ticks() const { return ticks; }

signals:
    void Change();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QVector<int> ticks;
};
