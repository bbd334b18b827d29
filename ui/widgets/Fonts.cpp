#include "ui/widgets/Fonts.h"

#include <QFont>
#include <QWidget>

void SetFontPixels(QWidget* widget, const QString& family, int pixels, bool bold) {
    QFont font = widget->font();
    if (!family.isEmpty())
        font.setFamily(family);
    font.setPixelSize(pixels);
    font.setBold(bold);
    widget->setFont(font);
}
