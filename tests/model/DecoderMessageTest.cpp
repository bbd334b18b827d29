// Every failure and every damage the real decoder library reports, on real and broken files, as
// the user reads it: in French, in the message the program shows.
#include "common/RecordingMessageSink.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "model/TD2VFullProject.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <climits>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace {

// pal_letterbox's index (settings on lines 5-15, data lines from 17) and stream, each changed.
QString PalFilm(const QDir& dir, const std::function<void(QByteArray&)>& index,
                const std::function<void(QByteArray&)>& stream = nullptr) {
    QByteArray text = ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    if (index)
        index(text);
    const QString mpg = TestDataPath(QStringLiteral("pal_letterbox/film.mpg"));
    bool written = WriteBytes(dir.filePath(QStringLiteral("film.d2v")), text);
    if (stream) {
        QByteArray bytes = ReadBytes(mpg);
        stream(bytes);
        written = written && WriteBytes(dir.filePath(QStringLiteral("film.mpg")), bytes);
    } else {
        written = written && QFile::link(mpg, dir.filePath(QStringLiteral("film.mpg")));
    }
    return written ? dir.filePath(QStringLiteral("film.d2v")) : QString();
}

QString Index(const QDir& dir, const QByteArray& text) {
    return WriteBytes(dir.filePath(QStringLiteral("film.d2v")), text)
               ? dir.filePath(QStringLiteral("film.d2v"))
               : QString();
}

void Replace(QByteArray& text, const char* from, const char* to) {
    EXPECT_TRUE(text.contains(from)) << from;
    text.replace(from, to);
}

enum class When {
    Opening,  // the film does not open
    Fetching, // it opens; asking for `frame` fails
    Showing,  // it opens; `frame`, then every frame in order, are shown, and one is told damaged
};

struct MessageCase {
    const char* name;
    std::function<QString(const QDir&)> film;
    std::string expected; // %1: the .d2v's path; %2: the frame
    When when = When::Opening;
    int frame = 0;
};

void PrintTo(const MessageCase& c, std::ostream* os) {
    *os << c.name;
}

class DecoderMessageTest : public ::testing::TestWithParam<MessageCase> {};

TEST_P(DecoderMessageTest, IsToldInFrench) {
    const MessageCase& c = GetParam();
    RecordingMessageSink sink;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString d2v = c.film(QDir(dir.path()));
    ASSERT_FALSE(d2v.isEmpty());
    TD2VFullProject project;
    int told = c.frame;
    if (c.when == When::Opening) {
        EXPECT_FALSE(project.Open(d2v));
        EXPECT_EQ(project.LibraryHandle, nullptr);
        EXPECT_TRUE(project.FrameBitmap.isNull());
    } else {
        ASSERT_TRUE(project.Open(d2v)) << sink.Texts().join(QLatin1Char('|')).toStdString();
        ASSERT_TRUE(sink.messages.empty()) << sink.Texts().join(QLatin1Char('|')).toStdString();
        if (c.when == When::Fetching) {
            EXPECT_FALSE(project.LoadFrame(c.frame));
        } else {
            ASSERT_TRUE(project.LoadFrame(c.frame));
            for (int n = 0; sink.messages.empty() && n < static_cast<int>(project.InputNumberOfFrames); ++n) {
                ASSERT_TRUE(project.LoadFrame(n));
                told = n;
            }
        }
    }
    ASSERT_EQ(sink.messages.size(), 1u) << sink.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(sink.messages[0].kind, RecordingMessageSink::Kind::Information);
    EXPECT_EQ(sink.messages[0].text, QString::fromStdString(c.expected).arg(d2v).arg(told));
}

const char kCannotOpen[] = "Le décodeur n'a pas pu ouvrir le fichier « %1 » : ";

std::string Opening(const std::string& cause) {
    return kCannotOpen + cause + " !";
}

QByteArray Header() {
    return "DGIndexProjectFile16\n1\nfilm.mpg\n\n";
}

QByteArray Settings() {
    const QByteArray text = ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.d2v")));
    return text.mid(Header().size(), text.indexOf("\n\n", Header().size()) - Header().size() + 2);
}

