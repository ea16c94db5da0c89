// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRectF>
#include <ostream>

// Lets GoogleTest show a failed rectangle as numbers instead of bytes; found by lookup in QRectF's
// namespace, which is the global one.
inline void PrintTo(const QRectF& rect, std::ostream* out)
{
    *out << "QRectF(" << rect.x() << ", " << rect.y() << ", " << rect.width() << " x " << rect.height()
         << ")";
}
