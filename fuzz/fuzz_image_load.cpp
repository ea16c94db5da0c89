// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/PictureDecoder.h"

#include <QBuffer>
#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

namespace {

// Reachable for the whole run, so the leak checker does not count it.
QGuiApplication* application = nullptr;

} // namespace

// Fontconfig (loaded for text in SVG files) keeps allocations it never frees; the leak check at exit
// is about the decoders, not about it.
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Image format plugins are found through the application object; no display is wanted.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    application = new QGuiApplication(*argc, *argv);
    // Every damaged input makes a decoder complain; thousands a second would drown libFuzzer's report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The decoder process's own entry: the file's bytes from a device, the standard limits. The
    // process's memory, CPU and file-system confinement are not applied here (the sanitizers need the
    // address space, and libFuzzer writes its findings to files).
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    const corvane::DecodeLimits limits;
    const auto decoded = corvane::decodePicture(device, limits);
    // A picture that comes back must be one the canvas can use as it is.
    if (decoded && (decoded->image.isNull() || decoded->image.width() > limits.maxSide ||
                    decoded->image.height() > limits.maxSide ||
                    (decoded->image.format() != QImage::Format_RGB32 &&
                     decoded->image.format() != QImage::Format_ARGB32_Premultiplied)))
        std::abort();
    return 0;
}
