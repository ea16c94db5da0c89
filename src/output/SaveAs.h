// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <functional>

class QWidget;

namespace corvane {

// The save panel and the error alert of "Save As…", replaceable so that tests run without a user.
struct SaveDialogs {
    // The chosen path, or an empty string when the user cancelled.
    std::function<QString(QWidget* parent, const QString& proposedName)> saveFileName;
    std::function<void(QWidget* parent, const QString& message)> showError;

    // The Qt file dialog (PNG, JPEG, TIFF) opened in the Desktop folder, and a critical message box.
    static SaveDialogs standard();
};

struct SaveAsOutcome {
    enum class Status { written, notEncoded, writeFailed };
    Status status;
    QString error; // for writeFailed: what the user is told
};

// Encodes the picture in the format its file name asks for (JPEG for .jpg and .jpeg, TIFF for .tif
// and .tiff, PNG for anything else) and writes it to `path`. The file is replaced only once the new
// one is complete, so a failed write (a full disk, a removed drive) leaves the old file as it was.
SaveAsOutcome saveAs(const QString& path, const QImage& image, double scale);

// saveAs() as the commands need it: a failed write shown with the dialogs' error alert, an encoding
// that yields nothing passed over silently. True when the file was written.
bool saveAsReportingErrors(const QString& path, const QImage& image, double scale, const SaveDialogs& dialogs,
                           QWidget* parent);

} // namespace corvane
