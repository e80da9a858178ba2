#include "notice_strip.h"
#include "shift_jis.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ShiftJisByteCount, CountsDoubleByteCharactersTwice) {
    EXPECT_EQ(shiftJisByteCount(QStringLiteral("Excel が起動してません。")), 24);
    EXPECT_EQ(shiftJisByteCount(QStringLiteral("Book1.xls　にロックしました。")), 29);
    EXPECT_EQ(shiftJisByteCount(QStringLiteral("㎝")), 2);
    // Half-width katakana are single bytes in the code page.
    EXPECT_EQ(shiftJisByteCount(QStringLiteral("xlsﾌｧｲﾙ選択")), 11);
    EXPECT_EQ(shiftJisByteCount(QString()), 0);
}

TEST(ShiftJisByteCount, CharacterOutsideTheCodePageCountsAsOne) {
    // An emoji outside the code page (a surrogate pair) becomes one "?".
    EXPECT_EQ(shiftJisByteCount(QString::fromUtf8("a\xF0\x9F\x93\xB7"
                                                  "b")),
              3);
}

TEST(NoticeStrip, ScrollsLeftTwoPixelsAStepAndComesBackFromTheRight) {
    NoticeStrip strip;
    strip.resize(200, 40);
    strip.setBand(QRect(0, 0, 100, 18));
    strip.showNotice(QStringLiteral("ab"));
    EXPECT_EQ(strip.textOffset(), 100);
    strip.step();
    EXPECT_EQ(strip.textOffset(), 98);
    for (int i = 0; i < 200; ++i) {
        strip.step();
        ASSERT_LE(strip.textOffset(), 100);
    }
    // It wrapped round at least once instead of running away to the left.
    EXPECT_GT(strip.textOffset(), -QFontMetrics(strip.font()).horizontalAdvance("ab") - 1);
}

TEST(NoticeStrip, MarkUpIsShownAsText) {
    NoticeStrip strip;
    strip.resize(200, 40);
    const QString name = QStringLiteral("<b>x</b>.ods　にロックしました。");
    strip.showNotice(name);
    EXPECT_EQ(strip.notice(), name);
    // Drawn as plain text: scrolled into view, the tag characters take their own width.
    while (strip.textOffset() > 0) {
        strip.step();
    }
    QImage plain(strip.size(), QImage::Format_ARGB32);
    strip.render(&plain);
    strip.showNotice(QStringLiteral("x.ods　にロックしました。"));
    while (strip.textOffset() > 0) {
        strip.step();
    }
    QImage stripped(strip.size(), QImage::Format_ARGB32);
    strip.render(&stripped);
    EXPECT_NE(plain, stripped);
}

} // namespace
} // namespace velmora
