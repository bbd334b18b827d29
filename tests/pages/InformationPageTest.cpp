#include "PagesFixture.h"
#include "common/QtPrinters.h"
#include "common/TestFiles.h"
#include "common/TestFilms.h"

#include <QFileInfo>

class InformationPageTest : public PagesTest {
protected:
    QPushButton* ForceFilm() { return Find<QPushButton>("ButtonForceFilm"); }
    QString Label(const char* name) { return Find<QLabel>(name)->text(); }
};

// What the stream says, and Force Film offered to NTSC film only, with the reason when it is not.
TEST_F(InformationPageTest, StreamLinesAndWhenForceFilmIsOffered) {
    const struct {
        const char* film;
        const char* index;
        const char* scan;
        const char* order;
        const char* share;
        const char* why; // "" when Force Film is offered
    } cases[] = {
        {"pal_letterbox", "film.d2v", "progressif", "sans objet (progressif)", "FILM 0,0 %",
         "Force Film ne concerne que les films NTSC à 29,97 images par seconde."},
        {"ntsc_interlaced", "film.d2v", "entrelacé", "supérieure d'abord", "FILM 0,0 %",
         "Le flux n'est film qu'à 0,0 % : Force Film en demande au moins 95 %."},
        {"ntsc_pulldown", "film_forcefilm.d2v", "progressif", "sans objet (progressif)", "FILM 100,0 %",
         "Cet index est déjà un index Force Film."},
        {"ntsc_pulldown", "film.d2v", "progressif", "sans objet (progressif)", "FILM 100,0 %", ""},
    };
    QString copied;
    for (const auto& c : cases) {
        if (copied != QLatin1String(c.film))
            CopyFilm(copied = QString::fromLatin1(c.film));
        Open(folder.filePath(QString::fromLatin1(c.index)));
        EXPECT_EQ(Label("LabelScanType"), QStringLiteral("Balayage : ") + QString::fromUtf8(c.scan))
            << c.film;
        EXPECT_EQ(Label("LabelFieldOrder"),
                  QStringLiteral("Ordre des trames : ") + QString::fromUtf8(c.order))
            << c.film;
        EXPECT_EQ(Label("LabelFilmShare"), QStringLiteral("Part de film : ") + QString::fromUtf8(c.share))
            << c.film;
        EXPECT_EQ(ForceFilm()->isEnabled(), *c.why == '\0') << c.film;
        EXPECT_EQ(ForceFilm()->toolTip(), QString::fromUtf8(c.why)) << c.film;
    }
}

// From a soft-pulldown film: a second index beside the first, opened as a new film of its own
// whose frames are the film pictures, whole, four for every five; the first film's settings are
// left as they were when the user does not save them.
TEST_F(InformationPageTest, ForceFilmIndexOpensTheFilmPicturesWhole) {
    TestFilmRecipe recipe;
    recipe.standard = TestFilmRecipe::Standard::Ntsc;
    recipe.pulldown = true;
    recipe.frames = 48;
    const QString made = MakeTestFilm(recipe);
    ASSERT_FALSE(made.isEmpty());
    const QString d2v = CopyGeneratedFilm(made);
    Open(d2v);
    ASSERT_TRUE(ForceFilm()->isEnabled()) << ForceFilm()->toolTip().toStdString();
    const uint32_t frames = Project().InputNumberOfFrames;
    const QString ini = folder.filePath(QStringLiteral("film.ini"));
    const QByteArray firstSettings = ReadBytes(ini);
    const QString target = folder.filePath(QStringLiteral("film_FILM.d2v"));
    seam.saveFileNames.push_back(target);
    messages.answers.push_back(false);
    ForceFilm()->click();

    ASSERT_EQ(seam.saveCalls.size(), 1u);
    EXPECT_EQ(seam.saveCalls[0].proposal, target);
    ASSERT_EQ(Project().FileName, target);
    EXPECT_EQ(messages.Texts(), QStringList{QStringLiteral("Sauver les modifications en quittant ?")});
    EXPECT_EQ(Project().InputNumberOfFrames * 5, frames * 4);
    EXPECT_EQ(Project().InputFrameRateNumerator, 24000);
    EXPECT_EQ(Project().InputFrameRateDenominator, 1001);
    for (uint32_t n = 0; n < Project().InputNumberOfFrames; ++n) {
        ASSERT_TRUE(Project().LoadFrame(static_cast<int32_t>(n)));
        EXPECT_EQ(ReadFieldPictureNumber(Project().FrameBitmap, 0), static_cast<int>(n)) << "top field " << n;
        EXPECT_EQ(ReadFieldPictureNumber(Project().FrameBitmap, 1), static_cast<int>(n))
            << "bottom field " << n;
    }
    EXPECT_EQ(ReadBytes(ini), firstSettings);
    EXPECT_TRUE(QFileInfo::exists(folder.filePath(QStringLiteral("film_FILM.ini"))));
    EXPECT_FALSE(ForceFilm()->isEnabled());
}

// A target that cannot be written, or that is the open film's own index: a message, nothing
// written, the film left open.
TEST_F(InformationPageTest, ForceFilmRefusesWhatItCannotWrite) {
    const QString d2v = CopyFilm(QStringLiteral("ntsc_pulldown"));
    Open(d2v);
    const QByteArray index = ReadBytes(d2v);
    const QString missingFolder = folder.filePath(QStringLiteral("absent/film_FILM.d2v"));
    const struct {
        QString target;
        const char* message;
    } cases[] = {
        {QString(), nullptr}, // the dialog cancelled
        {missingFolder, "Impossible d'écrire l'index « %1 » : rien n'a été écrit. Choisissez un autre "
                        "dossier ou un autre nom."},
        {d2v, "L'index Force Film ne peut pas remplacer l'index ni les réglages du film ouvert : choisissez "
              "un autre nom."},
    };
    for (const auto& c : cases) {
        messages.Clear();
        seam.saveFileNames.push_back(c.target);
        ForceFilm()->click();
        EXPECT_EQ(messages.Texts(),
                  c.message == nullptr
                      ? QStringList()
                      : QStringList{QString::fromUtf8(c.message).replace(QStringLiteral("%1"), c.target)});
        EXPECT_EQ(Project().FileName, d2v);
    }
    EXPECT_EQ(ReadBytes(d2v), index);
    EXPECT_EQ(QDir(folder.path()).entryList({QStringLiteral("*FILM*")}, QDir::Files | QDir::CaseSensitive),
              QStringList());
}
