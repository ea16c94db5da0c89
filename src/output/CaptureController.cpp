// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/CaptureController.h"

#include "capture/DisplaySession.h"
#include "capture/FocusedScreen.h"
#include "capture/IdleRelease.h"
#include "capture/MenuBackdrop.h"
#include "capture/ScreenCapturer.h"
#include "capture/SelectionOverlayController.h"
#include "editor/EditorWindowController.h"
#include "output/DestinationMenu.h"
#include "output/HUD.h"
#include "output/ImageOutput.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <memory>
#include <vector>

namespace corvane {

namespace {

// No window of ours may appear in a frozen picture: the visible ones go off screen for the grab and
// come back under the overlay. The grab waits until the window manager has taken their frames down,
// and then a moment more: without a compositor, the windows they uncovered repaint themselves
// asynchronously.
class OwnWindowsHidden {
public:
    OwnWindowsHidden()
    {
        std::vector<WId> ids;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            // The tray icon is a window too, but it lives inside the panel like any program's icon;
            // hiding it takes it out of the panel, and shown again it comes back one pixel wide and
            // the grab waits in vain for it to be unmapped.
            if (widget->inherits("QSystemTrayIconSys"))
                continue;
            if (widget->isVisible() && !widget->isMinimized()) {
                ids.push_back(widget->winId());
                widget->hide();
                m_hidden.emplace_back(widget);
            }
        }
        if (m_hidden.empty())
            return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        ScreenCapturer::source().waitUntilGone(ids, std::chrono::milliseconds(1000));
        QElapsedTimer settle;
        settle.start();
        while (settle.elapsed() < 60)
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    }
    OwnWindowsHidden(const OwnWindowsHidden&) = delete;
    OwnWindowsHidden& operator=(const OwnWindowsHidden&) = delete;
    ~OwnWindowsHidden()
    {
        for (const QPointer<QWidget>& widget : m_hidden) {
            if (widget)
                widget->show();
        }
    }

private:
    std::vector<QPointer<QWidget>> m_hidden;
};

bool isOurWindow(WId id)
{
    const QWindowList windows = QGuiApplication::allWindows();
    return std::any_of(windows.begin(), windows.end(),
                       [id](QWindow* window) { return window->handle() && window->winId() == id; });
}

// Qt takes the program for inactive 100 ms after the last of its windows lost the keyboard focus (if
// none got it back meanwhile), and an inactive program closes its pop-ups. Every capture takes the
// focus from a window of ours: an editor hidden for the grab, the overlay that held it going away. A
// menu opened before Qt has drawn that conclusion is closed by it moments later, and the capture is
// lost. So the menu waits until Qt's view of the focus agrees with the display's, twice running with
// everything Qt had read handled in between: a window of ours holds it and Qt knows (no conclusion
// pending), or none does and Qt has already drawn it. A pop-up opened then keeps the program active
// by its own keyboard grab.
void letFocusSettle()
{
    QElapsedTimer waited;
    waited.start();
    int agreed = 0;
    while (agreed < 2 && waited.elapsed() < 500) {
        const std::optional<WId> held = ScreenCapturer::source().inputFocus();
        if (!held)
            return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const QWindow* focused = QGuiApplication::focusWindow();
        const bool agree = focused ? focused->handle() && focused->winId() == *held : !isOurWindow(*held);
        agreed = agree ? agreed + 1 : 0;
        if (!agree)
            QThread::msleep(5);
    }
}

} // namespace

CaptureController& CaptureController::shared()
{
    static CaptureController* controller = new CaptureController;
    return *controller;
}

CaptureController::CaptureController()
    : popUp([](QMenu& menu, QPoint location) { menu.exec(location); })
    , dialogs(SaveDialogs::standard())
{}

void CaptureController::startRegionCapture()
{
    if (m_busy)
        return;
    m_busy = true;
    // The request returns at once; the capture runs on the next turn of the event loop.
    QTimer::singleShot(0, this, &CaptureController::runRegionCapture);
}

void CaptureController::startFullScreenCapture()
{
    if (m_busy)
        return;
    m_busy = true;
    QTimer::singleShot(0, this, &CaptureController::runFullScreenCapture);
}

