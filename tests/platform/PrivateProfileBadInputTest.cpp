#include "common/SmallDisk.h"
#include "common/TestFiles.h"
#include "platform/PrivateProfile.h"

#include "common/TestPaths.h"
#include "platform/FileBytes.h"

#include <gtest/gtest.h>
#include <ostream>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class PrivateProfileBadInput : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString Path(const char* name) const { return dir.filePath(QLatin1String(name)); }

    QTemporaryDir dir;
};

// Control bytes where a text editor would never put them. The reader hands back what a C string
// holds, as the Windows functions do: a value ends at its first NUL.
struct ControlCase {
    const char* name;
    QByteArray bytes;
    const char* key;
    const char* expected; // nullptr: the key is absent
};

void PrintTo(const ControlCase& c, std::ostream* os) {
    *os << c.name;
}

class ControlBytes : public PrivateProfileBadInput, public ::testing::WithParamInterface<ControlCase> {};

TEST_P(ControlBytes, AreReadAsTheWindowsFunctionsReadThem) {
    const ControlCase& c = GetParam();
    EXPECT_TRUE(WriteBytes(Path("c.ini"), c.bytes));
    PrivateProfile profile(Path("c.ini"));
    ASSERT_TRUE(profile.Load());
    const QString absent = QStringLiteral("<absent>");
    EXPECT_EQ(profile.GetString(S("S"), S(c.key), absent), c.expected ? S(c.expected) : absent);
    EXPECT_FALSE(profile.GetString(S("S"), S(c.key), absent).contains(QChar(0)));

    // Writing another key leaves every byte of the file as it was, the control bytes included.
    profile.SetString(S("T"), S("New"), S("1"));
    ASSERT_TRUE(profile.Save());
    const QByteArray after = ReadBytes(Path("c.ini"));
    EXPECT_TRUE(after.startsWith(c.bytes)) << c.name;
    PrivateProfile again(Path("c.ini"));
    EXPECT_EQ(again.GetString(S("T"), S("New"), QString()), S("1"));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ControlBytes,
    ::testing::Values(ControlCase{"NulInValue", QByteArray("[S]\r\nA=12\0junk\r\n", 16), "A", "12"},
                      ControlCase{"NulFirst", QByteArray("[S]\r\nA=\0\r\n", 10), "A", ""},
                      ControlCase{"NulLine", QByteArray("[S]\r\n\0\0\0\r\nA=1\r\n", 15), "A", "1"},
                      // A NUL before the line's "=": a key without a value, named by what comes before.
                      ControlCase{"NulInName", QByteArray("[S]\r\nA\0B=1\r\n", 12), "A", ""},
                      ControlCase{"NulBeforeHeader", QByteArray("\0[S]\r\nA=1\r\n", 11), "A", nullptr},
                      // A lone CR ends a line, wherever it stands.
                      ControlCase{"LoneCrInValue", "[S]\r\nA=1\rB=2\r\n", "B", "2"},
                      ControlCase{"LoneCrAfterHeader", "[S]\rA=3\n", "A", "3"},
                      ControlCase{"LoneCrAtEnd", "[S]\r\nA=4\r", "A", "4"},
                      ControlCase{"OnlyCrs", "\r\r\r[S]\r\r\rA=5\r\r", "A", "5"},
                      ControlCase{"DosEndOfFile", "[S]\r\nA=6\x1A\r\n", "A", "6"}),
    [](const ::testing::TestParamInfo<ControlCase>& p) { return std::string(p.param.name); });

TEST_F(PrivateProfileBadInput, TenMegabyteLinesWithoutAnEndAreReadCutAndKeptWhole) {
    const qsizetype tenMegabytes = 10 << 20;
    const QByteArray value(tenMegabytes, 'v');
    // An unclosed bracket makes no section header: the Windows reader takes such a line as a key
    // without a value, so it stays in section S.
    const QByteArray unclosed = "[" + QByteArray(tenMegabytes, 'n');
    EXPECT_TRUE(WriteBytes(Path("h.ini"), "[S]\r\nA=" + value + "\r\n" + unclosed));
    PrivateProfile profile(Path("h.ini"));
    ASSERT_TRUE(profile.Load());
    EXPECT_EQ(profile.GetString(S("S"), S("A"), QString()),
              QString(PrivateProfile::MaxValueLength, QLatin1Char('v')));

    profile.SetString(S("S"), S("B"), S("2"));
    ASSERT_TRUE(profile.Save());
    const QByteArray after = ReadBytes(Path("h.ini"));
    // Both huge lines kept whole, the last one given its line end, B after the section's last line.
    const QByteArray expected = "[S]\r\nA=" + value + "\r\n" + unclosed + "\r\nB=2\r\n";
    EXPECT_EQ(after.size(), expected.size());
    EXPECT_TRUE(after == expected);
    PrivateProfile again(Path("h.ini"));
    EXPECT_EQ(again.GetString(S("S"), S("B"), QString()), S("2"));
}

