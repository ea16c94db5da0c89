// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/tesseract/TesseractRecognizer.h"

#include "ocr/LanguageData.h"

#include <tesseract/baseapi.h>
#if defined(CORVANE_HAVE_OPENMP)
#include <omp.h>
#endif


namespace corvane {

namespace {

// A picture prepared for recognition has text drawn for about 192 dots per inch: a ratio-1
// screenshot enlarged twice, or one from a ratio-2 monitor.
constexpr int preparedResolution = 192;

class TesseractRecognizer final : public TextRecognizer {
public:
    std::optional<QString> unavailableReason() const override
    {
        if (findLanguageData())
            return std::nullopt;
        return QStringLiteral("Install the %1 package to copy text").arg(QLatin1String(languageDataPackage));
    }

    std::optional<QString> recognize(const QImage& prepared) override
    {
        const std::optional<LanguageData> data = findLanguageData();
        if (!data || prepared.isNull() || prepared.format() != QImage::Format_Grayscale8)
            return std::nullopt;
        runSerially();
        tesseract::TessBaseAPI engine;
        // Messages go nowhere: the tray's output is for its own.
        engine.SetVariable("debug_file", "/dev/null");
        if (engine.Init(data->folder.toLocal8Bit().constData(), data->languages.toLatin1().constData(),
                        tesseract::OEM_LSTM_ONLY) != 0)
            return std::nullopt;
        // The picture is already dark on light: trying each line inverted as well doubles the time.
        engine.SetVariable("tessedit_do_invert", "0");
        engine.SetPageSegMode(tesseract::PSM_AUTO);
        engine.SetImage(prepared.constBits(), prepared.width(), prepared.height(), 1,
                        int(prepared.bytesPerLine()));
        engine.SetSourceResolution(preparedResolution);
        std::unique_ptr<char[]> text(engine.GetUTF8Text());
        engine.End();
        if (!text)
            return std::nullopt;
        return QString::fromUtf8(text.get());
    }

private:
    // Tesseract's OpenMP threads spin while they wait; on a busy two-core machine that made a page
    // four to five times slower than one thread. Parallel regions become serial. The setting belongs
    // to the calling thread (OpenMP 5), and each recognition may run on another pool thread.
    static void runSerially()
    {
#if defined(CORVANE_HAVE_OPENMP)
        omp_set_max_active_levels(0);
#endif
    }
};

} // namespace

std::shared_ptr<TextRecognizer> makeTesseractRecognizer()
{
    return std::make_shared<TesseractRecognizer>();
}

} // namespace corvane
