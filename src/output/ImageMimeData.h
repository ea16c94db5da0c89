// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QImage>
#include <QMimeData>
#include <QStringList>

namespace corvane {

// A picture on the clipboard, offered as image/png then image/tiff. Each type is encoded the first
// time a program asks for it and kept, so a paste costs one encoding and the copy none.
class ImageMimeData : public QMimeData {
    Q_OBJECT
public:
    ImageMimeData(const QImage& image, double scale);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

    // How many encodings have run so far (a failed one counts too).
    int encodings() const { return m_encodings; }

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QImage m_image;
    double m_scale;
    // A failed encoding is kept as an empty entry so that it is not retried for every request.
    mutable QHash<QString, QByteArray> m_encoded;
    mutable int m_encodings = 0;
};

} // namespace corvane
