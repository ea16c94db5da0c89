// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QStringList>

namespace corvane {

// The normal mode: a tray utility with no window of its own. It lives as long as the process and is
// told once the event loop runs, which is where the tray item and hotkeys will be installed.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    explicit AppDelegate(QStringList arguments, QObject* parent = nullptr);

    void applicationDidFinishLaunching();

private:
    QStringList m_arguments;
};

} // namespace corvane
