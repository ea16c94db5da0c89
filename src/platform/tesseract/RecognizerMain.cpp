// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/tesseract/TesseractRecognizer.h"

int main(int argc, char** argv)
{
    return corvane::runRecognizerHelper(argc, argv);
}
