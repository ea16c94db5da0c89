// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs under a virtual X server: the picture goes onto the real X11 clipboard and is read back by
// another program (xclip), as a paste into any application would.
#include "output/ImageOutput.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Runs xclip while this process keeps serving the clipboard from its event loop.
QByteArray readClipboard(const QString& target)
{
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", target, "-o"});
    QElapsedTimer timer;
    timer.start();
    while (!xclip.waitForFinished(5) && timer.elapsed() < 10000)
        QCoreApplication::processEvents();
    EXPECT_EQ(xclip.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
    return xclip.readAllStandardOutput();
}

TEST(ClipboardX11Test, AnotherProgramPastesThePngFirstAndTheTiff)
{
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(QColor(10, 120, 230));
    picture.setPixelColor(0, 0, QColor(255, 0, 0));
    picture.setPixelColor(39, 29, QColor(0, 255, 0));
    ASSERT_TRUE(ImageOutput::copyToClipboard(picture, 2));

    const QList<QByteArray> targets = readClipboard(QStringLiteral("TARGETS")).split('\n');
    const auto png = targets.indexOf("image/png");
    const auto tiff = targets.indexOf("image/tiff");
    ASSERT_GE(png, 0) << "offered: " << targets.join(' ').toStdString();
    ASSERT_GE(tiff, 0) << "offered: " << targets.join(' ').toStdString();
    EXPECT_LT(png, tiff);

    for (const char* type : {"image/png", "image/tiff"}) {
        SCOPED_TRACE(type);
        const QImage pasted = QImage::fromData(readClipboard(QString::fromLatin1(type)));
        ASSERT_EQ(pasted.size(), QSize(40, 30));
        EXPECT_EQ(pasted.pixelColor(0, 0), QColor(255, 0, 0));
        EXPECT_EQ(pasted.pixelColor(39, 29), QColor(0, 255, 0));
        EXPECT_EQ(pasted.pixelColor(20, 15), QColor(10, 120, 230));
        EXPECT_EQ(qRound(pasted.dotsPerMeterX() * 0.0254), 144);
    }
}

} // namespace
} // namespace corvane
