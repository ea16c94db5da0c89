// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ImageFile.h"

#include "editor/FileNameBytes.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept
{
    if (this != &other) {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = std::exchange(other.m_fd, -1);
    }
    return *this;
}

FileHandle::~FileHandle()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

std::optional<FileHandle> openPictureFile(const QByteArray& path)
{
    if (path.isEmpty())
        return std::nullopt;
    // O_NONBLOCK: opening a named pipe for reading would otherwise wait for a writer.
    int fd = -1;
    do
        fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return std::nullopt;
    FileHandle file(fd);
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    // A regular file never blocks; the decoder reads it in the ordinary way.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return file;
}

QString suggestedNameFor(const QByteArray& path)
{
    // Shown and saved as text: a name that is not UTF-8 keeps a replacement character where its
    // odd bytes were.
    return QFileInfo(QString::fromUtf8(path)).completeBaseName();
}

std::optional<OpenedImage> loadImageFile(const QByteArray& path, const PictureDecoder& decoder,
                                         const DecodeLimits& limits)
{
    const std::optional<FileHandle> file = openPictureFile(path);
    if (!file)
        return std::nullopt;
    std::optional<DecodedPicture> decoded = decoder.decode(file->fd(), limits);
    if (!decoded)
        return std::nullopt;
    return OpenedImage{std::move(decoded->image), decoded->scale, suggestedNameFor(path)};
}

std::optional<OpenedImage> loadImageFile(const QString& path)
{
    return loadImageFile(FileNameBytes::encode(path), InProcessDecoder());
}

} // namespace corvane
