// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ocr/TextRecognizer.h"

#include <QByteArray>
#include <QtGlobal>
#include <cstring>
#include <memory>

namespace corvane {

// The first argument of corvane-recognizer, the program's text recogniser; no user starts it.
inline constexpr char recognizerHelperSwitch[] = "--corvane-internal-recognize";

// Where the recogniser is in a build folder and in an installation alike: beside the running program.
QByteArray recognizerBesideThisProgram();

// Tesseract's LSTM engine with the language data found by findLanguageData(), run in short-lived
// processes of EXECUTABLE (by default corvane-recognizer beside this program): all the engine
// allocates goes when they exit, and a crash or a hang is a failed recognition, not a lost tray. A page of many lines is cut in two and read by two processes side by side.
std::shared_ptr<TextRecognizer> makeTesseractRecognizer(QByteArray executable = recognizerBesideThisProgram());

// The recogniser's side, corvane-recognizer's main(), with recognizerHelperSwitch first: reads the
// page from standard input, writes its text (UTF-8) to standard output; returns the exit status.
int runRecognizerHelper(int argc, char** argv);

// What the caller writes into the recogniser's standard input (a memory file); the grey rows follow,
// bytesPerLine each, from the top.
struct PageWire {
    static constexpr char kMagic[8] = {'C', 'R', 'V', 'T', 'X', 'T', '0', '1'};

    char magic[8] = {};
    quint32 width = 0;
    quint32 height = 0;
    quint32 bytesPerLine = 0;
    quint32 dotsPerInch = 0;
    quint32 reserved[4] = {};

    bool hasMagic() const { return std::memcmp(magic, kMagic, sizeof magic) == 0; }
};
static_assert(sizeof(PageWire) == 40);

} // namespace corvane
