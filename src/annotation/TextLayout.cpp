// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "annotation/TextLayout.h"

#include <QFontDatabase>
#include <algorithm>
#include <cmath>

namespace corvane::TextLayout {

QFont mediumFont(double pixelSize)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setWeight(QFont::Medium);
    // QFont sizes in whole pixels only; points would be converted through the paint device's DPI,
    // which differs between the screen, an exported QImage and the offscreen platform.
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixelSize))));
    return font;
}

void configure(QTextDocument& document, const Annotation::TextStyle& style)
{
    document.setDocumentMargin(0);
    document.setDefaultFont(style.font);
    document.setDefaultTextOption(style.option);
}

std::unique_ptr<QTextDocument> laidOut(const Annotation::TextStyle& style, double width)
{
    auto document = std::make_unique<QTextDocument>();
    configure(*document, style);
    document->setPlainText(style.text);
    document->setTextWidth(width);
    return document;
}

} // namespace corvane::TextLayout
