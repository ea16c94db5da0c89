// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/ImageMimeData.h"

#include "output/ImageOutput.h"

#include <QMimeDatabase>

namespace corvane {

namespace {

const QStringList& offeredTypes()
{
    static const QStringList types{QStringLiteral("image/png"), QStringLiteral("image/tiff")};
    return types;
}

} // namespace

ImageMimeData::ImageMimeData(const QImage& image, double scale)
    : m_image(image)
    , m_scale(scale)
{}

QStringList ImageMimeData::formats() const
{
    return offeredTypes();
}

bool ImageMimeData::hasFormat(const QString& mimeType) const
{
    return offeredTypes().contains(mimeType);
}

QVariant ImageMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    Q_UNUSED(type); // the bytes are all there is; Qt converts when it wants something else
    if (!hasFormat(mimeType))
        return {};
    auto cached = m_encoded.constFind(mimeType);
    if (cached == m_encoded.constEnd()) {
        ++m_encodings;
        const std::optional<QByteArray> bytes =
            ImageOutput::data(m_image, QMimeDatabase().mimeTypeForName(mimeType), m_scale);
        cached = m_encoded.insert(mimeType, bytes.value_or(QByteArray()));
    }
    if (cached->isEmpty())
        return {};
    return *cached;
}

} // namespace corvane
