#pragma once

#include <QString>
#include <functional>

class QLineEdit;
class QWidget;

// What an edit box does with the keyboard and the focus, written once for every numeric box.
struct EditHandlers {
    // Each typed character (and each character of pasted or dropped text) goes through it: the
    // result replaces the character, 0 swallows it. Null accepts everything.
    char (*KeyFilter)(char) = nullptr;
    // The Enter key (Return or keypad Enter, whatever the modifiers) was pressed in the box; the
    // key still reaches the box afterwards.
    std::function<void()> OnEnter;
    // The box lost the focus to another control. Focus lost because a message box, a popup or
    // another window came up does not count, or a refused value would be handled twice.
    std::function<void()> OnExit;
};

// Installs the handlers on the box (one event filter owned by the box; a second call replaces it).
// While the box is read-only, nothing an input method commits reaches it.
void AttachEditHandlers(QLineEdit* edit, EditHandlers handlers);

// Runs a text through a key filter, dropping swallowed characters.
QString FilterText(const QString& text, char (*keyFilter)(char));

// No push button under `root` may react to Return as a default button would.
void ClearDefaultButtons(QWidget* root);
