#include "ui/MessageBoxSink.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Cinescriptor"));
    MessageBoxSink messageBoxes;
    SetMessageSink(&messageBoxes);

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Cinescriptor"));
    window.show();
    const int result = QApplication::exec();
    SetMessageSink(nullptr);
    return result;
}
