// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
//
// How long ImageOutput::data takes to encode a 3840 x 2160 (4K, scale 2) screenshot as PNG, the format
// every save and copy writes, with JPEG beside it for comparison. The picture is made here, the same
// on every run: flat window chrome and panels, antialiased text, and a photo-like region of smooth
// gradients with noise from a fixed-seed generator (std::mt19937's output is fixed by the standard).
// The text depends on the fonts installed (DejaVu from fonts-dejavu-core on the project's machines).
// Set CORVANE_BENCH_DUMP=/some/file.png to write the picture out and look at it.
#include "output/ImageOutput.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QImageWriter>
#include <QTemporaryDir>

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLinearGradient>
#include <QMimeDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QStringList>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cmath>
#include <cstdint>
#include <random>

namespace {

constexpr int kWidth = 3840;
constexpr int kHeight = 2160;
constexpr double kScale = 2.0;
constexpr std::uint32_t kNoiseSeed = 20261205;

QFont font(const char* family, int pixelSize, QFont::Weight weight = QFont::Normal)
{
    QFont result(QString::fromLatin1(family));
    result.setPixelSize(pixelSize);
    result.setWeight(weight);
    result.setHintingPreference(QFont::PreferNoHinting);
    return result;
}

// A window frame: shadow, rounded body, title bar with the three buttons and a centred title.
QRect drawWindow(QPainter& painter, const QRect& frame, const QString& title, const QColor& body)
{
    painter.setPen(Qt::NoPen);
    for (int i = 1; i <= 6; ++i) { // soft shadow in a few flat steps
        painter.setBrush(QColor(0, 0, 0, 10));
        painter.drawRoundedRect(frame.adjusted(-2 * i, -i, 2 * i, 3 * i), 20, 20);
    }
    painter.setBrush(body);
    painter.drawRoundedRect(frame, 20, 20);
    const QRect bar(frame.left(), frame.top(), frame.width(), 64);
    QPainterPath barPath;
    barPath.addRoundedRect(bar.adjusted(0, 0, 0, 20), 20, 20);
    painter.save();
    painter.setClipRect(bar);
    painter.setBrush(QColor(236, 236, 236));
    painter.drawPath(barPath);
    painter.restore();
    painter.setBrush(QColor(208, 208, 208));
    painter.drawRect(bar.left(), bar.bottom(), bar.width(), 2);
    const QColor buttons[] = {QColor(255, 95, 87), QColor(254, 188, 46), QColor(40, 200, 64)};
    for (int i = 0; i < 3; ++i) {
        painter.setBrush(buttons[i]);
        painter.drawEllipse(QPoint(frame.left() + 36 + i * 40, bar.center().y()), 12, 12);
    }
    painter.setPen(QColor(60, 60, 60));
    painter.setFont(font("DejaVu Sans", 26, QFont::DemiBold));
    painter.drawText(bar, Qt::AlignCenter, title);
    return QRect(frame.left(), bar.bottom() + 2, frame.width(), frame.bottom() - bar.bottom() - 2);
}

void drawMenuBarAndDock(QPainter& painter)
{
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(246, 246, 246, 235));
    painter.drawRect(0, 0, kWidth, 48);
    painter.setPen(QColor(20, 20, 20));
    painter.setFont(font("DejaVu Sans", 26, QFont::Bold));
    painter.drawText(QRect(40, 0, 200, 48), Qt::AlignVCenter, QStringLiteral("Corvane"));
    painter.setFont(font("DejaVu Sans", 26));
    const QStringList menus = {"File", "Edit", "View", "Capture", "Annotate", "Window", "Help"};
    int x = 220;
    for (const QString& menu : menus) {
        painter.drawText(QRect(x, 0, 200, 48), Qt::AlignVCenter, menu);
        x += painter.fontMetrics().horizontalAdvance(menu) + 48;
    }
    painter.drawText(QRect(kWidth - 520, 0, 480, 48), Qt::AlignVCenter | Qt::AlignRight,
                     QStringLiteral("Sat 5 Dec  22:29"));

