// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"

#include <QString>

namespace corvane {

// Serves `<folder>/<screen name>.png` as the picture of each screen, so that tests and end-to-end runs
// capture known pixels on any display server.
class FileCaptureSource final : public CaptureSource {
public:
    explicit FileCaptureSource(QString folder);

    bool available() override;
    QImage grab(const QScreen& screen) override;
    QString refusalExplanation() const override;

private:
    QString m_folder;
};

} // namespace corvane
