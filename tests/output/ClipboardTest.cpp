// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OutputTestSupport.h"
#include "output/ImageOutput.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using outputtest::dotsPerInch;
using outputtest::kPngSignature;
using outputtest::patternImage;
using outputtest::samePixels;

class ClipboardTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_clipboard = QGuiApplication::clipboard();
        ASSERT_NE(m_clipboard, nullptr);
    }
    void TearDown() override { m_clipboard->clear(); }

    QStringList formats() const
    {
        const QMimeData* data = m_clipboard->mimeData(QClipboard::Clipboard);
        return data ? data->formats() : QStringList();
    }

    QClipboard* m_clipboard = nullptr;
};

TEST_F(ClipboardTest, OffersPngFirstThenTiff)
{
    m_clipboard->setText(QStringLiteral("something older"));
    const QImage image = patternImage(64, 40, 8, /*translucent=*/true);

    EXPECT_TRUE(ImageOutput::copyToClipboard(image, 2.0));

    EXPECT_EQ(formats(), QStringList({"image/png", "image/tiff"}));
    const QMimeData* data = m_clipboard->mimeData(QClipboard::Clipboard);
    ASSERT_NE(data, nullptr);
    const QByteArray png = data->data(QStringLiteral("image/png"));
    EXPECT_TRUE(png.startsWith(kPngSignature));
    const QImage fromPng = QImage::fromData(png, "PNG");
    EXPECT_TRUE(samePixels(fromPng, image));
    EXPECT_EQ(dotsPerInch(fromPng.dotsPerMeterX()), 144);
    const QImage fromTiff = QImage::fromData(data->data(QStringLiteral("image/tiff")), "TIFF");
    EXPECT_TRUE(samePixels(fromTiff, image, QImage::Format_ARGB32_Premultiplied)); // TIFF premultiplies
    EXPECT_EQ(dotsPerInch(fromTiff.dotsPerMeterX()), 144);
    EXPECT_TRUE(m_clipboard->text().isEmpty()) << "the older text is gone";
}

TEST_F(ClipboardTest, ClearsOlderContentsEvenWhenNothingCanBeEncoded)
{
    m_clipboard->setText(QStringLiteral("something older"));
    ASSERT_FALSE(formats().isEmpty());

    EXPECT_FALSE(ImageOutput::copyToClipboard(QImage(), 2.0));

    EXPECT_TRUE(formats().isEmpty()) << formats().join(", ").toStdString();
    EXPECT_TRUE(m_clipboard->text().isEmpty());
}

} // namespace
} // namespace corvane
