// Not a test: opens a copy of a checked-in film in the real main window and saves the
// information page as a PNG file. Run under Xvfb: ui_screenshots <output folder>.
#include "ScriptedUiSeam.h"
#include "common/RecordingMessageSink.h"
#include "common/TestPaths.h"
#include "model/UseFullUnit.h"
#include "ui/Cinescriptor.h"
#include "ui_Cinescriptor.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    QApplication::setApplicationDisplayName(QStringLiteral("Cinescriptor"));
    InitCharacterTypes();
    const QString output = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");

    // A folder named like a user's, so the page shows a plausible path.
    QTemporaryDir temporary;
    const QString folder = temporary.filePath(QStringLiteral("Films/Exemple PAL"));
    QDir().mkpath(folder);
    for (const char* name : {"film.d2v", "film.mpg"})
        QFile::copy(TestDataPath(QStringLiteral("pal_letterbox/") + QLatin1String(name)),
                    folder + QLatin1Char('/') + QLatin1String(name));

    RecordingMessageSink messages;
    ScriptedUiSeam seam;
    seam.openFileNames.push_back(folder + QStringLiteral("/film.d2v"));
    TForm1 window;
    window.show();
    window.ui->Ouvrir1->trigger();
    if (!window.Project) {
        std::fprintf(stderr, "the film did not open: %s\n",
                     qPrintable(messages.Texts().join(QLatin1Char('|'))));
        return 1;
    }
    QTest::qWait(200);
    const QString file = output + QStringLiteral("/information-page.png");
    if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
    }
    std::printf("%s\n", qPrintable(file));
    return 0;
}
