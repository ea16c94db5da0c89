// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/ExclusiveFile.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio> // renameat2 and RENAME_NOREPLACE (glibc 2.28 and later, with _GNU_SOURCE)
#include <fcntl.h>
#include <unistd.h>

namespace corvane::ExclusiveFile {

namespace {

// How many random temporary names to try before giving up: with 62^6 names a collision is already
// rare, so running out means something other than chance is at work.
constexpr int kTemporaryNameAttempts = 1000;

QString temporaryName()
{
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    constexpr int kAlphabetSize = sizeof(kAlphabet) - 1;
    QString suffix;
    for (int i = 0; i < 6; ++i)
        suffix += QLatin1Char(kAlphabet[QRandomGenerator::global()->bounded(kAlphabetSize)]);
    return QStringLiteral(".corvane-%1.part").arg(suffix);
}

bool writeAll(int fd, const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const auto chunk = static_cast<size_t>(std::min<qsizetype>(left, qsizetype(1) << 30));
        const ssize_t written = ::write(fd, data, chunk);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (written == 0) // no progress and no error: do not spin
            return false;
        data += written;
        left -= written;
    }
    return true;
}

bool syncData(int fd)
{
    while (::fdatasync(fd) != 0) {
        if (errno != EINTR)
            return false;
    }
    return true;
}

// A file this process created and has not yet given a name: closed and removed unless released.
class TemporaryFile {
public:
    TemporaryFile() = default;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        closeQuietly();
        if (!m_path.isEmpty())
            ::unlink(m_path.constData());
    }

    // Creates a new file with a fresh random name in DIRECTORY; never opens one that exists.
    bool create(const QDir& directory)
    {
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            const QByteArray path = QFile::encodeName(directory.filePath(temporaryName()));
            // 0666 so the umask decides the permissions, as for any file the user creates.
            const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd >= 0) {
                m_fd = fd;
                m_path = path;
                return true;
            }
            if (errno != EEXIST && errno != EINTR)
                return false;
        }
        return false;
    }

    bool writeAll(const QByteArray& bytes) { return ExclusiveFile::writeAll(m_fd, bytes); }
    bool sync() { return syncData(m_fd); }

    // close() can report a write error the earlier calls did not (a full disk, a network file
    // system). On Linux the descriptor is gone whatever it returns, so it is never retried.
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

    const QByteArray& path() const { return m_path; }

    // The file now has its final name; the temporary name is no longer ours to remove.
    void release() { m_path.clear(); }

private:
    void closeQuietly()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    int m_fd = -1;
    QByteArray m_path;
};

enum class Claim { Claimed, Taken, Failed };

// Gives the temporary file the name TARGET unless something already holds it.
Claim claim(TemporaryFile& file, const QByteArray& target)
{
    const char* from = file.path().constData();
    if (::renameat2(AT_FDCWD, from, AT_FDCWD, target.constData(), RENAME_NOREPLACE) == 0) {
        file.release();
        return Claim::Claimed;
    }
    if (errno == EEXIST)
        return Claim::Taken;
    if (errno != EINVAL && errno != ENOSYS)
        return Claim::Failed;

    // The file system (or the kernel) cannot rename without replacing: a hard link is just as
    // exclusive, after which the temporary name is dropped.
    if (::link(from, target.constData()) != 0)
        return errno == EEXIST ? Claim::Taken : Claim::Failed;
    ::unlink(from);
    file.release();
    return Claim::Claimed;
}

// A file with no name at all until it is complete (O_TMPFILE): a kill at any moment leaves nothing
// behind. Linked to its name once written and flushed; linkat never replaces an existing name.
class UnnamedFile {
public:
    explicit UnnamedFile(int fd)
        : m_fd(fd)
    {}
    UnnamedFile(const UnnamedFile&) = delete;
    UnnamedFile& operator=(const UnnamedFile&) = delete;
    ~UnnamedFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    int fd() const { return m_fd; }

    Claim link(const QByteArray& target) const
    {
        // Through /proc, as open(2) describes: linkat with AT_EMPTY_PATH needs a capability.
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(m_fd);
        int linked = ::linkat(AT_FDCWD, self.constData(), AT_FDCWD, target.constData(), AT_SYMLINK_FOLLOW);
        if (linked != 0 && errno == ENOENT && ::access("/proc/self/fd", F_OK) != 0)
            linked = ::linkat(m_fd, "", AT_FDCWD, target.constData(), AT_EMPTY_PATH);
        if (linked == 0)
            return Claim::Claimed;
        return errno == EEXIST ? Claim::Taken : Claim::Failed;
    }

private:
    int m_fd;
};

// Whether ERROR from open(O_TMPFILE) means the file system (or kernel) lacks it, rather than that
// the folder cannot be written.
bool lacksUnnamedFiles(int error)
{
    return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

std::optional<QString> claimFirstFree(const QDir& folder, const CandidateName& candidateName,
                                      const std::function<Claim(const QByteArray&)>& claimName)
{
    for (std::uint64_t attempt = 1;; ++attempt) {
        const QString path = folder.filePath(candidateName(attempt));
        switch (claimName(QFile::encodeName(path))) {
        case Claim::Claimed:
            return path;
        case Claim::Taken:
            continue;
        case Claim::Failed:
            return std::nullopt;
        }
    }
}

// The way for file systems without O_TMPFILE: a hidden temporary name, renamed without replacing.
std::optional<QString> writeThroughHiddenName(const QDir& folder, const QByteArray& bytes,
                                              const CandidateName& candidateName)
{
    TemporaryFile file;
    if (!file.create(folder) || !file.writeAll(bytes) || !file.sync() || !file.close())
        return std::nullopt; // the destructor removes whatever was written
    return claimFirstFree(folder, candidateName,
                          [&](const QByteArray& target) { return claim(file, target); });
}

} // namespace

std::optional<QString> write(const QString& directory, const QByteArray& bytes,
                             const CandidateName& candidateName)
{
    if (directory.isEmpty() || !candidateName)
        return std::nullopt;
    const QDir folder(QDir(directory).absolutePath());

    // 0666 so the umask decides the permissions, as for any file the user creates.
    const int fd =
        ::open(QFile::encodeName(folder.path()).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd < 0)
        return lacksUnnamedFiles(errno) ? writeThroughHiddenName(folder, bytes, candidateName) : std::nullopt;
    const UnnamedFile file(fd);
    if (!writeAll(fd, bytes) || !syncData(fd))
        return std::nullopt;
    return claimFirstFree(folder, candidateName, [&](const QByteArray& target) { return file.link(target); });
}

} // namespace corvane::ExclusiveFile
