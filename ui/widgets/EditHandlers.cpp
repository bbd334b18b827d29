#include "ui/widgets/EditHandlers.h"

#include "model/UseFullUnit.h"

#include <QAction>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QString>

namespace {

constexpr const char* FilterObjectName = "EditHandlersFilter";

char FilterCharacter(QChar c, char (*keyFilter)(char)) {
    return static_cast<char>(FilterKey(keyFilter, c).unicode());
}

class EditEventFilter final : public QObject {
public:
    EditEventFilter(QLineEdit* edit, EditHandlers handlers)
        : QObject(edit), box(edit), h(std::move(handlers)) {
        setObjectName(QLatin1String(FilterObjectName));
        edit->installEventFilter(this);
        if (h.KeyFilter != nullptr)
            edit->setAcceptDrops(false);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box)
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
            return KeyPress(static_cast<QKeyEvent*>(event));
        case QEvent::FocusOut: {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && h.OnExit)
                h.OnExit();
            return false;
        }
        case QEvent::InputMethod:
            // Qt lets an input method write into a read-only box.
            if (box->isReadOnly())
                return true;
            if (h.KeyFilter != nullptr)
                FilterCommit(static_cast<QInputMethodEvent*>(event));
            return false;
        case QEvent::ContextMenu:
            return h.KeyFilter != nullptr && ContextMenu(static_cast<QContextMenuEvent*>(event));
        case QEvent::MouseButtonRelease:
            // The X11 selection is pasted by the middle button.
            if (h.KeyFilter != nullptr && static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton) {
                if (!box->isReadOnly())
                    PasteFiltered(QGuiApplication::clipboard()->text(QClipboard::Selection));
                return true;
            }
            return false;
        default:
            return false;
        }
    }

private:
    bool KeyPress(QKeyEvent* event) {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (h.OnEnter)
                h.OnEnter();
            return false;
        }
        if (h.KeyFilter == nullptr)
            return false;
        if (event->matches(QKeySequence::Paste)) {
            if (!box->isReadOnly())
                PasteFiltered(QGuiApplication::clipboard()->text());
            return true;
        }
        const QString text = event->text();
        // Shortcuts and editing keys (control characters other than Backspace) keep their meaning;
        // so does Delete, which X11 sends with the text DEL (0x7F).
        if (text.isEmpty() || (text[0].unicode() < 0x20 && text[0].unicode() != 0x08) ||
            text[0].unicode() == 0x7f || (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
            return false;
        // One key may bring several characters: a character beyond 16 bits, a compose sequence.
        if (text.size() > 1) {
            PasteFiltered(text);
            return true;
        }
        if (text[0].unicode() >= 0x80)
            return true;
        const char original = static_cast<char>(text[0].unicode());
        const char result = FilterCharacter(text[0], h.KeyFilter);
        if (result == original)
            return false;
        if (result != 0 && !box->isReadOnly())
            box->insert(QString(QChar(static_cast<unsigned char>(result))));
        return true;
    }

    bool ContextMenu(QContextMenuEvent* event) {
        QMenu* menu = box->createStandardContextMenu();
        menu->setAttribute(Qt::WA_DeleteOnClose);
        // Qt 6.4 names none of the menu's actions: its paste is the one linked to the box's paste
        // slot (by the slot's name there, by a pointer in later versions).
        for (QAction* action : menu->actions()) {
            bool isPaste = false;
            if (action->objectName() == QLatin1String("edit-paste"))
                isPaste = disconnect(action, &QAction::triggered, nullptr, nullptr);
            else
                isPaste = disconnect(action, SIGNAL(triggered()), box, SLOT(paste())) ||
                          disconnect(action, &QAction::triggered, box, &QLineEdit::paste);
            if (isPaste)
                connect(action, &QAction::triggered, this,
                        [this] { PasteFiltered(QGuiApplication::clipboard()->text()); });
        }
        menu->popup(event->globalPos());
        return true;
    }

    void PasteFiltered(const QString& text) {
        if (box->isReadOnly())
            return;
        const QString filtered = FilterText(text, h.KeyFilter);
        if (!filtered.isEmpty())
            box->insert(filtered);
    }

    // Text committed by an input method (dead keys, compose, on-screen keyboards) comes without a
    // key press.
    void FilterCommit(QInputMethodEvent* event) {
        const QString commit = event->commitString();
        if (commit.isEmpty())
            return;
        const QString filtered = FilterText(commit, h.KeyFilter);
        if (filtered != commit)
            event->setCommitString(filtered, event->replacementStart(), event->replacementLength());
    }

    QLineEdit* box;
    EditHandlers h;
};

} // namespace

QString FilterText(const QString& text, char (*keyFilter)(char)) {
    if (keyFilter == nullptr)
        return text;
    QString result;
    for (QChar c : text) {
        // Control characters (line breaks of a pasted block) have no place in a one-line box.
        if (c.unicode() < 0x20)
            continue;
        if (const char r = FilterCharacter(c, keyFilter); r != 0 && static_cast<unsigned char>(r) >= 0x20)
            result += QChar(static_cast<unsigned char>(r));
    }
    return result;
}

void AttachEditHandlers(QLineEdit* edit, EditHandlers handlers) {
    if (auto* previous =
            edit->findChild<QObject*>(QLatin1String(FilterObjectName), Qt::FindDirectChildrenOnly))
        delete previous;
    new EditEventFilter(edit, std::move(handlers));
}

void ClearDefaultButtons(QWidget* root) {
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}
