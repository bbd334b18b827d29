#include "ui/ApplicationStart.h"

#include "platform/CharacterTypes.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <cstdio>
#include <memory>

bool InstallQtFrench(const QString& folder) {
    // Owned by the application, so it lives as long as the texts it translates.
    auto translator = std::make_unique<QTranslator>(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_fr"), folder) ||
        !QCoreApplication::installTranslator(translator.get()))
        return false;
    translator.release();
    return true;
}

void StartApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    InitCharacterTypes();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // Not worth stopping for: the program works the same with English buttons.
    if (!InstallQtFrench(folder))
        std::fprintf(stderr,
                     "cinescriptor: Qt's French translation (qtbase_fr) is missing from %s: Qt's "
                     "own buttons stay in English\n",
                     qPrintable(folder));
}
