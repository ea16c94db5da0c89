// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

namespace corvane::Palette {

// Fixed sRGB values: the desktop has no portable notion of named system colours, and a screenshot
// annotated on one machine should look the same when opened on another.
inline QColor red()
{
    return QColor(0xFF, 0x3B, 0x30);
}
inline QColor orange()
{
    return QColor(0xFF, 0x95, 0x00);
}
inline QColor yellow()
{
    return QColor(0xFF, 0xCC, 0x00);
}
inline QColor green()
{
    return QColor(0x34, 0xC7, 0x59);
}
inline QColor blue()
{
    return QColor(0x00, 0x7A, 0xFF);
}
inline QColor purple()
{
    return QColor(0xAF, 0x52, 0xDE);
}
inline QColor accent()
{
    return QColor(0x00, 0x7A, 0xFF);
}
inline QColor separator()
{
    return QColor(0x80, 0x80, 0x80, 0x99);
}

} // namespace corvane::Palette