    const QRect dock(kWidth / 2 - 700, kHeight - 150, 1400, 128);
    painter.setPen(QColor(255, 255, 255, 120));
    painter.setBrush(QColor(235, 235, 240, 190));
    painter.drawRoundedRect(dock, 36, 36);
    painter.setPen(Qt::NoPen);
    for (int i = 0; i < 12; ++i) {
        const QRect icon(dock.left() + 28 + i * 114, dock.top() + 14, 100, 100);
        QLinearGradient shade(icon.topLeft(), icon.bottomLeft());
        const QColor hue = QColor::fromHsv((i * 53) % 360, 170, 235);
        shade.setColorAt(0, hue.lighter(125));
        shade.setColorAt(1, hue.darker(120));
        painter.setBrush(shade);
        painter.drawRoundedRect(icon, 22, 22);
    }
}

void drawEditorWindow(QPainter& painter)
{
    const QRect content = drawWindow(painter, QRect(120, 110, 2100, 1560),
                                     QStringLiteral("ImageOutput.cpp — Corvane"), QColor(30, 30, 30));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(37, 37, 38));
    const QRect sidebar(content.left(), content.top(), 440, content.height() - 20);
    painter.drawRect(sidebar);

    painter.setFont(font("DejaVu Sans", 24));
    const QStringList files = {"CMakeLists.txt",
                               "src",
                               "  annotation",
                               "  app",
                               "  capture",
                               "  editor",
                               "  output",
                               "    ExclusiveFile.cpp",
                               "    ExclusiveFile.h",
                               "    ImageOutput.cpp",
                               "    ImageOutput.h",
                               "  platform",
                               "tests",
                               "bench",
                               "docs",
                               "scripts"};
    for (int i = 0; i < files.size(); ++i) {
        const QRect row(sidebar.left(), sidebar.top() + 24 + i * 44, sidebar.width(), 44);
        if (i == 9) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(4, 57, 94));
            painter.drawRect(row);
        }
        painter.setPen(QColor(204, 204, 204));
        painter.drawText(row.adjusted(32, 0, 0, 0), Qt::AlignVCenter, files[i]);
    }

    const QStringList code = {
        "std::optional<QString> saveToDirectory(const QString& directory, const QImage& image,",
        "                                       double scale, const std::optional<QString>& name,",
        "                                       const Clock& clock)",
        "{",
        "    const std::optional<QByteArray> png = encode(image, Format::Png, scale);",
        "    if (!png)",
        "        return std::nullopt;",
        "",
        "    // The base is taken afresh for every candidate.",
        "    const auto base = [&]() -> QString {",
        "        if (name && !name->isEmpty())",
        "            return *name;",
        "        return defaultFileName(clock ? clock() : QDateTime::currentDateTime());",
        "    };",
        "    return ExclusiveFile::write(directory, *png, [&](std::uint64_t attempt) {",
        "        if (attempt <= 1)",
        "            return base() + QStringLiteral(\".png\");",
        "        return base() + QStringLiteral(\" (%1).png\").arg(attempt);",
        "    });",
        "}",
    };
    const QColor colours[] = {QColor(212, 212, 212), QColor(86, 156, 214), QColor(78, 201, 176),
                              QColor(206, 145, 120), QColor(106, 153, 85), QColor(197, 134, 192)};
    painter.setFont(font("DejaVu Sans Mono", 26));
    const int lineHeight = 40;
    const int lines = (content.height() - 60) / lineHeight;
    for (int i = 0; i < lines; ++i) {
        const QString& text = code[i % code.size()];
        const int y = content.top() + 30 + i * lineHeight;
        painter.setPen(QColor(133, 133, 133));
        painter.drawText(QRect(sidebar.right() + 10, y, 80, lineHeight), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(i + 1));
        // Colour word by word, the way syntax highlighting breaks a line into runs.
        int x = sidebar.right() + 130;
        const QStringList words = text.split(QLatin1Char(' '));
        for (int w = 0; w < words.size(); ++w) {
            const QString word = words[w] + (w + 1 < words.size() ? QStringLiteral(" ") : QString());
            painter.setPen(text.trimmed().startsWith(QStringLiteral("//")) ? colours[4]
                                                                           : colours[(i * 7 + w * 3) % 6]);
            painter.drawText(QPoint(x, y + 30), word);
            x += painter.fontMetrics().horizontalAdvance(word);
        }
    }
}

