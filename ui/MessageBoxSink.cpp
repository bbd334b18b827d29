#include "ui/MessageBoxSink.h"

#include <QApplication>
#include <QMessageBox>

void MessageBoxSink::Information(const QString& text) {
    QMessageBox::information(QApplication::activeWindow(), QApplication::applicationDisplayName(), text);
}

void MessageBoxSink::Warning(const QString& text) {
    QMessageBox::warning(QApplication::activeWindow(), QApplication::applicationDisplayName(), text);
}

bool MessageBoxSink::Confirm(const QString& text) {
    return QMessageBox::question(QApplication::activeWindow(), QApplication::applicationDisplayName(), text,
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes) == QMessageBox::Yes;
}
