#pragma once

#include <QString>

class QWidget;

// Gives `widget` the font `family` (empty keeps the window's) at `pixels` pixels, whatever the
// screen's resolution, as the windows' design sizes them.
void SetFontPixels(QWidget* widget, const QString& family, int pixels, bool bold = false);
