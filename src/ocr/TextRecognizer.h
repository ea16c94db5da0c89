// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace corvane {

// Recognises the text in a picture. The program uses Tesseract (src/platform/tesseract); tests put a
// fake in its place. Both calls may come from any thread, and from two threads at once.
class TextRecognizer {
public:
    virtual ~TextRecognizer() = default;

    // Why no text can be recognised here (the language data is missing, naming the package to
    // install), or nothing when it can. Cheap: asked every time a menu opens.
    virtual std::optional<QString> unavailableReason() const = 0;

    // The text in a picture prepared by `prepareForRecognition` (dark text on light, large enough),
    // lines separated by "\n" and paragraphs by an empty line; an empty string when there is none.
    // Nothing when the recogniser could not run at all.
    virtual std::optional<QString> recognize(const QImage& prepared) = 0;

protected:
    TextRecognizer() = default;
    TextRecognizer(const TextRecognizer&) = default;
    TextRecognizer& operator=(const TextRecognizer&) = default;
};

} // namespace corvane
