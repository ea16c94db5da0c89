// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/MainMenuBuilder.h"

#include "annotation/ToolKind.h"
#include "editor/EditorToolbar.h"
#include "editor/MenuActions.h"
#include "output/QuickSave.h"
#include "ocr/TextCopy.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTextEdit>
#include <vector>

namespace corvane::MainMenuBuilder {

namespace {

std::function<void()>& newCaptureHandler()
{
    static std::function<void()> handler;
    return handler;
}

std::function<void()>& preferencesHandler()
{
    static std::function<void()> handler;
    return handler;
}

QAction* addItem(QMenu* menu, const QString& title, const QKeySequence& keys, std::function<void()> action)
{
    QAction* item = menu->addAction(title);
    item->setShortcut(keys);
    QObject::connect(item, &QAction::triggered, menu, [action = std::move(action)] { action(); });
    return item;
}

// Cut, Copy, Paste and Select All belong to the text being typed, when there is one in this window.
QTextEdit* focusedTextEditor(QMainWindow* window)
{
    auto* editor = qobject_cast<QTextEdit*>(QApplication::focusWidget());
    return editor && editor->window() == window ? editor : nullptr;
}

// The program's windows with a menu bar (the editors) that are on screen or minimised.
std::vector<QMainWindow*> visibleMainWindows()
{
    std::vector<QMainWindow*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* window = qobject_cast<QMainWindow*>(widget); window && window->isVisible())
            windows.push_back(window);
    }
    return windows;
}

void bringToFront(QMainWindow* window)
{
    window->showNormal();
    window->raise();
}

void buildApplicationMenu(QMainWindow& window)
{
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Corvane"));
    QMainWindow* w = &window;
    addItem(menu, QStringLiteral("About Corvane"), {}, [w] {
        QMessageBox::about(w, QStringLiteral("About Corvane"),
                           QStringLiteral("Corvane %1\nScreenshots and annotations for the Linux desktop.")
                               .arg(QApplication::applicationVersion()));
    });
    QAction* preferences = addItem(menu, QStringLiteral("Preferences…"), QKeySequence(QStringLiteral("Ctrl+,")), [] {
        if (preferencesHandler())
            preferencesHandler()();
    });
    QObject::connect(menu, &QMenu::aboutToShow, preferences,
                     [preferences] { preferences->setEnabled(static_cast<bool>(preferencesHandler())); });
    preferences->setEnabled(static_cast<bool>(preferencesHandler()));
    menu->addSeparator();
    // Hiding a whole application has no meaning on most Linux desktops; minimised windows stay
    // reachable from the task bar.
    addItem(menu, QStringLiteral("Hide Corvane"), QKeySequence(QStringLiteral("Ctrl+H")), [] {
        for (QMainWindow* editor : visibleMainWindows())
            editor->showMinimized();
    });
    menu->addSeparator();
    addItem(menu, QStringLiteral("Quit Corvane"), QKeySequence(QStringLiteral("Ctrl+Q")),
            [] { QApplication::quit(); });
}

void buildFileMenu(QMainWindow& window, MenuActions& actions)
{
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("File"));
    QAction* newCapture =
        addItem(menu, QStringLiteral("New Capture"), QKeySequence(QStringLiteral("Ctrl+N")), [] {
            if (newCaptureHandler())
                newCaptureHandler()();
        });
    QObject::connect(menu, &QMenu::aboutToShow, newCapture,
                     [newCapture] { newCapture->setEnabled(static_cast<bool>(newCaptureHandler())); });
    newCapture->setEnabled(static_cast<bool>(newCaptureHandler()));
    menu->addSeparator();
    QAction* quickSave = addItem(menu, quickSaveTitle(currentQuickSave()),
                                 QKeySequence(QStringLiteral("Ctrl+Shift+S")), [&actions] { actions.saveDocument(); });
    // The folder may change in the settings while the window is open.
    QObject::connect(menu, &QMenu::aboutToShow, quickSave,
                     [quickSave] { quickSave->setText(quickSaveTitle(currentQuickSave())); });
    addItem(menu, QStringLiteral("Save As…"), QKeySequence(QStringLiteral("Ctrl+S")),
            [&actions] { actions.saveDocumentAs(); });
    addItem(menu, QStringLiteral("Pin to Screen"), QKeySequence(QStringLiteral("Ctrl+P")),
            [&actions] { actions.pinToScreen(); });
    menu->addSeparator();
    QMainWindow* w = &window;
    addItem(menu, QStringLiteral("Close"), QKeySequence(QStringLiteral("Ctrl+W")), [w] { w->close(); });
}

