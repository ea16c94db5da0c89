// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace corvane {

// Drives the snapshot mode: renders the editor and the selection overlay over sample pictures into
// editor.png, overlay-idle.png and overlay-selecting.png in the output directory, prints one line per
// file and quits by itself with status 0.
class UITestDelegate : public QObject {
    Q_OBJECT
public:
    explicit UITestDelegate(QString outputDirectory, QObject* parent = nullptr);

    const QString& outputDirectory() const { return m_outputDirectory; }
    void applicationDidFinishLaunching();

    void renderEditor();
    void renderOverlay();
    // The preferences window with the default settings.
    void renderPreferences();
    // Renders the whole widget at `scale` device pixels per logical pixel into outputDirectory/name
    // as PNG and reports the outcome.
    void write(QWidget& view, double scale, const QString& name);

private:
    QString m_outputDirectory;
};

} // namespace corvane
