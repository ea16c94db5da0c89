// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

namespace corvane::ExclusiveFile {

// The file name (inside the folder, no path) to try on attempt N = 1, 2, 3, ... It is asked only when
// that attempt is made, so it may change between calls (for example a time stamp).
using CandidateName = std::function<QString(std::uint64_t attempt)>;

// Writes BYTES to a file in DIRECTORY that has no name yet (O_TMPFILE), flushes it to the disk, then
// gives it the first candidate name that nothing (file, folder, symbolic link, even a dangling one)
// holds yet, so a process killed at any moment leaves nothing behind. Where the file system has no
// unnamed files, a hidden temporary file takes their place. Each name is claimed atomically without
// replacing anything, so concurrent writers, in this process or in others, never overwrite each other
// or an existing file. Returns the full path of the file written; on any failure returns nothing and
// leaves no file behind.
std::optional<QString> write(const QString& directory, const QByteArray& bytes,
                             const CandidateName& candidateName);

} // namespace corvane::ExclusiveFile
