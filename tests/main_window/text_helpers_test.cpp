#include "notice_strip.h"
#include "shift_jis.h"

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(ShiftJisByteCount, DoubleByteCharactersCountTwiceHalfWidthKanaAndUnmappableOnce) {
    EXPECT_EQ(shiftJisByteCount(QStringLiteral("㎝")), 2);
    EXPECT_EQ(shiftJisByteCount(QStringLiteral("xlsﾌｧｲﾙ選択")), 11);
    EXPECT_EQ(shiftJisByteCount(QString()), 0);
    // An emoji outside the code page (a surrogate pair) becomes one "?".
    EXPECT_EQ(shiftJisByteCount(QStringLiteral("a📷b")), 3);
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
    // Drawn scrolled into view: as plain text, the tag characters take their own width.
    const auto drawn = [&strip](const QString& notice) {
        strip.showNotice(notice);
        while (strip.textOffset() > 0) {
            strip.step();
        }
        QImage image(strip.size(), QImage::Format_ARGB32);
        strip.render(&image);
        return image;
    };
    const QString name = QStringLiteral("<b>x</b>.ods　にロックしました。");
    const QImage withTags = drawn(name);
    EXPECT_EQ(strip.notice(), name);
    EXPECT_NE(withTags, drawn(QStringLiteral("x.ods　にロックしました。")));
}

} // namespace
} // namespace velmora
