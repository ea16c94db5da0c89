// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "selfcheck/UITestDelegate.h"

#include <QCoreApplication>
#include <utility>

namespace corvane {

UITestDelegate::UITestDelegate(QString outputDirectory, QObject* parent)
    : QObject(parent)
    , m_outputDirectory(std::move(outputDirectory))
{}

// The editor and overlay screens it renders do not exist yet; until they do, the mode ends at once
// with success instead of leaving a process running that nobody asked to keep.
void UITestDelegate::applicationDidFinishLaunching()
{
    QCoreApplication::quit();
}

} // namespace corvane
