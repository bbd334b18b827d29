#include "ui/MessageBoxSink.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Presses a key in the message box once it is up, and records its title, text and buttons.
struct BoxAnswer {
    QString title;
    QString text;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

    void PressWhenShown(Qt::Key key) {
        QTimer::singleShot(0, [this, key] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            QTest::keyClick(box, key);
        });
    }
};

// The closing question: its buttons in French (Qt's translation, loaded at start), Yes the default.
TEST(MessageBoxSinkTest, ConfirmationDefaultsToYesAndEscapeAnswersNo) {
    MessageBoxSink sink;
    BoxAnswer enter;
    enter.PressWhenShown(Qt::Key_Return);
    EXPECT_TRUE(sink.Confirm(QStringLiteral("Sauver les modifications en quittant ?")));
    EXPECT_EQ(enter.text, QStringLiteral("Sauver les modifications en quittant ?"));
    EXPECT_EQ(enter.title, QStringLiteral("Cinescriptor"));
    enter.buttons.sort();
    EXPECT_EQ(enter.buttons, (QStringList{QStringLiteral("&Non"), QStringLiteral("&Oui")}));

    BoxAnswer escape;
    escape.PressWhenShown(Qt::Key_Escape);
    EXPECT_FALSE(sink.Confirm(QStringLiteral("Sauver les modifications en quittant ?")));
}

TEST(MessageBoxSinkTest, InformationAndWarningShowTheirKind) {
    MessageBoxSink sink;
    BoxAnswer information;
    information.PressWhenShown(Qt::Key_Return);
    sink.Information(QStringLiteral("CropTop or CropBottom are too big !"));
    EXPECT_EQ(information.icon, QMessageBox::Information);
    EXPECT_EQ(information.text, QStringLiteral("CropTop or CropBottom are too big !"));

    BoxAnswer warning;
    warning.PressWhenShown(Qt::Key_Return);
    sink.Warning(QStringLiteral("Unable to write to /x.ini"));
    EXPECT_EQ(warning.icon, QMessageBox::Warning);
}

} // namespace
