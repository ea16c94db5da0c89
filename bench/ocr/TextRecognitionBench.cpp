// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/TextPreparation.h"
#include "platform/tesseract/TesseractRecognizer.h"

#include <QFile>
#include <QFont>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <thread>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace corvane {
namespace {

// A 1920 x 1080 screenshot of a reading window at ratio 1: a title bar, a sidebar of short entries and
// a column of paragraphs in 14-pixel text, about 4,500 characters.
QImage screenshotOfText(bool dark)
{
    const QColor page = dark ? QColor(0x1E, 0x1F, 0x22) : QColor(0xFF, 0xFF, 0xFF);
    const QColor ink = dark ? QColor(0xDC, 0xDC, 0xDC) : QColor(0x20, 0x20, 0x20);
    QImage image(1920, 1080, QImage::Format_RGB32);
    image.fill(page);
    QPainter painter(&image);
    painter.fillRect(0, 0, 1920, 36, dark ? QColor(0x2B, 0x2D, 0x30) : QColor(0xE8, 0xE8, 0xE8));
    painter.fillRect(0, 36, 300, 1044, dark ? QColor(0x25, 0x26, 0x29) : QColor(0xF4, 0xF4, 0xF4));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(ink);
    painter.drawText(16, 24, QStringLiteral("Release notes - build 4127 - Corvane"));
    for (int i = 0; i < 30; ++i)
        painter.drawText(20, 70 + i * 30, QStringLiteral("Section %1: capture and output").arg(i + 1));
    const QString sentence = QStringLiteral(
        "The overlay froze every monitor at 14:32 and the region was copied in 38 ms; ");
    int y = 70;
    for (int paragraph = 0; y < 1040; ++paragraph) {
        for (int line = 0; line < 4 && y < 1040; ++line, y += 20)
            painter.drawText(340, y, sentence + (paragraph % 2 ? QStringLiteral("see 2.%1 below.").arg(line)
                                                               : QStringLiteral("then saved.")));
        y += 14;
    }
    return image;
}

// Processor time of this process and of the helper processes it has waited for.
double processSeconds()
{
    double seconds = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        seconds += double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                   double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }
    return seconds;
}

long residentKilobytes(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(int(qstrlen(field))).trimmed().split(' ').front().toLong();
    }
    return 0;
}

// The whole of Copy Text's work off the main thread, as the tray does it: preparation, the recogniser's
// processes (the program itself, started with its helper switch) started, the page read, the heap
// trimmed. Memory: this process's peak above its resident size before and what is left afterwards
// (the tray's idle target is 10 MB), and the largest helper process's peak.
void BM_RecognizeScreenshot(benchmark::State& state)
{
    const QImage screenshot = screenshotOfText(state.range(0) != 0);
    if (qEnvironmentVariableIsSet("CORVANE_BENCH_SAVE"))
        screenshot.save(qEnvironmentVariable("CORVANE_BENCH_SAVE"));
    const auto recognizer = makeTesseractRecognizer(QByteArrayLiteral(CORVANE_EXECUTABLE));
    if (recognizer->unavailableReason()) {
        state.SkipWithError("no language data installed");
        return;
    }
    long before = 0, peak = 0, after = 0;
    int characters = 0;
    double cpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QFile clear(QStringLiteral("/proc/self/clear_refs"));
        if (clear.open(QIODevice::WriteOnly))
            clear.write("5"); // restarts the peak
        before = residentKilobytes("VmRSS:");
        const double cpuBefore = processSeconds();
        state.ResumeTiming();
        std::optional<QString> text;
        // On a thread of its own, as in the tray: its allocations come from another arena.
        std::thread worker([&] {
            text = recognizer->recognize(prepareForRecognition(screenshot, 1));
#if defined(__GLIBC__)
            ::malloc_trim(0);
#endif
        });
        worker.join();
        state.PauseTiming();
        cpu += processSeconds() - cpuBefore;
        peak = residentKilobytes("VmHWM:");
        after = residentKilobytes("VmRSS:");
        characters = text ? int(text->size()) : 0;
        if (text && qEnvironmentVariableIsSet("CORVANE_BENCH_TEXT")) {
            QFile out(qEnvironmentVariable("CORVANE_BENCH_TEXT"));
            if (out.open(QIODevice::WriteOnly))
                out.write(text->toUtf8());
        }
        state.ResumeTiming();
    }
    state.counters["characters"] = characters;
    // Every thread's and helper's processor time: what the page costs on an idle machine with one core.
    state.counters["cpu_s"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
    state.counters["peak_added_MB"] = double(peak - before) / 1024;
    state.counters["left_after_MB"] = double(after - before) / 1024;
    rusage helpers{};
    ::getrusage(RUSAGE_CHILDREN, &helpers);
    state.counters["helper_peak_MB"] = double(helpers.ru_maxrss) / 1024;
}
BENCHMARK(BM_RecognizeScreenshot)->ArgName("dark")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()
    ->Iterations(3);

} // namespace
} // namespace corvane
