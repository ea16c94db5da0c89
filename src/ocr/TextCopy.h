// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ocr/TextRecognizer.h"

#include <QImage>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace corvane::TextCopy {

// The recogniser Copy Text uses; the application sets Tesseract's at start-up, tests a fake. Without
// one, Copy Text is unavailable. Main thread only.
void setRecognizer(std::shared_ptr<TextRecognizer> recognizer);

// Why Copy Text cannot be used (for the disabled item's tooltip), or nothing when it can.
std::optional<QString> unavailableReason();

// What the toast says once the text is read: "Copied 3 lines of text", "No text found"...
using Report = std::function<void(const QString& message)>;

// Reads the text in the picture on a worker thread and returns at once. On the main thread, once it
// is read, the text replaces the clipboard's contents (which stay as they were when no text is found
// or reading fails) and REPORT gets the toast's words; not at all when the application is gone.
void copyTextInBackground(const QImage& image, double scale, Report report);

// The toast's words for a result: the number of lines copied, none, or a recogniser that failed.
QString resultMessage(const std::optional<QString>& text);

} // namespace corvane::TextCopy