// A photograph stand-in: sky, sun, rolling hills, each a smooth gradient, with sensor-like noise.
void drawPhoto(QImage& image, const QRect& area)
{
    std::mt19937 noise(kNoiseSeed);
    const double width = area.width();
    const double height = area.height();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const double v = (y - area.top()) / height;
        for (int x = area.left(); x <= area.right(); ++x) {
            const double u = (x - area.left()) / width;
            const double horizon = 0.58 + 0.06 * std::sin(u * 7.0) + 0.03 * std::sin(u * 17.0 + 1.3);
            double r;
            double g;
            double b;
            if (v < horizon) {
                const double t = v / horizon;
                r = 70 + 140 * t;
                g = 125 + 95 * t;
                b = 205 + 40 * t;
                const double sun = std::hypot(u - 0.72, (v - 0.22) * height / width);
                const double glow = std::exp(-sun * sun * 60.0);
                r += (255 - r) * glow;
                g += (240 - g) * glow;
                b += (200 - b) * glow;
            } else {
                const double t = (v - horizon) / (1.0 - horizon);
                const double ridge = 0.5 + 0.5 * std::sin(u * 23.0 + t * 5.0);
                r = 60 + 50 * t + 25 * ridge;
                g = 120 + 30 * t + 35 * ridge;
                b = 50 + 20 * t;
            }
            const std::uint32_t n = noise();
            const auto jitter = [n](int shift) {
                return static_cast<int>((n >> shift) & 15u) - 8;
            };
            line[x] = qRgb(std::clamp(static_cast<int>(r) + jitter(0), 0, 255),
                           std::clamp(static_cast<int>(g) + jitter(4), 0, 255),
                           std::clamp(static_cast<int>(b) + jitter(8), 0, 255));
        }
    }
}

void drawPhotoWindow(QPainter& painter, QImage& image)
{
    const QRect content = drawWindow(painter, QRect(1860, 420, 1860, 1360), QStringLiteral("Lakeside.jpg"),
                                     QColor(250, 250, 250));
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(242, 242, 242));
    painter.drawRect(content.left(), content.top(), content.width(), 80);
    painter.setPen(QColor(70, 70, 70));
    painter.setFont(font("DejaVu Sans", 24));
    const QStringList tools = {"Rotate", "Crop", "Adjust", "Markup", "Share"};
    for (int i = 0; i < tools.size(); ++i)
        painter.drawText(QRect(content.left() + 40 + i * 180, content.top(), 170, 80), Qt::AlignVCenter,
                         tools[i]);
    const QRect photo(content.left() + 40, content.top() + 110, content.width() - 80, content.height() - 150);
    painter.end(); // the photo is written pixel by pixel
    drawPhoto(image, photo);
    painter.begin(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
}

void drawNotification(QPainter& painter)
{
    const QRect card(kWidth - 920, 80, 880, 220);
    painter.setPen(QColor(220, 220, 220));
    painter.setBrush(QColor(252, 252, 252, 245));
    painter.drawRoundedRect(card, 28, 28);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 122, 255));
    painter.drawRoundedRect(QRect(card.left() + 32, card.top() + 40, 96, 96), 22, 22);
    painter.setPen(QColor(30, 30, 30));
    painter.setFont(font("DejaVu Sans", 28, QFont::Bold));
    painter.drawText(QPoint(card.left() + 160, card.top() + 72), QStringLiteral("Screenshot saved"));
    painter.setFont(font("DejaVu Sans", 24));
    painter.setPen(QColor(90, 90, 90));
    painter.drawText(QPoint(card.left() + 160, card.top() + 116),
                     QStringLiteral("Screenshot 2026-12-05 at 22.29.09.png"));
    painter.drawText(QPoint(card.left() + 160, card.top() + 156), QStringLiteral("Desktop  ·  2.4 MB"));
}

QImage makeScreenshot()
{
    QImage image(kWidth, kHeight, QImage::Format_RGB32); // what an X11 grab hands over
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    QLinearGradient wallpaper(0, 0, kWidth, kHeight);
    wallpaper.setColorAt(0, QColor(38, 60, 112));
    wallpaper.setColorAt(1, QColor(112, 64, 128));
    painter.fillRect(image.rect(), wallpaper);
    drawEditorWindow(painter);
    drawPhotoWindow(painter, image);
    drawMenuBarAndDock(painter);
    drawNotification(painter);
    painter.end();
    // Left at QImage's default resolution, as a grab comes: data() then records 144 dpi on a copy,
    // a cost every real save pays too.
    return image;
}

