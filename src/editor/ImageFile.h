// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "editor/PictureDecoder.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <optional>
#include <utility>

namespace corvane {

struct OpenedImage {
    QImage image;
    double scale = 1;      // pixels per point, from the resolution the file records
    QString suggestedName; // the file name without its extension
};

// An open descriptor, closed when its owner goes.
class FileHandle {
public:
    FileHandle() = default;
    explicit FileHandle(int fd)
        : m_fd(fd)
    {}
    FileHandle(FileHandle&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {}
    FileHandle& operator=(FileHandle&& other) noexcept;
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    ~FileHandle();

    int fd() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Opens a picture file for reading, by its bytes as the file system knows them. Nothing for a missing
// or unreadable file, nor for anything but a regular file: a directory, a pipe or a device is no
// picture, and reading a pipe could block for ever. Never blocks on what it opens.
std::optional<FileHandle> openPictureFile(const QByteArray& path);

// The name the editor suggests for a picture opened from PATH: its file name without the extension.
QString suggestedNameFor(const QByteArray& path);

// Reads a picture file for the editor, upright (EXIF orientation applied), through DECODER. A file
// recorded at 144 dpi opens at scale 2; one that records no resolution at scale 1. The picture comes
// back as RGB32, or ARGB32 premultiplied when it has transparency. Nothing for a missing, unreadable,
// damaged or hostile file, nor for one whose header claims more than 16384 pixels on a side: that is
// decided from the header, before any pixel is decoded.
std::optional<OpenedImage> loadImageFile(const QByteArray& path, const PictureDecoder& decoder,
                                         const DecodeLimits& limits = {});
// The same, decoding in this process (tests); PATH as Qt names files.
std::optional<OpenedImage> loadImageFile(const QString& path);

} // namespace corvane
