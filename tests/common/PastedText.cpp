#include "common/PastedText.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>
#include <limits>

const char* WayName(Way way) {
    static constexpr const char* Names[] = {"Ctrl+V", "Shift+Insert", "context menu", "middle button",
                                            "drop",   "input method", "setText"};
    return Names[static_cast<int>(way)];
}

std::vector<PastedText> PastedTexts() {
    const QString digits = QStringLiteral("1234567890").repeated(10000);
    const QString nines = QStringLiteral("99999999999999999999");
    const QString two32 = QStringLiteral("4294967296");
    const QString two31 = QStringLiteral("2147483648");
    const QString twelve = QStringLiteral("12");
    const QString none;
    return {
        {"letters", QStringLiteral("abc"), none, none, none, {}, {}, {}},
        {"digits then letters", QStringLiteral("12abc"), twelve, twelve, twelve, {}, {}, {}},
        {"letters then digits", QStringLiteral("abc12"), twelve, twelve, twelve, {}, {}, {}},
        {"twenty nines", nines, nines, nines, nines, {}, 1e20, 1e20},
        {"2^32", two32, two32, two32, two32, 4294967296, 4294967296.0, 4294967296.0},
        {"2^31", two31, two31, two31, two31, 2147483648, 2147483648.0, 2147483648.0},
        {"minus five", QStringLiteral("-5"), QStringLiteral("5"), QStringLiteral("5"), QStringLiteral("-5"),
         -5, -5.0, -5.0},
        {"minus zero", QStringLiteral("-0"), QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("-0"),
         0, 0.0, 0.0},
        {"blank thousands",
         QStringLiteral("1 000"),
         QStringLiteral("1000"),
         QStringLiteral("1000"),
         QStringLiteral("1000"),
         {},
         {},
         {}},
        {"comma",
         QStringLiteral("1,5"),
         QStringLiteral("15"),
         QStringLiteral("1#5"),
         QStringLiteral("15"),
         {},
         1.5,
         {}},
        {"point",
         QStringLiteral("1.5"),
         QStringLiteral("15"),
         QStringLiteral("1#5"),
         QStringLiteral("15"),
         {},
         {},
         1.5},
        {"exponent",
         QStringLiteral("1e3"),
         QStringLiteral("13"),
         QStringLiteral("13"),
         QStringLiteral("13"),
         {},
         1000.0,
         1000.0},
        {"0x hexadecimal",
         QStringLiteral("0x10"),
         QStringLiteral("010"),
         QStringLiteral("010"),
         QStringLiteral("010"),
         16,
         {},
         {}},
        {"$ hexadecimal",
         QStringLiteral("$10"),
         QStringLiteral("10"),
         QStringLiteral("10"),
         QStringLiteral("10"),
         16,
         {},
         {}},
        {"blanks around", QStringLiteral(" 12 "), twelve, twelve, twelve, {}, 12.0, 12.0},
        {"empty clipboard", none, none, none, none, {}, {}, {}},
        {"arabic-indic digits", QStringLiteral("١٢"), none, none, none, {}, {}, {}},
        {"accented letter", QStringLiteral("é"), none, none, none, {}, {}, {}},
        {"100000 digits", digits, digits, digits, digits, {}, {}, {}},
        {"line break",
         QStringLiteral("12\n34"),
         QStringLiteral("1234"),
         QStringLiteral("1234"),
         QStringLiteral("1234"),
         {},
         {},
         {}},
        {"width with unit",
         QStringLiteral("320px"),
         QStringLiteral("320"),
         QStringLiteral("320"),
         QStringLiteral("320"),
         {},
         {},
         {}},
    };
}

QAction* PasteAction(QMenu* menu) {
    for (QAction* action : menu->actions())
        if (action->text().startsWith(QLineEdit::tr("&Paste")))
            return action;
    return nullptr;
}

void DeliverText(QLineEdit* box, Way way, const QString& text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    clipboard->setText(text);
    if (clipboard->supportsSelection())
        clipboard->setText(text, QClipboard::Selection);
    box->setFocus(Qt::TabFocusReason);
    box->selectAll();
    const QPoint centre = box->rect().center();
    QWidget* window = box->window();
    switch (way) {
    case Way::CtrlV:
        QTest::keySequence(box, QKeySequence::Paste);
        break;
    case Way::ShiftInsert:
        QTest::keyClick(box, Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case Way::ContextMenu: {
        QContextMenuEvent event(QContextMenuEvent::Mouse, centre, box->mapToGlobal(centre));
        QApplication::sendEvent(box, &event);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (menu == nullptr) {
            ADD_FAILURE() << "no context menu";
            break;
        }
        // A read-only box offers no paste.
        if (QAction* paste = PasteAction(menu); paste != nullptr)
            paste->trigger();
        else
            EXPECT_TRUE(box->isReadOnly()) << "no paste in the context menu";
        menu->close();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        // The offscreen platform leaves no window active once a popup has gone.
        QApplication::setActiveWindow(window);
        break;
    }
    case Way::MiddleButton:
        QTest::mouseClick(box, Qt::MiddleButton, {}, centre);
        break;
    case Way::Drop: {
        // Through the window, as the platform hands a drop over: the window picks the target.
        QMimeData data;
        data.setText(text);
        const QPoint at = box->mapTo(window, centre);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window->windowHandle(), &enter);
        if (enter.isAccepted()) {
            QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QApplication::sendEvent(window->windowHandle(), &drop);
        }
        break;
    }
    case Way::InputMethod: {
        QInputMethodEvent event;
        event.setCommitString(text);
        QApplication::sendEvent(box, &event);
        break;
    }
    case Way::SetText:
        box->setText(text);
        break;
    }
    box->setFocus(Qt::OtherFocusReason);
}

std::optional<int64_t> DigitsValue(const QString& text) {
    const bool negative = text.startsWith(QLatin1Char('-'));
    const QString digits = negative ? text.mid(1) : text;
    if (digits.isEmpty())
        return std::nullopt;
    int64_t value = 0;
    for (QChar c : digits) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value > (std::numeric_limits<int64_t>::max() - digit) / 10)
            return std::nullopt;
        value = value * 10 + digit;
    }
    return negative ? -value : value;
}

bool OnlyCharacters(const QString& text, const QString& allowed) {
    for (QChar c : text)
        if ((c < QLatin1Char('0') || c > QLatin1Char('9')) && !allowed.contains(c))
            return false;
    return true;
}