TEST_F(PrivateProfileBadInput, AMegabyteValueOverwritesInPlaceAndIsCutOnlyWhenRead) {
    EXPECT_TRUE(WriteBytes(Path("m.ini"), "[S]\r\nA=short\r\nB=kept\r\n"));
    const QString megabyte(1 << 20, QLatin1Char('w'));
    {
        PrivateProfile profile(Path("m.ini"));
        profile.SetString(S("S"), S("A"), megabyte);
        ASSERT_TRUE(profile.Save());
    }
    EXPECT_EQ(ReadBytes(Path("m.ini")), "[S]\r\nA=" + megabyte.toLatin1() + "\r\nB=kept\r\n");
    PrivateProfile again(Path("m.ini"));
    EXPECT_EQ(again.GetString(S("S"), S("A"), QString()), megabyte.left(PrivateProfile::MaxValueLength));
    EXPECT_EQ(again.GetString(S("S"), S("B"), QString()), S("kept"));
    // Written back short, the whole megabyte goes.
    again.SetString(S("S"), S("A"), S("short"));
    ASSERT_TRUE(again.Save());
    EXPECT_EQ(ReadBytes(Path("m.ini")), QByteArray("[S]\r\nA=short\r\nB=kept\r\n"));
}

TEST_F(PrivateProfileBadInput, DuplicateSectionsAndKeysAreWrittenInTheFirstOnly) {
    const QByteArray before = "[Cropping]\r\nCropTop=8\r\nCropTop=16\r\n[cropping]\r\nCropTop=32\r\n"
                              "CropLeft=4\r\n[CROPPING]\r\nCropRight=2\r\n";
    EXPECT_TRUE(WriteBytes(Path("d.ini"), before));
    PrivateProfile profile(Path("d.ini"));
    EXPECT_EQ(profile.GetString(S("Cropping"), S("CropTop"), QString()), S("8"));
    // Keys of a shadowed section are not seen, as with the Windows functions.
    EXPECT_FALSE(profile.Contains(S("Cropping"), S("CropLeft")));
    EXPECT_FALSE(profile.Contains(S("Cropping"), S("CropRight")));
    profile.SetString(S("Cropping"), S("CropTop"), S("24"));
    profile.SetString(S("Cropping"), S("CropLeft"), S("6"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(
        ReadBytes(Path("d.ini")),
        QByteArray("[Cropping]\r\nCropTop=24\r\nCropTop=16\r\nCropLeft=6\r\n[cropping]\r\nCropTop=32\r\n"
                   "CropLeft=4\r\n[CROPPING]\r\nCropRight=2\r\n"));
    PrivateProfile again(Path("d.ini"));
    EXPECT_EQ(again.GetString(S("CROPPING"), S("croptop"), QString()), S("24"));
    EXPECT_EQ(again.GetString(S("Cropping"), S("CropLeft"), QString()), S("6"));
}

// A small file system of its own, filled up: the root user writes through every permission, but
// not past the end of a disk.
class FullDisk : public PrivateProfileBadInput {
protected:
    void SetUp() override {
        PrivateProfileBadInput::SetUp();
        mountPoint = dir.filePath(QStringLiteral("disk"));
        small = std::make_unique<SmallDisk>(mountPoint);
        if (!small->IsMounted())
            GTEST_SKIP() << "no small file system can be mounted here";
    }
    void TearDown() override { small.reset(); }
    void Fill() { small->Fill(); }
    void Free() { ASSERT_TRUE(small->Free()); }

    QString mountPoint;
    std::unique_ptr<SmallDisk> small;
};

// Small files meet a full disk only when the write buffer is flushed, large ones as they are written.
class FullDiskSizes : public FullDisk, public ::testing::WithParamInterface<qsizetype> {};

TEST_P(FullDiskSizes, ASaveThatDoesNotFitLeavesTheOldFileWholeAndSucceedsOnceThereIsRoom) {
    const QString path = mountPoint + QStringLiteral("/film.ini");
    const QByteArray old = "; mine\r\n[S]\r\nA=1\r\n";
    EXPECT_TRUE(WriteBytes(path, old));
    PrivateProfile profile(path);
    ASSERT_TRUE(profile.Load());
    profile.SetString(S("S"), S("A"), S("2"));
    profile.SetString(S("S"), S("Big"), QString(GetParam(), QLatin1Char('b')));
    Fill();

    EXPECT_FALSE(profile.Save());
    EXPECT_EQ(ReadBytes(path), old);
    // No half-written temporary file is left to take the room.
    EXPECT_EQ(QDir(mountPoint).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);

    // The changes are still held and go out at the next try.
    Free();
    ASSERT_TRUE(profile.Save());
    PrivateProfile again(path);
    EXPECT_EQ(again.GetString(S("S"), S("A"), QString()), S("2"));
    EXPECT_EQ(again.GetString(S("S"), S("Big"), QString()).size(),
              std::min(GetParam(), PrivateProfile::MaxValueLength));
    EXPECT_TRUE(ReadBytes(path).startsWith("; mine\r\n"));
}

INSTANTIATE_TEST_SUITE_P(Values, FullDiskSizes, ::testing::Values(qsizetype{10}, qsizetype{32 * 1024}));

// A named pipe in the settings file's place would block the reader for ever, a device would be
// read without end: neither is read nor written, and each stays what it was.
TEST_F(PrivateProfileBadInput, APipeOrADeviceIsNeitherReadNorWritten) {
    ASSERT_EQ(::mkfifo(QFile::encodeName(Path("pipe.ini")).constData(), 0644), 0);
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), Path("device.ini")));
    for (const char* name : {"pipe.ini", "device.ini"}) {
        EXPECT_EQ(KindOfFile(Path(name)), FileKind::Other) << name;
        EXPECT_FALSE(CanReadFile(Path(name))) << name;
        PrivateProfile profile(Path(name));
        EXPECT_FALSE(profile.Load()) << name;
        profile.SetString(S("S"), S("A"), S("1"));
        EXPECT_FALSE(profile.Save()) << name;
    }
    struct stat status {};
    ASSERT_EQ(::stat(QFile::encodeName(Path("pipe.ini")).constData(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
    EXPECT_EQ(QFile::symLinkTarget(Path("device.ini")), QStringLiteral("/dev/zero"));
}

// A folder named with bytes that are not UTF-8 (Latin-1 "été"): Qt's own names lose them, the
// file names here keep them.
TEST_F(PrivateProfileBadInput, AFolderNameThatIsNotUtf8KeepsItsBytes) {
    const QByteArray folder = QFile::encodeName(dir.path()) + "/\xE9t\xE9";
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    EXPECT_FALSE(QFileInfo(QFile::decodeName(folder)).isDir()) << "Qt's names now keep such bytes";
    const QString name = FileNameFromBytes(folder + "/film.ini");
    EXPECT_EQ(FileNameBytes(name), folder + "/film.ini");
    PrivateProfile profile(name);
    EXPECT_FALSE(profile.Load());
    profile.SetString(S("S"), S("A"), S("1"));
    ASSERT_TRUE(profile.Save());
    EXPECT_EQ(KindOfFile(name), FileKind::Regular);
    EXPECT_EQ(KindOfFile(FileNameFromBytes(folder)), FileKind::Folder);
    QByteArray bytes;
    ASSERT_TRUE(ReadWholeFile(name, bytes));
    EXPECT_EQ(bytes, QByteArray("[S]\r\nA=1\r\n"));
    PrivateProfile again(name);
    ASSERT_TRUE(again.Load());
    EXPECT_EQ(again.GetString(S("S"), S("A"), QString()), S("1"));
}

// Names go to bytes and back unchanged, whatever the bytes; UTF-8 ones read as Qt reads them.
TEST(FileNames, EveryByteSequenceComesBackAsItWas) {
    const QByteArray names[] = {"/films/film.d2v",
                                "/films/\xC3\xA9t\xC3\xA9/film.d2v",
                                "/films/\xE9t\xE9/film.d2v",
                                "/films/\xF0\x9F\x8E\xAC.d2v",
                                "\xED\xB3\xA9",
                                "\xC3",
                                "\xC0\xAF\xE0\x80\xAF",
                                "\xF4\x90\x80\x80\xFF\xFE",
                                "a\xE2\x82"};
    for (const QByteArray& bytes : names) {
        const QString name = FileNameFromBytes(bytes);
        EXPECT_EQ(FileNameBytes(name), bytes) << bytes.toHex().toStdString();
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        const QString decoded = utf8.decode(bytes);
        if (!utf8.hasError())
            EXPECT_EQ(name, decoded) << bytes.toHex().toStdString();
        else
            EXPECT_NE(name, decoded) << bytes.toHex().toStdString();
    }
}

// The settings file in a folder its user may write nothing into, only the file itself: the save
// has no room for a temporary file and rewrites the file in place. The saving process runs on
// its own, as the user nobody where the tests run as root. Returns what it printed ("saved" or
// "refused"), or an empty text when such a process cannot run here.
QString SaveAsAnotherUser(const QString& file, int growth, qint64 freeBytes) {
    QStringList arguments = {file, QString::number(growth), QString::number(freeBytes)};
    QString program = BinDir() + QStringLiteral("/save_in_place");
    if (::geteuid() == 0) {
        arguments.prepend(program);
        arguments.prepend(QStringLiteral("--clear-groups"));
        arguments.prepend(QStringLiteral("--regid=65534"));
        arguments.prepend(QStringLiteral("--reuid=65534"));
        program = QStringLiteral("setpriv");
    }
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

// A settings file of some size, ending as the files the program writes do.
QByteArray LongSettings() {
    QByteArray bytes = "[D2VFile]\r\nInputFileName=/films/film.d2v\r\n";
    for (int i = 0; i < 600; ++i)
        bytes += "; " + QByteArray::number(i) + " " + QByteArray(30, 'c') + "\r\n";
    return bytes + "[BitRate]\r\nMediumSize=737280000\r\n[Interface]\r\niDCT=7\r\n";
}

constexpr QFileDevice::Permissions OpenToAll =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ReadGroup |
    QFileDevice::ExeGroup | QFileDevice::ReadOther | QFileDevice::ExeOther;
constexpr QFileDevice::Permissions WritableByAll = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ReadGroup | QFileDevice::WriteGroup |
                                                   QFileDevice::ReadOther | QFileDevice::WriteOther;
constexpr QFileDevice::Permissions NoNewFiles = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                                QFileDevice::ReadOther | QFileDevice::ExeOther;

class InPlaceSave : public PrivateProfileBadInput {
protected:
    void SetUp() override {
        PrivateProfileBadInput::SetUp();
        ASSERT_TRUE(QFile::setPermissions(dir.path(), OpenToAll));
        folder = Path("locked");
        ASSERT_TRUE(QDir().mkdir(folder));
        file = folder + QStringLiteral("/film.ini");
        EXPECT_TRUE(WriteBytes(file, LongSettings()));
        ASSERT_TRUE(QFile::setPermissions(file, WritableByAll));
        ASSERT_TRUE(QFile::setPermissions(folder, NoNewFiles));
    }
    void TearDown() override { QFile::setPermissions(folder, OpenToAll); }

    QString folder, file;
};

TEST_F(InPlaceSave, RewritesTheFileWhereItStands) {
    const QString result = SaveAsAnotherUser(file, 3000, -1);
    if (result.isEmpty())
        GTEST_SKIP() << "no process of another user can be run here";
    EXPECT_EQ(result, S("saved"));
    const QByteArray bytes = ReadBytes(file);
    EXPECT_TRUE(bytes.startsWith(LongSettings()));
    EXPECT_TRUE(bytes.endsWith("iDCT=7\r\nNote=" + QByteArray(3000, 'n') + "\r\n"));
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{S("film.ini")});
}

// The disk cannot take the larger file: the room is asked for first, and refused, before a byte
// of the file is touched.
TEST_F(InPlaceSave, AFileThatWouldNotFitIsLeftByteForByte) {
    const QString result = SaveAsAnotherUser(file, 3000, 1000);
    if (result.isEmpty())
        GTEST_SKIP() << "no process of another user can be run here";
    EXPECT_EQ(result, S("refused"));
    EXPECT_EQ(ReadBytes(file), LongSettings());
}

TEST_F(FullDisk, AnInPlaceSaveThatDoesNotFitLeavesTheFileByteForByte) {
    ASSERT_TRUE(QFile::setPermissions(dir.path(), OpenToAll));
    const QString file = mountPoint + QStringLiteral("/film.ini");
    EXPECT_TRUE(WriteBytes(file, LongSettings()));
    ASSERT_TRUE(QFile::setPermissions(file, WritableByAll));
    // The file system's root takes files from its owner only.
    ASSERT_TRUE(QFile::setPermissions(mountPoint, OpenToAll));
    Fill();
    const QString result = SaveAsAnotherUser(file, 20000, -1);
    if (result.isEmpty())
        GTEST_SKIP() << "no process of another user can be run here";
    EXPECT_EQ(result, S("refused"));
    EXPECT_EQ(ReadBytes(file), LongSettings());

    Free();
    EXPECT_EQ(SaveAsAnotherUser(file, 20000, -1), S("saved"));
    EXPECT_TRUE(ReadBytes(file).endsWith("Note=" + QByteArray(20000, 'n') + "\r\n"));
}

} // namespace
