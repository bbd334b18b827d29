// Not a test: opens a film in the real window and saves the sequence, crop and resize pages as
// PNG files, for the documentation. Usage: pages_screenshots <film.d2v> <output folder>
#include "PagesFixture.h"

#include "model/UseFullUnit.h"
#include "ui_Cinescriptor.h"

#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTest>
#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Cinescriptor"));
    InitCharacterTypes();
    if (argc != 3) {
        std::fprintf(stderr, "usage: pages_screenshots <film.d2v> <output folder>\n");
        return 2;
    }
    PagesUiSeam seam;
    TForm1 window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    seam.openFileNames.push_back(QString::fromLocal8Bit(argv[1]));
    window.ui->Ouvrir1->trigger();
    if (!window.Project)
        return 1;
    const QDir out(QString::fromLocal8Bit(argv[2]));
    QTabBar* tabs = window.ui->PageControl1->tabBar();
    auto show = [&](int page) {
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page).center());
        QTest::qWait(200);
    };
    auto frame = [&](const char* box, const char* number) {
        auto* edit = window.findChild<QLineEdit*>(QLatin1String(box));
        edit->setFocus();
        edit->setText(QLatin1String(number));
        QTest::keyClick(edit, Qt::Key_Return);
        QTest::qWait(200);
    };

    show(1);
    frame("LabeledEditFrameNumber1", "180");
    window.findChild<QCheckBox*>(QStringLiteral("CheckBoxIsCreditsModeSelected"))->click();
    QTest::qWait(200);
    bool ok = window.grab().save(out.filePath(QStringLiteral("sequence-page.png")));

    show(2);
    window.findChild<QPushButton*>(QStringLiteral("ButtonAutoCrop"))->click();
    frame("LabeledEditFrameNumber2", "180");
    ok = window.grab().save(out.filePath(QStringLiteral("crop-page.png"))) && ok;

    show(3);
    frame("LabeledEditFrameNumber3", "180");
    ok = window.grab().save(out.filePath(QStringLiteral("resize-page.png"))) && ok;
    return ok ? 0 : 1;
}
