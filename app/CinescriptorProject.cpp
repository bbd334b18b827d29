#include "platform/FileBytes.h"
#include "ui/ApplicationStart.h"
#include "ui/Cinescriptor.h"
#include "ui/MessageBoxSink.h"
#include "ui/OpenVideo.h"

#include <QApplication>
#include <QDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>

namespace {

// The name made absolute from the working folder, whose own name may not be UTF-8 either.
QString AbsoluteFileName(const QString& name) {
    if (name.startsWith(QLatin1Char('/')))
        return QDir::cleanPath(name);
    const std::unique_ptr<char, decltype(&std::free)> folder(::getcwd(nullptr, 0), &std::free);
    if (!folder)
        return name;
    return QDir::cleanPath(FileNameFromBytes(QByteArray(folder.get())) + QLatin1Char('/') + name);
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    StartApplication();
    MessageBoxSink messageBoxes;
    SetMessageSink(&messageBoxes);

    // A file manager hands over what the user double-clicked: a .d2v, a DVD folder, or MPEG files
    // (the parts of one film, in the order given); Qt has already taken its own options out of
    // argv. Read as the names' own bytes: Qt's list of arguments loses those that are not UTF-8.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << FileNameFromBytes(QByteArray(argv[i]));
    // An index is opened alone: among several names it can only be a slip.
    if (arguments.size() > 1 && std::any_of(arguments.begin(), arguments.end(), [](const QString& name) {
            return name.endsWith(QStringLiteral(".d2v"), Qt::CaseInsensitive);
        })) {
        std::fprintf(stderr, "usage: cinescriptor [film.d2v | DVD folder | video.mpg...]\n");
        SetMessageSink(nullptr);
        return 2;
    }

    int result = 0;
    {
        TForm1 window;
        window.show();
        if (!arguments.isEmpty()) {
            // Opened once the window is on screen, so that the opening's messages have a parent;
            // a missing or unreadable file is reported by the opening as for the menu's.
            QStringList names;
            for (const QString& argument : arguments)
                names << AbsoluteFileName(argument);
            QTimer::singleShot(0, &window, [&window, names] { window.VideoOpener()->Open(names); });
        }
        result = QApplication::exec();
    }
    SetMessageSink(nullptr);
    return result;
}