void CaptureController::runRegionCapture()
{
    std::optional<OwnWindowsHidden> hidden(std::in_place);
    ScreenCapturer::Shots shots = ScreenCapturer::captureAllDisplays();
    if (std::holds_alternative<ScreenCaptureError>(shots)) {
        hidden.reset();
        m_busy = false;
        ScreenCapturer::presentPermissionAlert();
        return;
    }
    auto* overlay = new SelectionOverlayController;
    m_overlay = overlay;
    QPointer<CaptureController> self(this);
    // A Wayland compositor does not let a window stay above the others by asking: our windows come
    // back first, and the full-screen overlays are mapped over them.
    if (displaySession() == DisplaySession::wayland)
        hidden.reset();
    const auto& frozen = std::get<std::vector<DisplayShot>>(shots);
    overlay->begin(frozen, [self, overlay, frozen](std::optional<CaptureResult> result) {
        overlay->deleteLater();
        if (!self)
            return;
        self->m_overlay = nullptr;
        self->m_busy = false;
        if (result)
            self->presentDestinationMenu(*result, frozen);
        IdleRelease::captureEnded();
    });
    // Our windows come back under the overlays: a window mapped now would otherwise stack above them.
    hidden.reset();
    if (m_overlay)
        m_overlay->raise();
}

void CaptureController::runFullScreenCapture()
{
    // Under Wayland QCursor::pos() knows the pointer only over our own windows, and none is up now.
    const QPoint pointer = displaySession() == DisplaySession::wayland
                               ? focusedScreenCentre().value_or(QCursor::pos())
                               : QCursor::pos();
    std::optional<OwnWindowsHidden> hidden(std::in_place);
    ScreenCapturer::Shot shot = ScreenCapturer::captureDisplay(pointer);
    hidden.reset();
    if (std::holds_alternative<ScreenCaptureError>(shot)) {
        ScreenCapturer::presentPermissionAlert();
        m_busy = false;
        return;
    }
    const DisplayShot& display = std::get<DisplayShot>(shot);
    // Our windows were hidden and shown again with the event loop running in between (and a region
    // capture just cancelled may have left its overlay's loss of focus behind): Qt may be about to
    // count the program inactive. After a region selection there is nothing to wait for: no event is
    // handled between the overlays going and the menu's keyboard grab, so Qt reads the overlay's loss
    // of the focus and the menu's grab together and never draws that conclusion.
    letFocusSettle();
    presentDestinationMenu({display.image, display.scale, display.frame}, {display});
    m_busy = false;
    IdleRelease::captureEnded();
}

void CaptureController::presentDestinationMenu(const CaptureResult& result,
                                               const std::vector<DisplayShot>& shots)
{
    m_pending = result;
    std::unique_ptr<MenuBackdrop> backdrop;
    if (displaySession() == DisplaySession::wayland && !shots.empty()) {
        backdrop =
            std::make_unique<MenuBackdrop>(ScreenCapturer::shotContaining(shots, result.globalRect.center()));
        backdrop->present();
    }
    DestinationMenu menu(backdrop.get());
    connect(menu.copyAction, &QAction::triggered, this, &CaptureController::destCopy);
    connect(menu.desktopAction, &QAction::triggered, this, &CaptureController::destDesktop);
    connect(menu.saveAsAction, &QAction::triggered, this, &CaptureController::destSaveAs);
    connect(menu.editorAction, &QAction::triggered, this, &CaptureController::destEditor);
    connect(menu.cancelAction, &QAction::triggered, this, &CaptureController::destCancel);
    popUp(menu, destinationMenuLocation(result.globalRect, QCursor::pos()));
}

void CaptureController::destCopy()
{
    if (!m_pending)
        return;
    ImageOutput::copyToClipboard(m_pending->image, m_pending->scale);
    HUD::show(QStringLiteral("Copied to clipboard"));
    m_pending.reset();
}

void CaptureController::destDesktop()
{
    if (!m_pending)
        return;
    // The toast waits for the finished file; the menu and the next capture do not wait for either.
    ImageOutput::saveToDesktopInBackground(m_pending->image, m_pending->scale, std::nullopt,
                                           [](const std::optional<QString>& path) {
                                               if (path)
                                                   HUD::show(QStringLiteral("Saved %1")
                                                                 .arg(QFileInfo(*path).fileName()));
                                               else
                                                   HUD::show(QStringLiteral("Could not save to Desktop"));
                                               // The encoder's buffers are free now.
                                               IdleRelease::captureEnded();
                                           });
    m_pending.reset();
}

void CaptureController::destSaveAs()
{
    if (!m_pending)
        return;
    const CaptureResult result = *std::exchange(m_pending, std::nullopt);
    const QString path =
        dialogs.saveFileName(nullptr, ImageOutput::defaultFileName() + QStringLiteral(".png"));
    if (path.isEmpty())
        return;
    if (saveAsReportingErrors(path, result.image, result.scale, dialogs, nullptr))
        HUD::show(QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()));
}

void CaptureController::destEditor()
{
    if (!m_pending)
        return;
    // On the monitor the capture came from, where the user is looking.
    EditorWindowController::open(m_pending->image, m_pending->scale, std::nullopt,
                                 QGuiApplication::screenAt(m_pending->globalRect.center().toPoint()));
    m_pending.reset();
}

void CaptureController::destCancel()
{
    m_pending.reset();
}

} // namespace corvane
