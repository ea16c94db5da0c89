// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// A Linux file name is bytes, and old archives hold names that are not UTF-8 (`caf\xe9.png`). Qt's own
// conversion puts a replacement character in their place, and the file can no longer be named. These
// two keep every byte: valid UTF-8 becomes its characters, and each byte that is not part of valid
// UTF-8 becomes a lone surrogate U+DC80 to U+DCFF, which no valid text holds, and back.
namespace corvane::FileNameBytes {

QString decode(const QByteArray& bytes);
QByteArray encode(const QString& name);

} // namespace corvane::FileNameBytes
