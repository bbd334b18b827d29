#include "common/RecordingMessageSink.h"
#include "common/TestFiles.h"
#include "common/TestPaths.h"
#include "model/ForceFilmIndex.h"
#include "model/TD2VFullProject.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct ForceFilmCase {
    const char* name;
    bool isOtherFolder; // the copy goes to another folder than the index's
    bool isCrLf;        // the index has Windows line ends
};

void PrintTo(const ForceFilmCase& c, std::ostream* os) {
    *os << c.name;
}

class ForceFilmIndexTest : public ::testing::TestWithParam<ForceFilmCase> {};

// The copy of the soft-pulldown index opens in the real decoder as its 480 film pictures at
// 24000/1001, wherever it is written and whatever its line ends.
TEST_P(ForceFilmIndexTest, OpensAsTheFilmPictures) {
    const ForceFilmCase& c = GetParam();
    RecordingMessageSink sink;
    QTemporaryDir dir;
    const QString d2v = dir.filePath(QStringLiteral("film.d2v"));
    QByteArray index = ReadBytes(TestDataPath(QStringLiteral("ntsc_pulldown/film.d2v")));
    if (c.isCrLf)
        index.replace("\n", "\r\n");
    ASSERT_TRUE(WriteBytes(d2v, index));
    ASSERT_TRUE(QFile::copy(TestDataPath(QStringLiteral("ntsc_pulldown/film.mpg")),
                            dir.filePath(QStringLiteral("film.mpg"))));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("autre")));
    const QString target =
        c.isOtherFolder ? dir.filePath(QStringLiteral("autre/film_FILM.d2v")) : ForceFilmIndexName(d2v);
    QString error;
    ASSERT_TRUE(WriteForceFilmIndex(d2v, target, error)) << error.toStdString();
    TD2VFullProject project;
    ASSERT_TRUE(project.Open(target)) << sink.Texts().join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(project.InputNumberOfFrames, 480u);
    EXPECT_EQ(project.InputFrameRateNumerator, 24000);
    EXPECT_EQ(project.InputFrameRateDenominator, 1001);
    ASSERT_TRUE(project.InputStreamFacts.has_value());
    EXPECT_EQ(project.InputStreamFacts->fieldOperation, 1);
    EXPECT_EQ(ReadBytes(d2v), index);
}

INSTANTIATE_TEST_SUITE_P(Copies, ForceFilmIndexTest,
                         ::testing::Values(ForceFilmCase{"beside", false, false},
                                           ForceFilmCase{"other_folder", true, false},
                                           ForceFilmCase{"other_folder_crlf", true, true}),
                         [](const ::testing::TestParamInfo<ForceFilmCase>& p) {
                             return std::string(p.param.name);
                         });

TEST(ForceFilmIndex, WhatIsNoIndexIsRefusedAndNothingWritten) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("notes.d2v"));
    const QString target = dir.filePath(QStringLiteral("notes_FILM.d2v"));
    ASSERT_TRUE(WriteBytes(source, "pas un index\n"));
    QString error;
    EXPECT_FALSE(WriteForceFilmIndex(source, target, error));
    EXPECT_EQ(error, QStringLiteral(
                         "L'index « %1 » n'a pas la forme attendue : aucun index Force Film n'a été écrit.")
                         .arg(source));
    EXPECT_FALSE(QFileInfo::exists(target));
}

} // namespace