const QImage& screenshot()
{
    static const QImage image = [] {
        QImage made = makeScreenshot();
        const QByteArray dump = qgetenv("CORVANE_BENCH_DUMP");
        if (!dump.isEmpty())
            made.save(QString::fromLocal8Bit(dump));
        return made;
    }();
    return image;
}

// Text and interface only, the other common kind of screenshot: the editor window and the panels of
// the picture above on a flat background, no photograph.
const QImage& interfaceShot()
{
    static const QImage image = [] {
        QImage made(kWidth, kHeight, QImage::Format_RGB32);
        made.fill(QColor(236, 238, 242));
        QPainter painter(&made);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        drawEditorWindow(painter);
        painter.translate(1900, 0);
        drawEditorWindow(painter);
        painter.resetTransform();
        drawMenuBarAndDock(painter);
        drawNotification(painter);
        painter.end();
        const QByteArray dump = qgetenv("CORVANE_BENCH_DUMP_INTERFACE");
        if (!dump.isEmpty())
            made.save(QString::fromLocal8Bit(dump));
        return made;
    }();
    return image;
}

void countBytes(benchmark::State& state, qsizetype bytes)
{
    state.counters["bytes"] = benchmark::Counter(static_cast<double>(bytes));
    state.counters["bits_per_pixel"] =
        benchmark::Counter(8.0 * static_cast<double>(bytes) / (kWidth * kHeight));
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight); // items = pixels
}

// Qt's own PNG writer with its default settings: the reference for size and the time it replaced.
void encodeWithQt(benchmark::State& state, const QImage& image)
{
    qsizetype bytes = 0;
    for (auto _ : state) {
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(image)) {
            state.SkipWithError("encoding failed");
            return;
        }
        bytes = data.size();
    }
    countBytes(state, bytes);
}

void BM_EncodePngQt(benchmark::State& state)
{
    encodeWithQt(state, screenshot());
}
void BM_EncodePngQtInterface(benchmark::State& state)
{
    encodeWithQt(state, interfaceShot());
}

// What Save to Desktop does after the click: encode, write to a hidden file, flush it to the disk,
// claim the name.
void BM_SaveToFolder(benchmark::State& state)
{
    const QImage& image = screenshot();
    QTemporaryDir folder;
    int saved = 0;
    for (auto _ : state) {
        const auto path = corvane::ImageOutput::saveToDirectory(folder.path(), image, kScale,
                                                                QStringLiteral("shot %1").arg(++saved), {});
        if (!path) {
            state.SkipWithError("saving failed");
            return;
        }
    }
}

// Copy to Clipboard as the user meets it: the call returns, then a program asks for image/png once
// (the offscreen platform's clipboard stands in for the X server's).
void BM_CopyReturns(benchmark::State& state)
{
    const QImage& image = screenshot();
    for (auto _ : state)
        benchmark::DoNotOptimize(corvane::ImageOutput::copyToClipboard(image, kScale));
}
void BM_CopyThenPastePng(benchmark::State& state)
{
    const QImage& image = screenshot();
    for (auto _ : state) {
        corvane::ImageOutput::copyToClipboard(image, kScale);
        const QByteArray png = QGuiApplication::clipboard()->mimeData()->data(QStringLiteral("image/png"));
        if (png.isEmpty()) {
            state.SkipWithError("nothing to paste");
            return;
        }
    }
}

void encode(benchmark::State& state, const char* mimeType, const QImage& image)
{
    const QMimeType type = QMimeDatabase().mimeTypeForName(QString::fromLatin1(mimeType));
    qsizetype bytes = 0;
    for (auto _ : state) {
        const std::optional<QByteArray> data = corvane::ImageOutput::data(image, type, kScale);
        if (!data) {
            state.SkipWithError("encoding failed");
            return;
        }
        bytes = data->size();
        benchmark::DoNotOptimize(data->constData());
    }
    countBytes(state, bytes);
}

void BM_EncodePng(benchmark::State& state)
{
    encode(state, "image/png", screenshot());
}
void BM_EncodePngInterface(benchmark::State& state)
{
    encode(state, "image/png", interfaceShot());
}
void BM_EncodeJpeg(benchmark::State& state)
{
    encode(state, "image/jpeg", screenshot());
}

} // namespace

BENCHMARK(BM_EncodePng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePngQt)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePngInterface)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePngQtInterface)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SaveToFolder)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyReturns)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CopyThenPastePng)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeJpeg)->Unit(benchmark::kMillisecond);
