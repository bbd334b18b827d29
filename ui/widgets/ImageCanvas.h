#pragma once

#include <QImage>
#include <QWidget>

// Shows a 24-bit picture the size of the widget, which the project draws into. The picture is
// made (filled with the window colour) when the widget gets its size; call update() after drawing.
class ImageCanvas : public QWidget {
    Q_OBJECT

public:
    explicit ImageCanvas(QWidget* parent = nullptr);

    QImage& Picture();
    const QImage& Picture() const { return picture; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage picture;
};
