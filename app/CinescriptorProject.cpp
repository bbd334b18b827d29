#include "model/UseFullUnit.h"
#include "ui/Cinescriptor.h"
#include "ui/MessageBoxSink.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Cinescriptor"));
    InitCharacterTypes();
    MessageBoxSink messageBoxes;
    SetMessageSink(&messageBoxes);

    int result = 0;
    {
        TForm1 window;
        window.show();
        result = QApplication::exec();
    }
    SetMessageSink(nullptr);
    return result;
}
