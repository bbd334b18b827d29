#include "ui/widgets/EditHandlers.h"

#include "ui/widgets/KeyFilterValidator.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

namespace {

constexpr const char* FilterObjectName = "EditHandlersFilter";

class EditEventFilter final : public QObject {
public:
    EditEventFilter(QLineEdit* edit, EditHandlers handlers)
        : QObject(edit), box(edit), h(std::move(handlers)) {
        setObjectName(QLatin1String(FilterObjectName));
        edit->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box)
            return false;
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                if (h.OnEnter)
                    h.OnEnter();
                return false;
            }
            // Qt pastes nothing as a deletion of the selection, which no validator can tell from
            // the Delete key: a numeric box keeps its text instead.
            return h.KeyFilter != nullptr && key->matches(QKeySequence::Paste) &&
                   QGuiApplication::clipboard()->text().isEmpty();
        }
        if (event->type() == QEvent::FocusOut) {
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason && h.OnExit)
                h.OnExit();
        }
        return false;
    }

private:
    QLineEdit* box;
    EditHandlers h;
};

} // namespace

void AttachEditHandlers(QLineEdit* edit, EditHandlers handlers) {
    if (auto* previous =
            edit->findChild<QObject*>(QLatin1String(FilterObjectName), Qt::FindDirectChildrenOnly))
        delete previous;
    if (auto* previous = dynamic_cast<const KeyFilterValidator*>(edit->validator()))
        delete previous;
    edit->setValidator(new KeyFilterValidator(edit, handlers.KeyFilter));
    // Numbers are typed or pasted into these boxes, never dragged.
    if (handlers.KeyFilter != nullptr)
        edit->setAcceptDrops(false);
    new EditEventFilter(edit, std::move(handlers));
}

void ClearDefaultButtons(QWidget* root) {
    for (QPushButton* button : root->findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }
}
