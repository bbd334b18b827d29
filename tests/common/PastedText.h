#pragma once

#include <QString>
#include <optional>
#include <vector>

class QAction;
class QLineEdit;
class QMenu;

// Whole texts arriving in a numeric box by every road Qt has for them: what each box's filter
// must make of them, and the one way each road delivers them.

enum class Way { CtrlV, ShiftInsert, ContextMenu, MiddleButton, Drop, InputMethod, SetText };
inline constexpr Way AllWays[] = {Way::CtrlV, Way::ShiftInsert, Way::ContextMenu, Way::MiddleButton,
                                  Way::Drop,  Way::InputMethod, Way::SetText};
const char* WayName(Way way);

struct PastedText {
    const char* name;
    QString text;
    QString integer;    // what GetValidIntegerKey lets through
    QString real;       // what GetValidRealKey lets through, '#' standing for the locale's separator
    QString signedText; // what GetValidSignedIntegerKey lets through
    // What the boxes' own conversions read in the whole, unfiltered text, as the program may put it
    // there: integers as Delphi's StrToInt64 reads them, reals with a comma and with a point.
    std::optional<int64_t> rawInteger;
    std::optional<double> rawRealComma;
    std::optional<double> rawRealPoint;
};
std::vector<PastedText> PastedTexts();

// Puts the text into the box by one road, as Qt delivers it: through the clipboard (and the X11
// selection where there is one), the box's context menu, a drop on its window, an input method's
// commit or the program's setText. The box has the focus and all its text selected first, and the
// focus again after.
void DeliverText(QLineEdit* box, Way way, const QString& text);

// The context menu's paste, found by its caption: Qt names none of the menu's actions.
QAction* PasteAction(QMenu* menu);

// An optional minus sign then ASCII digits, as every filtered integer text is; nothing for any
// other text or beyond 64 bits.
std::optional<int64_t> DigitsValue(const QString& text);
// Nothing but ASCII digits and the characters allowed.
bool OnlyCharacters(const QString& text, const QString& allowed);
