// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageMimeData.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace outputtest;

TEST(ImageMimeDataTest, EncodesEachTypeOnTheFirstRequestOnly)
{
    const QImage picture = patternImage(90, 70, 4);
    ImageMimeData data(picture, 2.0);
    EXPECT_EQ(data.formats(), (QStringList{"image/png", "image/tiff"}));
    EXPECT_EQ(data.encodings(), 0) << "nothing is encoded before a program asks";

    const struct {
        const char* type;
        const char* head;   // empty when the type is not offered
        int encodingsAfter; // requests so far, each type once
    } requests[] = {
        {"image/png", "\x89PNG", 1}, {"image/png", "\x89PNG", 1},  {"text/plain", "", 1},
        {"image/tiff", "II*", 2},    {"image/jpeg", "", 2},        {"image/tiff", "II*", 2},
        {"application/x-qt-image", "", 2},
    };
    for (const auto& r : requests) {
        SCOPED_TRACE(r.type);
        const QByteArray bytes = data.data(QString::fromLatin1(r.type));
        EXPECT_EQ(data.hasFormat(QString::fromLatin1(r.type)), *r.head != '\0');
        EXPECT_TRUE(bytes.startsWith(r.head));
        EXPECT_EQ(bytes.isEmpty(), *r.head == '\0');
        if (!bytes.isEmpty()) {
            const QImage decoded = QImage::fromData(bytes);
            EXPECT_TRUE(samePixels(decoded, picture));
            EXPECT_EQ(dotsPerInch(decoded), 144);
        }
        EXPECT_EQ(data.encodings(), r.encodingsAfter);
    }
}

} // namespace
} // namespace corvane
