// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ocr/TextCopy.h"

#include "ocr/TextPreparation.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QThreadPool>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace corvane::TextCopy {

namespace {

std::shared_ptr<TextRecognizer>& current()
{
    static std::shared_ptr<TextRecognizer> recognizer;
    return recognizer;
}

} // namespace

void setRecognizer(std::shared_ptr<TextRecognizer> recognizer)
{
    current() = std::move(recognizer);
}

std::optional<QString> unavailableReason()
{
    if (!current())
        return QStringLiteral("Text recognition is not built into this copy of Corvane");
    return current()->unavailableReason();
}

QString resultMessage(const std::optional<QString>& text)
{
    if (!text)
        return QStringLiteral("Could not read the text");
    const int lines = countTextLines(*text);
    if (lines == 0)
        return QStringLiteral("No text found");
    return lines == 1 ? QStringLiteral("Copied 1 line of text") : QStringLiteral("Copied %1 lines of text").arg(lines);
}

void copyTextInBackground(const QImage& image, double scale, Report report)
{
    std::shared_ptr<TextRecognizer> recognizer = current();
    if (const std::optional<QString> reason = unavailableReason()) {
        report(*reason);
        return;
    }
    // The worker holds its own reference to the picture and to the recogniser.
    QThreadPool::globalInstance()->start([image, scale, recognizer, report = std::move(report)] {
        std::optional<QString> text = recognizer->recognize(prepareForRecognition(image, scale));
        if (text)
            text = tidyRecognizedText(*text);
#if defined(__GLIBC__)
        // The prepared copies of the picture go back to the system, not to the tray's heap.
        ::malloc_trim(0);
#endif
        QCoreApplication* app = QCoreApplication::instance();
        if (!app)
            return;
        QMetaObject::invokeMethod(
            app,
            [text = std::move(text), report] {
                if (text && !text->isEmpty() && QGuiApplication::clipboard())
                    QGuiApplication::clipboard()->setText(*text, QClipboard::Clipboard);
                report(resultMessage(text));
            },
            Qt::QueuedConnection);
    });
}

} // namespace corvane::TextCopy
