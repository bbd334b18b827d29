#include "model/UseFullUnit.h"
#include "ui/Cinescriptor.h"
#include "ui/MessageBoxSink.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Cinescriptor"));
    InitCharacterTypes();
    MessageBoxSink messageBoxes;
    SetMessageSink(&messageBoxes);

    // A file manager hands over the .d2v the user double-clicked; Qt has already taken its own
    // options out of the list.
    const QStringList arguments = QApplication::arguments().mid(1);
    if (arguments.size() > 1) {
        std::fprintf(stderr, "usage: cinescriptor [film.d2v]\n");
        SetMessageSink(nullptr);
        return 2;
    }

    int result = 0;
    {
        TForm1 window;
        window.show();
        if (!arguments.isEmpty()) {
            // Opened once the window is on screen, so that the opening's messages have a parent;
            // a missing or unreadable file is reported by the opening as for "Ouvrir".
            const QString fileName = QFileInfo(arguments.constFirst()).absoluteFilePath();
            QTimer::singleShot(0, &window, [&window, fileName] { window.OpenD2VFile(fileName); });
        }
        result = QApplication::exec();
    }
    SetMessageSink(nullptr);
    return result;
}
