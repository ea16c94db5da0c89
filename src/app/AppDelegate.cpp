// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/AppDelegate.h"

#include <utility>

namespace corvane {

AppDelegate::AppDelegate(QStringList arguments, QObject* parent)
    : QObject(parent)
    , m_arguments(std::move(arguments))
{
}

void AppDelegate::applicationDidFinishLaunching() {}

} // namespace corvane
