#include "ui/widgets/ImageCanvas.h"

#include <QPainter>

ImageCanvas::ImageCanvas(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QImage& ImageCanvas::Picture() {
    if (picture.size() != size() && !size().isEmpty()) {
        picture = QImage(size(), QImage::Format_RGB888);
        picture.fill(palette().color(QPalette::Button));
    }
    return picture;
}

void ImageCanvas::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Picture();
}

void ImageCanvas::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Button));
    if (!picture.isNull())
        painter.drawImage(0, 0, picture);
    QWidget::paintEvent(event);
}