INSTANTIATE_TEST_SUITE_P(
    Reports, DecoderMessageTest,
    ::testing::Values(
        MessageCase{"index_missing", [](const QDir& d) { return d.filePath(QStringLiteral("absent.d2v")); },
                    Opening("fichier introuvable")},
        MessageCase{"index_is_a_folder",
                    [](const QDir& d) {
                        return d.mkdir(QStringLiteral("film.d2v")) ? d.filePath(QStringLiteral("film.d2v"))
                                                                   : QString();
                    },
                    Opening("ce n'est pas un fichier ordinaire")},
        MessageCase{"index_too_large",
                    [](const QDir& d) {
                        QFile f(d.filePath(QStringLiteral("film.d2v")));
                        return f.open(QIODevice::WriteOnly) && f.resize(600LL << 20) ? f.fileName()
                                                                                     : QString();
                    },
                    Opening("le fichier est trop gros pour être un index .d2v")},
        MessageCase{"index_empty", [](const QDir& d) { return Index(d, ""); },
                    Opening("ligne 1 : le fichier est vide, ce n'est pas un index .d2v")},
        // Quoted in part, cut before a character rather than inside it.
        MessageCase{
            "not_an_index",
            [](const QDir& d) { return Index(d, "Ceci n'est pas un index, mais un texte été\n"); },
            Opening("ligne 1 : ce n'est pas un index .d2v (on y lit « Ceci n'est pas un index, mais un "
                    "texte ... »)")},
        MessageCase{"dvd2avi_project",
                    [](const QDir& d) { return Index(d, "DVD2AVIProjectFile\n1\n5 x.vob\n"); },
                    Opening("ligne 1 : les projets DVD2AVI ne sont pas pris en charge ; indexez à nouveau le "
                            "film avec un indexeur récent")},
        MessageCase{"h264_index", [](const QDir& d) { return Index(d, "DGIndexProjectFile42\n1\nx.ts\n"); },
                    Opening("ligne 1 : les index H.264 (format 42) ne sont pas pris en charge, seulement "
                            "MPEG-1 et MPEG-2")},
        MessageCase{"unreadable_version", [](const QDir& d) { return Index(d, "DGIndexProjectFileXVI\n"); },
                    Opening("ligne 1 : version de format illisible dans « DGIndexProjectFileXVI »")},
        MessageCase{"unsupported_version",
                    [](const QDir& d) {
                        return PalFilm(d, [](QByteArray& text) { Replace(text, "File16", "File17"); });
                    },
                    Opening("ligne 1 : la version de format 17 n'est pas prise en charge (versions 8 à 16)")},
        MessageCase{"no_file_count",
                    [](const QDir& d) { return Index(d, "DGIndexProjectFile16\nfilm.mpg\n"); },
                    Opening("ligne 2 : le nombre de fichiers du flux manque")},
        MessageCase{"file_name_missing",
                    [](const QDir& d) { return Index(d, "DGIndexProjectFile16\n2\nfilm.mpg\n"); },
                    Opening("ligne 4 : il manque un nom de fichier du flux (2 annoncés)")},
        MessageCase{"file_name_too_long",
                    [](const QDir& d) {
                        return Index(d, "DGIndexProjectFile16\n1\n" + QByteArray(PATH_MAX, 'a') + "\n");
                    },
                    Opening("ligne 3 : nom de fichier du flux de " + std::to_string(PATH_MAX) +
                            " octets, plus long que tout nom de fichier")},
        MessageCase{"not_a_setting",
                    [](const QDir& d) {
                        return PalFilm(d, [](QByteArray& text) { Replace(text, "MPEG_Type=2", "MPEG2"); });
                    },
                    Opening("ligne 6 : un réglage « clé=valeur » est attendu, on y lit « MPEG2 »")},
        MessageCase{"bad_setting",
                    [](const QDir& d) {
                        return PalFilm(d, [](QByteArray& text) {
                            Replace(text, "Field_Operation=0", "Field_Operation=7");
                        });
                    },
                    Opening("ligne 13 : la valeur « 7 » de Field_Operation est illisible ou non prise en "
                            "charge")},
        MessageCase{"no_frame_rate",
                    [](const QDir& d) {
                        return PalFilm(
                            d, [](QByteArray& text) { Replace(text, "Frame_Rate=25000 (25/1)\n", ""); });
                    },
                    Opening("ligne 15 : aucun réglage Frame_Rate avant les lignes de données")},
        MessageCase{"no_data_lines", [](const QDir& d) { return Index(d, Header() + Settings()); },
                    Opening("ligne 17 : aucune ligne de données")},
        MessageCase{"data_line_without_info_word",
                    [](const QDir& d) { return Index(d, Header() + Settings() + "d0 f0 ff\n"); },
                    Opening("ligne 17 : une ligne de données doit commencer par son mot d'information, on y "
                            "lit « d0 »")},
        MessageCase{
            "unreadable_data_value",
            [](const QDir& d) { return Index(d, Header() + Settings() + "900 5 0 0 0 0 0 d0 zz ff\n"); },
            Opening("ligne 17 : la valeur « zz » d'une ligne de données est illisible ou hors "
                    "limites")},
        MessageCase{"incomplete_data_line",
                    [](const QDir& d) { return Index(d, Header() + Settings() + "900 5 0\n"); },
                    Opening("ligne 17 : ligne de données incomplète (6 nombres attendus après le mot "
                            "d'information)")},
        MessageCase{"file_number_out_of_the_list",
                    [](const QDir& d) { return Index(d, Header() + Settings() + "900 5 1 0 0 0 0 d0 ff\n"); },
                    Opening("ligne 17 : fichier du flux numéro 1, mais l'index n'en liste que 1")},
        MessageCase{"truncated_index",
                    [](const QDir& d) {
                        return PalFilm(d, [](QByteArray& text) { Replace(text, " d0 ff\n", "\n"); });
                    },
                    Opening("ligne 47 : les lignes de données finissent sans leur marque de fin « ff » "
                            "(fichier tronqué ?)")},
        MessageCase{"no_pictures",
                    [](const QDir& d) { return Index(d, Header() + Settings() + "900 5 0 0 0 0 0 ff\n"); },
                    Opening("ligne 17 : l'index ne liste aucune image")},
        MessageCase{"stream_missing",
                    [](const QDir& d) {
                        return Index(d, ReadBytes(TestDataPath(QStringLiteral("pal_letterbox/film.d2v"))));
                    },
                    Opening("le fichier du flux « film.mpg » qu'il nomme est introuvable")},
        MessageCase{"pva_stream",
                    [](const QDir& d) {
                        return PalFilm(
                            d, [](QByteArray& text) { Replace(text, "Stream_Type=1", "Stream_Type=3"); });
                    },
                    Opening("les flux PVA (Stream_Type=3) ne sont pas pris en charge")},
        MessageCase{"no_video_where_the_film_starts",
                    [](const QDir& d) {
                        return PalFilm(d, nullptr, [](QByteArray& bytes) {
                            std::mt19937 random(7);
                            bytes.truncate(300000);
                            for (char& c : bytes)
                                c = static_cast<char>(random() & 0xFF);
                        });
                    },
                    Opening("aucune vidéo MPEG là où l'index fait commencer le film (ligne 17)")},
        MessageCase{"unreadable_picture_size",
                    [](const QDir& d) {
                        return PalFilm(d, nullptr, [](QByteArray& bytes) {
                            const qsizetype at = bytes.indexOf(QByteArray("\x00\x00\x01\xb3", 4));
                            bytes[at + 4] = bytes[at + 5] = bytes[at + 6] = '\0'; // width and height 0
                        });
                    },
                    Opening("la taille d'image de l'en-tête de séquence du flux est illisible")},
        MessageCase{
            "frame_outside_the_film", [](const QDir& d) { return PalFilm(d, nullptr); },
            "Le décodeur n'a pas pu fournir l'image %2 du fichier « %1 » : l'image %2 est hors du film "
            "(0 à 359) !",
            When::Fetching, 360},
        // Flipped bits in the GOP of frames 118-129, past its first pack.
        MessageCase{
            "damaged_stream",
            [](const QDir& d) {
                return PalFilm(d, nullptr, [](QByteArray& bytes) {
                    std::mt19937 random(3);
                    for (int k = 0; k < 60; ++k) {
                        const auto at = 1579022 + 4096 + static_cast<qsizetype>(random() % 100000u);
                        bytes[at] = static_cast<char>(bytes[at] ^ (1 << (k % 8)));
                    }
                });
            },
            "Le flux vidéo du fichier « %1 » est endommagé à l'image %2 (données endommagées ou manquantes "
            "dans le flux, ou dans une image dont celle-ci est prédite) : l'image montrée est ce que le "
            "décodeur a pu en tirer. Les autres images endommagées de ce film ne seront pas signalées.",
            When::Showing, 0},
        // Cut short inside the GOP of frames 178-189; the last frame is asked first.
        MessageCase{
            "stream_cut_short",
            [](const QDir& d) {
                return PalFilm(d, nullptr, [](QByteArray& bytes) { bytes.truncate(2400000); });
            },
            "Le flux vidéo du fichier « %1 » est endommagé à l'image %2 (image absente du flux, remplacée "
            "par la précédente) : l'image montrée est ce que le décodeur a pu en tirer. Les autres images "
            "endommagées de ce film ne seront pas signalées.",
            When::Showing, 359},
        // Line 28 taken out (frames 130-141): line 27 no longer leads on to the line after it.
        MessageCase{
            "index_line_missing",
            [](const QDir& d) {
                return PalFilm(d, [](QByteArray& text) {
                    Replace(text, "900 5 0 1726478 0 0 0 70 70 d0 f0 f0 e0 f0 f0 e0 f0 f0 e0\n", "");
                });
            },
            "À l'image %2 du fichier « %1 », l'index ne correspond pas au flux (sa ligne 27) : indexez à "
            "nouveau le film. L'image montrée est ce que le décodeur a pu en tirer ; les autres images "
            "concernées de ce film ne seront pas signalées.",
            When::Showing, 0}),
    [](const ::testing::TestParamInfo<MessageCase>& p) { return std::string(p.param.name); });

} // namespace
