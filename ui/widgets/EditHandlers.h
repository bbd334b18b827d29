#pragma once

#include <functional>

class QLineEdit;
class QWidget;

// What an edit box does with its text, the Enter key and the focus, written once for every
// numeric box.
struct EditHandlers {
    // Each character that reaches the box, by whatever road, goes through it: the result replaces
    // the character, 0 swallows it (see KeyFilterValidator). Null accepts everything.
    char (*KeyFilter)(char) = nullptr;
    // The Enter key (Return or keypad Enter, whatever the modifiers) was pressed in the box; the
    // key still reaches the box afterwards.
    std::function<void()> OnEnter;
    // The box lost the focus to another control. Focus lost because a message box, a popup or
    // another window came up does not count, or a refused value would be handled twice.
    std::function<void()> OnExit;
};

// Installs the handlers on the box (a validator and an event filter owned by the box; a second
// call replaces both). While the box is read-only, nothing of the user's gets in.
void AttachEditHandlers(QLineEdit* edit, EditHandlers handlers);

// No push button under `root` may react to Return as a default button would.
void ClearDefaultButtons(QWidget* root);
