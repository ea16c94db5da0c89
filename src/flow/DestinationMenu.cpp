// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "flow/DestinationMenu.h"

#include "output/QuickSave.h"
#include "ocr/TextCopy.h"

#include <QIcon>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cmath>

namespace corvane {

namespace {

QAction* addDestination(QMenu& menu, const QString& title, const char* themeIcon, const char* fallback,
                        const QKeySequence& keys)
{
    QAction* action = menu.addAction(
        QIcon::fromTheme(QString::fromLatin1(themeIcon),
                         QIcon(QStringLiteral(":/corvane/icons/%1.svg").arg(QLatin1String(fallback)))),
        title);
    action->setShortcut(keys);
    action->setShortcutVisibleInContextMenu(true);
    return action;
}

} // namespace

DestinationMenu::DestinationMenu(QWidget* parent)
    : QMenu(parent)
{
    copyAction = addDestination(*this, QStringLiteral("Copy to Clipboard"), "edit-copy", "copy",
                                QKeySequence(QStringLiteral("Ctrl+C")));
    copyTextAction = addDestination(*this, QStringLiteral("Copy Text"), "edit-select-text", "copy",
                                    QKeySequence(QStringLiteral("Ctrl+T")));
    if (const std::optional<QString> reason = TextCopy::unavailableReason()) {
        copyTextAction->setEnabled(false);
        copyTextAction->setToolTip(*reason);
        setToolTipsVisible(true);
    }
    desktopAction = addDestination(*this, quickSaveTitle(currentQuickSave()), "user-desktop", "desktop",
                                   QKeySequence(QStringLiteral("Ctrl+D")));
    saveAsAction = addDestination(*this, QStringLiteral("Save As…"), "document-save-as", "save",
                                  QKeySequence(QStringLiteral("Ctrl+S")));
    editorAction = addDestination(*this, QStringLiteral("Open in Editor"), "document-edit", "editor",
                                  QKeySequence(QStringLiteral("Ctrl+E")));
    pinAction = addDestination(*this, QStringLiteral("Pin to Screen"), "window-pin", "editor",
                               QKeySequence(QStringLiteral("Ctrl+P")));
    addSeparator();
    cancelAction = addDestination(*this, QStringLiteral("Cancel"), "window-close", "cancel", QKeySequence());
}

void DestinationMenu::keyPressEvent(QKeyEvent* event)
{
    m_answered = true;
    if (event->modifiers() == Qt::ControlModifier) {
        for (QAction* action : {copyAction, copyTextAction, desktopAction, saveAsAction, editorAction, pinAction}) {
            if (action->isEnabled() && action->shortcut() == QKeySequence(event->keyCombination())) {
                event->accept();
                close();
                action->trigger();
                return;
            }
        }
    }
    QMenu::keyPressEvent(event);
}

void DestinationMenu::mousePressEvent(QMouseEvent* event)
{
    m_answered = true;
    QMenu::mousePressEvent(event);
}

QPoint destinationMenuLocation(const QRectF& globalRect, QPoint pointer)
{
    if (globalRect.width() > 40)
        return QPointF(globalRect.left() + 6, globalRect.top() + 6).toPoint();
    return pointer;
}

} // namespace corvane
