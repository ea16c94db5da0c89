// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/DecodedPictureWire.h"
#include "editor/DecoderProcess.h"
#include "process/HelperSandbox.h"
#include "process/HelperProcess.h"

#include <QBuffer>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImageReader>
#include <QPainter>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <unistd.h>

namespace corvane {

namespace {

enum ExitStatus { decoded = 0, usage = 64, refused = 65, unwritable = 74 };

std::optional<DecodeLimits> limitsFrom(int argc, char** argv)
{
    if (argc != 6)
        return std::nullopt;
    bool ok[4] = {};
    DecodeLimits limits;
    limits.memoryBytes = QByteArray(argv[2]).toLongLong(&ok[0]);
    limits.cpuTime = std::chrono::seconds(QByteArray(argv[3]).toLongLong(&ok[1]));
    limits.maxSide = QByteArray(argv[4]).toInt(&ok[2]);
    limits.maxPixels = QByteArray(argv[5]).toLongLong(&ok[3]);
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || limits.cpuTime.count() < 1)
        return std::nullopt;
    return limits;
}

// Once the file system is closed, nothing more can be loaded: every image plugin (found by asking
// each whether it reads a few bytes) and the default font (for text in SVG files) are loaded first.
void loadEverythingNeeded()
{
    QByteArray probe("corvane");
    QBuffer buffer(&probe);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    reader.canRead();
    QImage text(16, 16, QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&text);
    painter.setFont(QFontDatabase::systemFont(QFontDatabase::GeneralFont));
    painter.drawText(0, 12, QStringLiteral("Ag"));
}

bool writePicture(const DecodedPicture& picture)
{
    const QImage& image = picture.image;
    DecodedPictureWire wire;
    std::memcpy(wire.magic, DecodedPictureWire::kMagic, sizeof wire.magic);
    wire.width = quint32(image.width());
    wire.height = quint32(image.height());
    wire.bytesPerLine = quint32(image.bytesPerLine());
    wire.format = image.format() == QImage::Format_RGB32 ? DecodedPictureWire::rgb32
                                                         : DecodedPictureWire::argb32Premultiplied;
    wire.scale = picture.scale;
    return writeToCaller(reinterpret_cast<const char*>(&wire), sizeof wire) &&
           writeToCaller(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes());
}

} // namespace

int runDecoderHelper(int argc, char** argv)
{
    HelperSandbox::detachFromParent();
    const std::optional<DecodeLimits> limits = limitsFrom(argc, argv);
    if (!limits)
        return usage;
    // Every damaged file makes a decoder complain; the running instance's log is no place for that.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QGuiApplication application(qtArgc, argv);
    loadEverythingNeeded();
    HelperSandbox::enter(limits->memoryBytes, limits->cpuTime);

    QFile input;
    if (!input.open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
        return refused;
    const std::optional<DecodedPicture> picture = decodePicture(input, *limits);
    if (!picture)
        std::_Exit(refused);
    // Leaving at once: tearing down a gigabyte picture and Qt would only cost time.
    std::_Exit(writePicture(*picture) ? decoded : unwritable);
}

} // namespace corvane
