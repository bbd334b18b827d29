// Replays through the real code every input the fuzz targets start from (fuzz/seeds) and every
// input that once made one of them fail (tests/hardening/regressions), with the fuzzers' own checks.
#include "fuzz/Checks.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <ostream>
#include <string>
#include <vector>

namespace {

struct ReplayInput {
    std::string target; // private_profile, number_text, d2v_reader or decoder
    QString path;
};

void PrintTo(const ReplayInput& c, std::ostream* os) {
    *os << c.target << ' ' << c.path.section(QLatin1Char('/'), -1).toStdString();
}

std::vector<ReplayInput> CollectInputs() {
    std::vector<ReplayInput> inputs;
    for (const char* root : {CINESCRIPTOR_FUZZ_SEEDS_DIR, CINESCRIPTOR_HARDENING_DATA_DIR}) {
        for (const char* target : {"private_profile", "number_text", "d2v_reader", "decoder"}) {
            const QDir dir(QString::fromUtf8(root) + QLatin1Char('/') + QString::fromLatin1(target));
            for (const QFileInfo& file : dir.entryInfoList(QDir::Files, QDir::Name))
                inputs.push_back({target, file.absoluteFilePath()});
        }
    }
    return inputs;
}

std::string Replay(const ReplayInput& input) {
    QFile file(input.path);
    if (!file.open(QIODevice::ReadOnly))
        return "cannot read " + input.path.toStdString();
    const QByteArray bytes = file.readAll();
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
    const auto size = static_cast<size_t>(bytes.size());
    if (input.target == "number_text")
        return fuzzchecks::CheckNumberText(data, size);
    if (input.target == "d2v_reader")
        return fuzzchecks::CheckD2VReader(data, size);
    QTemporaryDir folder;
    if (!folder.isValid())
        return "no temporary folder";
    if (input.target == "private_profile")
        return fuzzchecks::CheckPrivateProfile(data, size, folder.path().toStdString());
    return fuzzchecks::CheckDecoder(data, size, folder.path().toStdString());
}

class FuzzReplayTest : public ::testing::TestWithParam<ReplayInput> {};

TEST_P(FuzzReplayTest, HandledSoundly) {
    EXPECT_EQ(Replay(GetParam()), "") << GetParam().path.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzReplayTest, ::testing::ValuesIn(CollectInputs()),
                         [](const ::testing::TestParamInfo<ReplayInput>& param) {
                             const QString origin = param.param.path.startsWith(
                                                        QString::fromUtf8(CINESCRIPTOR_HARDENING_DATA_DIR))
                                                        ? QStringLiteral("regression")
                                                        : QStringLiteral("seed");
                             QString name = origin + QLatin1Char('_') +
                                            QString::fromStdString(param.param.target) + QLatin1Char('_') +
                                            QFileInfo(param.param.path).completeBaseName();
                             static const QRegularExpression other(QStringLiteral("[^A-Za-z0-9_]"));
                             return name.replace(other, QStringLiteral("_")).toStdString();
                         });

// The checks themselves must catch what they are there for, or a replay proves nothing.
TEST(FuzzChecksTest, NumberTextCheckComparesWithTheCLibrary) {
    const std::string decimal = "  -42";
    EXPECT_EQ(fuzzchecks::CheckNumberText(reinterpret_cast<const uint8_t*>(decimal.data()), decimal.size()),
              "");
}

TEST(FuzzChecksTest, D2VReaderCheckAcceptsRefusalsWithAMessage) {
    const std::string garbage = "\x7f"
                                "ELF garbage";
    EXPECT_EQ(fuzzchecks::CheckD2VReader(reinterpret_cast<const uint8_t*>(garbage.data()), garbage.size()),
              "");
}

} // namespace
