#include "ui/widgets/KeyFilterValidator.h"

#include "model/UseFullUnit.h"

#include <QLineEdit>
#include <algorithm>

KeyFilterValidator::KeyFilterValidator(QLineEdit* edit, char (*keyFilter)(char))
    : QValidator(edit), box(edit), filter(keyFilter), shown(edit->text()) {}

QValidator::State KeyFilterValidator::validate(QString& input, int& pos) const {
    // QLineEdit clears its modified flag when the program sets the text and raises it with every
    // change the user makes.
    if (!box->isModified()) {
        shown = input;
        return Acceptable;
    }
    if (box->isReadOnly()) {
        input = shown;
        pos = static_cast<int>(shown.size());
        return Acceptable;
    }
    if (filter == nullptr) {
        shown = input;
        return Acceptable;
    }
    // The characters brought stand between what the change kept of the former text in front of
    // them and the cursor, which the change leaves after them. Where they repeat the former
    // characters around them the split is ambiguous, which the filter, character by character,
    // does not mind.
    qsizetype start = 0;
    while (start < shown.size() && start < input.size() && shown[start] == input[start])
        ++start;
    const qsizetype cursor = std::clamp<qsizetype>(pos, 0, input.size());
    const QStringView behind = QStringView(input).mid(cursor);
    qsizetype end = cursor;
    if (shown.endsWith(behind)) {
        start = std::min({start, cursor, shown.size() - behind.size()});
    } else {
        // Not a change ending at the cursor (an input method may replace elsewhere): what differs.
        qsizetype kept = 0;
        while (kept < input.size() - start && kept < shown.size() - start &&
               shown[shown.size() - 1 - kept] == input[input.size() - 1 - kept])
            ++kept;
        end = input.size() - kept;
    }
    const QString brought = input.mid(start, end - start);
    const QString filtered = FilterText(brought, filter);
    if (!brought.isEmpty() && filtered.isEmpty())
        return Invalid;
    if (filtered != brought) {
        input = input.left(start) + filtered + input.mid(end);
        pos = static_cast<int>(start + filtered.size());
    }
    shown = input;
    return Acceptable;
}

QString FilterText(const QString& text, char (*keyFilter)(char)) {
    if (keyFilter == nullptr)
        return text;
    QString result;
    for (QChar c : text) {
        // Control characters (line breaks of a pasted block) have no place in a one-line box.
        if (c.unicode() < 0x20)
            continue;
        const auto r = static_cast<char>(FilterKey(keyFilter, c).unicode());
        if (r != 0 && static_cast<unsigned char>(r) >= 0x20)
            result += QChar(static_cast<unsigned char>(r));
    }
    return result;
}
