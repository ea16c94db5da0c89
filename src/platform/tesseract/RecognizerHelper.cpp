// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "process/HelperSandbox.h"
#include "platform/tesseract/TesseractRecognizer.h"
#include "process/HelperProcess.h"

#include <cstdlib>
#include <memory>
#include <optional>
#include <utility>
#include <sys/mman.h>
#include <tesseract/baseapi.h>
#include <unistd.h>
#if defined(CORVANE_HAVE_OPENMP)
#include <omp.h>
#endif

namespace corvane {

namespace {

enum ExitStatus { recognized = 0, usage = 64, refused = 65, noLanguageData = 66, unwritable = 74 };

// A page of 4K text enlarged twice is about 33 million grey pixels; the engine's copies of it and its
// working memory stay well under this.
constexpr qint64 memoryLimit = qint64(2) << 30;
constexpr std::chrono::seconds cpuLimit{60};
constexpr qint64 maxPagePixels = qint64(1) << 28;

// The page in standard input, mapped; nothing unless its fields agree with the file's size.
std::optional<std::pair<PageWire, const uchar*>> mapPage()
{
    const auto header = readWireHeader<PageWire>(STDIN_FILENO);
    if (!header)
        return std::nullopt;
    const auto& [wire, fileSize] = *header;
    const qint64 width = wire.width;
    const qint64 height = wire.height;
    if (width <= 0 || height <= 0 || width * height > maxPagePixels || wire.bytesPerLine < width ||
        fileSize != qint64(sizeof wire) + height * wire.bytesPerLine)
        return std::nullopt;
    void* address = ::mmap(nullptr, size_t(fileSize), PROT_READ, MAP_PRIVATE, STDIN_FILENO, 0);
    if (address == MAP_FAILED)
        return std::nullopt;
    return std::pair(wire, static_cast<const uchar*>(address) + sizeof wire);
}

} // namespace

int runRecognizerHelper(int argc, char** argv)
{
    HelperSandbox::detachFromParent();
    if (argc != 4)
        return usage;
#if defined(CORVANE_HAVE_OPENMP)
    // Tesseract's OpenMP threads spin while they wait, and a step of the network is far too small to
    // share: on a busy two-core machine they made a page four to five times slower. Two processes
    // reading two halves of the page use the second core instead.
    omp_set_max_active_levels(0);
#endif
    tesseract::TessBaseAPI engine;
    // Messages go nowhere: the tray's output is for its own.
    engine.SetVariable("debug_file", "/dev/null");
    if (engine.Init(argv[2], argv[3], tesseract::OEM_LSTM_ONLY) != 0)
        return noLanguageData;
    // The language data is read whole by now: the recogniser needs the file system no more.
    HelperSandbox::enter(memoryLimit, cpuLimit);
    const auto page = mapPage();
    if (!page)
        return refused;
    const auto& [wire, pixels] = *page;
    // The page is already dark on light: trying each line inverted as well doubles the time.
    engine.SetVariable("tessedit_do_invert", "0");
    engine.SetPageSegMode(tesseract::PSM_AUTO);
    engine.SetImage(pixels, int(wire.width), int(wire.height), 1, int(wire.bytesPerLine));
    engine.SetSourceResolution(int(wire.dotsPerInch));
    const std::unique_ptr<char[]> text(engine.GetUTF8Text());
    if (!text)
        std::_Exit(refused);
    // Leaving at once: the engine's teardown would only cost time.
    std::_Exit(writeToCaller(text.get(), qint64(std::strlen(text.get()))) ? recognized : unwritable);
}

} // namespace corvane