void buildEditMenu(QMainWindow& window, MenuActions& actions)
{
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Edit"));
    addItem(menu, QStringLiteral("Undo"), QKeySequence(QStringLiteral("Ctrl+Z")),
            [&actions] { actions.undo(); });
    addItem(menu, QStringLiteral("Redo"), QKeySequence(QStringLiteral("Ctrl+Shift+Z")),
            [&actions] { actions.redo(); });
    menu->addSeparator();

    QMainWindow* w = &window;
    struct TextCommand {
        const char* title;
        const char* keys;
        void (QTextEdit::*command)();
    };
    const TextCommand textCommands[] = {
        {"Cut", "Ctrl+X", &QTextEdit::cut},
        {"Copy", "Ctrl+C", &QTextEdit::copy},
        {"Paste", "Ctrl+V", &QTextEdit::paste},
        {"Select All", "Ctrl+A", &QTextEdit::selectAll},
    };
    QList<QAction*> textItems;
    for (const TextCommand& c : textCommands) {
        textItems.append(addItem(menu, QString::fromUtf8(c.title), QKeySequence(QString::fromLatin1(c.keys)),
                                 [w, command = c.command] {
                                     if (QTextEdit* editor = focusedTextEditor(w))
                                         (editor->*command)();
                                 }));
    }
    // Enabled exactly while a text editor of this window has the keyboard focus.
    const auto refresh = [w, textItems] {
        const bool typing = focusedTextEditor(w) != nullptr;
        for (QAction* item : textItems)
            item->setEnabled(typing);
    };
    refresh();
    QObject::connect(qApp, &QApplication::focusChanged, menu, refresh);

    menu->addSeparator();
    addItem(menu, QStringLiteral("Copy Image to Clipboard"), QKeySequence(QStringLiteral("Ctrl+Alt+C")),
            [&actions] { actions.copyImage(); });
    QAction* copyText = addItem(menu, QStringLiteral("Copy Text"), QKeySequence(QStringLiteral("Ctrl+Shift+T")),
                                [&actions] { actions.copyText(); });
    // Without the language data the item says which package to install.
    const auto refreshCopyText = [copyText] {
        const std::optional<QString> reason = TextCopy::unavailableReason();
        copyText->setEnabled(!reason);
        copyText->setToolTip(reason.value_or(QString()));
    };
    refreshCopyText();
    menu->setToolTipsVisible(true);
    QObject::connect(menu, &QMenu::aboutToShow, copyText, refreshCopyText);
    addItem(menu, QStringLiteral("Delete All Annotations"), {}, [&actions] { actions.clearAnnotations(); });
    menu->addSeparator();
    addItem(menu, QStringLiteral("Crop to Selection"), QKeySequence(QStringLiteral("Ctrl+Shift+X")),
            [&actions] { actions.cropToSelection(); });
}

void buildToolsMenu(QMainWindow& window, MenuActions& actions)
{
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Tools"));
    for (ToolKind tool : ToolKinds::allCases) {
        const int tag = ToolKinds::rawValue(tool);
        const int digit = ToolKinds::digit(tool);
        // Ctrl+0 is Actual Size, so the tenth tool has no menu shortcut; the menu names its plain digit
        // key instead (text after a tab is shown in the shortcut column without being one).
        const bool shortcut = digit != 0;
        const QString title =
            shortcut ? toolTitle(tool) : QStringLiteral("%1\t%2").arg(toolTitle(tool)).arg(digit);
        QAction* item = addItem(
            menu, title, shortcut ? QKeySequence(QStringLiteral("Ctrl+%1").arg(digit)) : QKeySequence(),
            [&actions, tag] { actions.selectTool(tag); });
        item->setData(tag);
    }
    menu->addSeparator();
    // For new redactions and the selected one.
    addItem(menu, QStringLiteral("Pixelate Redaction"), {}, [&actions] { actions.chooseRedactionStyle(0); });
    addItem(menu, QStringLiteral("Solid Redaction"), {}, [&actions] { actions.chooseRedactionStyle(1); });
    menu->addSeparator();
    QAction* zoomIn = addItem(menu, QStringLiteral("Zoom In"), QKeySequence(QStringLiteral("Ctrl++")),
                              [&actions] { actions.zoomIn(); });
    // On most keyboards "+" needs Shift; Ctrl and the "=" key beneath it zooms as well.
    zoomIn->setShortcuts({QKeySequence(QStringLiteral("Ctrl++")), QKeySequence(QStringLiteral("Ctrl+="))});
    addItem(menu, QStringLiteral("Zoom Out"), QKeySequence(QStringLiteral("Ctrl+-")),
            [&actions] { actions.zoomOut(); });
    addItem(menu, QStringLiteral("Actual Size"), QKeySequence(QStringLiteral("Ctrl+0")),
            [&actions] { actions.zoomActual(); });
    addItem(menu, QStringLiteral("Zoom to Fit"), QKeySequence(QStringLiteral("Ctrl+Shift+0")),
            [&actions] { actions.zoomToFit(); });
}

void buildWindowMenu(QMainWindow& window)
{
    QMenu* menu = window.menuBar()->addMenu(QStringLiteral("Window"));
    QMainWindow* w = &window;
    addItem(menu, QStringLiteral("Minimize"), QKeySequence(QStringLiteral("Ctrl+M")),
            [w] { w->showMinimized(); });
    addItem(menu, QStringLiteral("Bring All to Front"), {}, [] {
        for (QMainWindow* editor : visibleMainWindows())
            bringToFront(editor);
    });
    QAction* listStart = menu->addSeparator();
    // The open windows, listed afresh each time the menu opens.
    QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, listStart, w] {
        const QList<QAction*> items = menu->actions();
        for (qsizetype i = items.indexOf(listStart) + 1; i < items.size(); ++i)
            delete items[i];
        for (QMainWindow* other : visibleMainWindows()) {
            QAction* item = menu->addAction(other->windowTitle());
            item->setCheckable(true);
            item->setChecked(other == w);
            QPointer<QMainWindow> target = other;
            QObject::connect(item, &QAction::triggered, menu, [target] {
                if (target) {
                    bringToFront(target);
                    target->activateWindow();
                }
            });
        }
    });
}

} // namespace

void install(QMainWindow& window, MenuActions& actions)
{
    buildApplicationMenu(window);
    buildFileMenu(window, actions);
    buildEditMenu(window, actions);
    buildToolsMenu(window, actions);
    buildWindowMenu(window);
}

void setNewCaptureHandler(std::function<void()> handler)
{
    newCaptureHandler() = std::move(handler);
}

void setPreferencesHandler(std::function<void()> handler)
{
    preferencesHandler() = std::move(handler);
}

} // namespace corvane::MainMenuBuilder
