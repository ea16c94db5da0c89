// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

namespace corvane {

// Drives the snapshot mode: renders the program's screens into PNG files and quits by itself.
class UITestDelegate : public QObject {
    Q_OBJECT
public:
    explicit UITestDelegate(QString outputDirectory, QObject* parent = nullptr);

    const QString& outputDirectory() const { return m_outputDirectory; }
    void applicationDidFinishLaunching();

private:
    QString m_outputDirectory;
};

} // namespace corvane
