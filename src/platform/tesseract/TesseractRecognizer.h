// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ocr/TextRecognizer.h"

#include <memory>

namespace corvane {

// Tesseract's LSTM engine with the language data found by findLanguageData(). Each recognition starts
// an engine of its own and ends it afterwards, so the tray keeps none of its memory between uses.
std::shared_ptr<TextRecognizer> makeTesseractRecognizer();

} // namespace corvane
