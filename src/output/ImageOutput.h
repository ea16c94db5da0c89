// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "output/QuickSave.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QMimeType>
#include <QString>
#include <functional>
#include <optional>

namespace corvane::ImageOutput {

using Clock = std::function<QDateTime()>;

// Pixels per point of the source display as the files record it: anything up to 1 counts as 1.
double effectiveScale(double scale);

// Encoded bytes: JPEG (quality 92) for image/jpeg, TIFF for image/tiff, PNG for every other type. The
// file records 72 x effective scale pixels per inch; the pixels themselves are never resampled.
std::optional<QByteArray> data(const QImage& image, const QMimeType& type, double scale);

// "Screenshot 2026-12-05 at 22.29.09" for the given moment, in the user's time zone.
QString defaultFileName(const QDateTime& at);
QString defaultFileName();

// Writes a PNG into DIRECTORY as NAME.png, or NAME (2).png, NAME (3).png... for the first name nothing
// holds yet; with no name the time-stamped default from CLOCK is used. The name is claimed atomically,
// so no existing file is ever replaced, and a failed write leaves no file behind. Returns the path
// written, or nothing on any failure. (The quick save below does the same with the settings' folder,
// pattern and format.)
std::optional<QString> saveToDirectory(const QString& directory, const QImage& image, double scale,
                                       const std::optional<QString>& name, const Clock& clock);

// What a save in the background reports on the main thread: the path written, or nothing on failure.
using SaveDone = std::function<void(const std::optional<QString>& path)>;

// The quick save: the picture encoded as OPTIONS say, into their folder (made when missing), under the
// pattern's name (NAME instead when given, as for a picture opened from a file), never replacing
// anything, exactly as saveToDirectory does. TITLE is the captured window's title where known.
std::optional<QString> quickSave(const QuickSave& options, const QImage& image, double scale,
                                 const std::optional<QString>& name, const QString& title,
                                 const Clock& clock);

// quickSave with the current quick-save settings on a worker thread, so that the interface keeps
// answering while a big picture is encoded and flushed to the disk. DONE runs on the main thread once
// the file is complete (or the save has failed), and not at all when the application is gone by then.
// TITLE fills %{title} (a window capture's title; empty otherwise).
void quickSaveInBackground(const QImage& image, double scale, const std::optional<QString>& name,
                           SaveDone done, const QString& title = QString());

// Puts the picture on the clipboard as image/png, then image/tiff. Each is encoded only when a
// program asks for it, once. False (and the clipboard emptied) for a null picture.
bool copyToClipboard(const QImage& image, double scale);

} // namespace corvane::ImageOutput
