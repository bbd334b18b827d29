#pragma once

#include <QString>
#include <QValidator>

class QLineEdit;

// The character rules of a box, whatever road the text takes: keys, pastes, the context menu, the
// middle button, input methods. The characters a change of the user's brings each go through the
// key filter, which keeps, replaces or swallows them; a change that brings characters and keeps
// none of them is refused whole. Text the program sets passes as it is. While the box is
// read-only nothing of the user's gets in (Qt lets an input method write there).
class KeyFilterValidator final : public QValidator {
public:
    // A null filter lets every character through. The validator belongs to the box.
    KeyFilterValidator(QLineEdit* box, char (*keyFilter)(char));

    State validate(QString& input, int& pos) const override;

private:
    QLineEdit* box;
    char (*filter)(char);
    // The box's text after the last change let in: what the next change is measured against.
    mutable QString shown;
};

// Runs a text through a key filter, dropping swallowed characters and control characters.
QString FilterText(const QString& text, char (*keyFilter)(char));
