// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/FileNameBytes.h"

namespace corvane::FileNameBytes {

namespace {

// The length of the valid UTF-8 sequence at AT, or 0 when the byte there does not start one. Overlong
// forms, encoded surrogates and code points past U+10FFFF are not valid.
int sequenceLength(const QByteArray& bytes, qsizetype at, char32_t& codePoint)
{
    const auto byte = [&](qsizetype i) {
        return static_cast<unsigned char>(bytes[i]);
    };
    const unsigned char lead = byte(at);
    int length = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead >= 0xc2 && lead <= 0xdf) {
        length = 2;
        codePoint = lead & 0x1f;
    } else if (lead >= 0xe0 && lead <= 0xef) {
        length = 3;
        codePoint = lead & 0x0f;
    } else if (lead >= 0xf0 && lead <= 0xf4) {
        length = 4;
        codePoint = lead & 0x07;
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xc0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (byte(at + i) & 0x3f);
    }
    static constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (codePoint < smallest[length] || codePoint > 0x10ffff || (codePoint >= 0xd800 && codePoint <= 0xdfff))
        return 0;
    return length;
}

} // namespace

QString decode(const QByteArray& bytes)
{
    QString name;
    name.reserve(bytes.size());
    for (qsizetype at = 0; at < bytes.size();) {
        char32_t codePoint = 0;
        const int length = sequenceLength(bytes, at, codePoint);
        if (length == 0) {
            name += QChar(char16_t(0xdc00 + static_cast<unsigned char>(bytes[at])));
            ++at;
            continue;
        }
        name += QString::fromUcs4(&codePoint, 1);
        at += length;
    }
    return name;
}

QByteArray encode(const QString& name)
{
    QByteArray bytes;
    bytes.reserve(name.size());
    for (qsizetype at = 0; at < name.size(); ++at) {
        const char16_t unit = name[at].unicode();
        if (unit >= 0xdc80 && unit <= 0xdcff) {
            bytes += char(unit - 0xdc00);
            continue;
        }
        // A surrogate pair is one character; anything else is encoded as the text it is.
        const bool pair =
            QChar::isHighSurrogate(unit) && at + 1 < name.size() && name[at + 1].isLowSurrogate();
        bytes += QStringView(name).mid(at, pair ? 2 : 1).toUtf8();
        if (pair)
            ++at;
    }
    return bytes;
}

} // namespace corvane::FileNameBytes
