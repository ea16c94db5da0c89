// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace corvane {

enum class QuickSaveFormat { png, jpeg, webp };

// Where "Save to Desktop" (the destination menu's Ctrl+D, the editor's Ctrl+Shift+S) puts a picture,
// what it calls it and how it encodes it. The defaults are the Desktop, the time-stamped name and PNG.
struct QuickSave {
    // An absolute path; empty stands for the user's Desktop folder.
    QString folder;
    // See FileNamePattern.h; empty stands for the time-stamped default name.
    QString pattern;
    QuickSaveFormat format = QuickSaveFormat::png;
    int jpegQuality = 92;

    bool operator==(const QuickSave&) const = default;
};

// The folder a quick save writes to: FOLDER, or the Desktop when empty (which may be empty too when no
// home folder is known).
QString quickSaveFolder(const QuickSave& save);
// "Save to Desktop" while the folder is the Desktop, otherwise "Save to <folder name>".
QString quickSaveTitle(const QuickSave& save);
// What the failure toast says: "Could not save to Desktop", or the folder with ~ for the home folder.
QString quickSaveFailure(const QuickSave& save);
// "png", "jpg" or "webp", with no dot.
QString quickSaveSuffix(QuickSaveFormat format);
// Whether this Qt has a writer for the format (WebP needs the image-formats plugin).
bool quickSaveFormatAvailable(QuickSaveFormat format);

// The quick-save settings the program runs with. The application sets them from the settings file at
// start and whenever the file changes; the capture flow and the editor only read them.
const QuickSave& currentQuickSave();
void setCurrentQuickSave(const QuickSave& save);

} // namespace corvane
