// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

namespace corvane::FileNamePattern {

// A file name without its extension, made from PATTERN for the moment AT (in the user's time zone):
//   %Y year, %y two-digit year, %m month, %d day, %H hour (24), %I hour (12), %p AM/PM, %M minute,
//   %S second, %j day of the year, %a %A weekday, %b %B month name (English, as strftime's C locale),
//   %n the counter (1, 2, 3... the first number no file holds yet), %{title} the captured window's
//   title where one is known (empty otherwise), %% a percent sign.
// Any other % is kept as written. A slash, a NUL or another control character (which a window title
// may hold) becomes '-'. An empty pattern, or one that expands to nothing, gives today's time-stamped
// name ("Screenshot 2026-12-05 at 22.29.09").
QString expand(const QString& pattern, const QDateTime& at, const QString& title, std::uint64_t counter);

// Whether the pattern numbers its own files; when not, later attempts add " (2)", " (3)"...
bool hasCounter(const QString& pattern);

} // namespace corvane::FileNamePattern
