// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QString>
#include <optional>

namespace corvane {

struct OpenedImage {
    QImage image;
    double scale = 1;      // pixels per point, from the resolution the file records
    QString suggestedName; // the file name without its extension
};

// Reads a picture file for the editor, upright (EXIF orientation applied). A file recorded at 144 dpi
// opens at scale 2; one that records no resolution at scale 1. The picture comes back as RGB32, or
// ARGB32 premultiplied when it has transparency. Nothing for a missing, unreadable, damaged or hostile
// file, nor for one whose header claims more than 16384 pixels on a side: that is decided from the header,
// before any pixel is decoded.
std::optional<OpenedImage> loadImageFile(const QString& path);

} // namespace corvane
