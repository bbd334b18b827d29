#include "ui/widgets/TrackBar.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

namespace {

struct KeyCase {
    const char* name;
    Qt::Key key;
    int expected; // from 50, line size 1, page size 10, range 0 ... 359
};

std::ostream& operator<<(std::ostream& out, const KeyCase& c) {
    return out << c.name;
}

class TrackBarKeysTest : public ::testing::TestWithParam<KeyCase> {};

TEST_P(TrackBarKeysTest, MovesAsTheTrackBarUsersKnow) {
    TrackBar bar;
    bar.SetMin(0);
    bar.SetMax(359);
    bar.SetLineSize(1);
    bar.SetPageSize(10);
    bar.SetPosition(50);
    bar.show();
    QSignalSpy changes(&bar, &TrackBar::Change);

    QTest::keyClick(&bar, GetParam().key);

    EXPECT_EQ(bar.Position(), GetParam().expected);
    EXPECT_EQ(changes.count(), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, TrackBarKeysTest,
    ::testing::Values(KeyCase{"Up", Qt::Key_Up, 49}, KeyCase{"Down", Qt::Key_Down, 51},
                      KeyCase{"PageUp", Qt::Key_PageUp, 40}, KeyCase{"PageDown", Qt::Key_PageDown, 60},
                      KeyCase{"Left", Qt::Key_Left, 49}, KeyCase{"Right", Qt::Key_Right, 51},
                      KeyCase{"Home", Qt::Key_Home, 0}, KeyCase{"End", Qt::Key_End, 359}),
    [](const ::testing::TestParamInfo<KeyCase>& keyCase) { return std::string(keyCase.param.name); });

TEST(TrackBarKeysEdgeTest, UpAndPageUpStopAtTheFirstPositionWithoutAChange) {
    TrackBar bar;
    bar.SetMin(0);
    bar.SetMax(20);
    bar.SetPageSize(10);
    bar.SetPosition(0);
    bar.show();
    QSignalSpy changes(&bar, &TrackBar::Change);

    QTest::keyClick(&bar, Qt::Key_Up);
    QTest::keyClick(&bar, Qt::Key_PageUp);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(changes.count(), 0);

    bar.SetPosition(15);
    QTest::keyClick(&bar, Qt::Key_PageDown);
    EXPECT_EQ(bar.Position(), 20);
}

} // namespace
