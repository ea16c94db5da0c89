// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <cstring>

namespace corvane {

// What the decoder process writes at the start of its memory file; the rows follow, bytesPerLine
// each, from the top. The reader trusts none of it until it has checked it against the file's size
// and the limits: the process that wrote it may have been taken over by the file it decoded.
struct DecodedPictureWire {
    static constexpr char kMagic[8] = {'C', 'R', 'V', 'P', 'I', 'X', '0', '1'};
    enum Format : quint32 { rgb32 = 1, argb32Premultiplied = 2 };

    char magic[8] = {};
    quint32 width = 0;
    quint32 height = 0;
    quint32 bytesPerLine = 0;
    quint32 format = 0;
    double scale = 1;
    quint32 reserved[8] = {};

    bool hasMagic() const { return std::memcmp(magic, kMagic, sizeof magic) == 0; }
};
static_assert(sizeof(DecodedPictureWire) == 64);

} // namespace corvane
