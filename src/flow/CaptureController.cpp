// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "flow/CaptureController.h"

#include "capture/DesktopComposition.h"
#include "capture/DisplaySession.h"
#include "capture/FocusedScreen.h"
#include "capture/IdleRelease.h"
#include "capture/MenuBackdrop.h"
#include "capture/OverlayWindowPool.h"
#include "capture/ScreenCapturer.h"
#include "capture/SelectionOverlayController.h"
#include "editor/EditorWindowController.h"
#include "editor/PinWindow.h"
#include "ocr/TextCopy.h"
#include "flow/DestinationMenu.h"
#include "output/HUD.h"
#include "output/ImageOutput.h"
#include "output/PngEncoder.h"

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdio>
#include <cmath>
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
// lost. So the menu waits until Qt's view of the focus has agreed with the display's for longer than
// that conclusion takes, with everything Qt read handled meanwhile: a window of ours holds it and Qt
// knows (no conclusion pending), or none does and Qt has already drawn it. Two agreeing looks a few
// milliseconds apart were not enough on a slow run (a sanitizer build): the focus could be handed
// back and forth between them. A pop-up opened then keeps the program active by its own keyboard grab.
void letFocusSettle()
{
    constexpr qint64 settled = 120; // ms: Qt's 100 and a margin
    QElapsedTimer waited;
    waited.start();
    QElapsedTimer agreeing;
    while (waited.elapsed() < 1000) {
        const std::optional<WId> held = ScreenCapturer::source().inputFocus();
        if (!held)
            return;
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        const QWindow* focused = QGuiApplication::focusWindow();
        const bool agree = focused ? focused->handle() && focused->winId() == *held : !isOurWindow(*held);
        if (!agree)
            agreeing.invalidate();
        else if (!agreeing.isValid())
            agreeing.start();
        else if (agreeing.elapsed() >= settled)
            return;
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
{
    IdleRelease::addQuietAction([this] { packLastCapture(); });
    m_recallEnd.setSingleShot(true);
    connect(&m_recallEnd, &QTimer::timeout, this, [this] {
        m_recall.reset();
        m_recallShots.clear();
    });
}

void CaptureController::startRegionCapture()
{
    startCapture(CaptureKind::region);
}

void CaptureController::startFullScreenCapture()
{
    startCapture(CaptureKind::screen);
}

bool CaptureController::startCapture(CaptureKind kind, Delivery delivery)
{
    if (m_busy)
        return false;
    m_busy = true;
    ++m_captures;
    m_delivery = std::move(delivery);
    // The request returns at once; the capture runs on the next turn of the event loop.
    switch (kind) {
    case CaptureKind::region:
        QTimer::singleShot(0, this, [this] { runRegionCapture(false); });
        break;
    case CaptureKind::window:
        QTimer::singleShot(0, this, [this] { runRegionCapture(true); });
        break;
    case CaptureKind::screen:
        QTimer::singleShot(0, this, &CaptureController::runFullScreenCapture);
        break;
    case CaptureKind::allScreens:
        QTimer::singleShot(0, this, &CaptureController::runAllScreensCapture);
        break;
    }
    return true;
}

void CaptureController::reportRefusal()
{
    m_busy = false;
    if (Delivery delivery = std::exchange(m_delivery, nullptr)) {
        delivery({std::nullopt, ScreenCapturer::source().refusalExplanation()});
        return;
    }
    ScreenCapturer::presentPermissionAlert();
}

void CaptureController::conclude(const std::optional<CaptureResult>& result, const std::vector<DisplayShot>& shots)
{
    if (Delivery delivery = std::exchange(m_delivery, nullptr)) {
        delivery({result, {}});
        return;
    }
    if (result)
        deliver(*result, shots);
}

void CaptureController::runRegionCapture(bool windowMode)
{
    OverlayWindowPool::warm();
    std::optional<OwnWindowsHidden> hidden(std::in_place);
    // Read before the overlay exists, while the screen still shows what the user points at.
    std::optional<std::vector<WindowFrame>> windows = ScreenCapturer::source().windowFrames();
    ScreenCapturer::Shots shots = ScreenCapturer::captureAllDisplays();
    if (std::holds_alternative<ScreenCaptureError>(shots)) {
        hidden.reset();
        reportRefusal();
        return;
    }
    auto* overlay = new SelectionOverlayController;
    m_overlay = overlay;
    overlay->setWindows(std::move(windows), windowMode);
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
        self->conclude(result, frozen);
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
        reportRefusal();
        return;
    }
    const DisplayShot& display = std::get<DisplayShot>(shot);
    // Our windows were hidden and shown again with the event loop running in between (and a region
    // capture just cancelled may have left its overlay's loss of focus behind): Qt may be about to
    // count the program inactive, which would close the menu. After a region selection there is
    // nothing to wait for: no event is handled between the overlays going and the menu's keyboard
    // grab, so Qt reads the overlay's loss of the focus and the menu's grab together and never draws
    // that conclusion.
    if (!m_delivery)
        letFocusSettle();
    conclude(CaptureResult{display.image, display.scale, display.frame}, {display});
    m_busy = false;
    IdleRelease::captureEnded();
}

void CaptureController::runAllScreensCapture()
{
    std::optional<OwnWindowsHidden> hidden(std::in_place);
    ScreenCapturer::Shots shots = ScreenCapturer::captureAllDisplays();
    hidden.reset();
    if (std::holds_alternative<ScreenCaptureError>(shots)) {
        reportRefusal();
        return;
    }
    const auto& frozen = std::get<std::vector<DisplayShot>>(shots);
    conclude(DesktopComposition::compose(frozen), frozen);
    m_busy = false;
    IdleRelease::captureEnded();
}

void CaptureController::deliver(const CaptureResult& result, const std::vector<DisplayShot>& shots)
{
    m_recallEnd.stop();
    m_recall.reset();
    m_recallShots.clear();
    const auto offerMenu = [&] {
        if (menuShortcutHint.isEmpty())
            return;
        m_recall = result;
        if (displaySession() == DisplaySession::wayland)
            m_recallShots = shots;
        // The toast of a save comes when the file is complete; the offer stands until then too.
        m_recallEnd.start(std::chrono::seconds(10));
    };
    switch (after) {
    case AfterCapture::menu:
        presentDestinationMenu(result, shots);
        return;
    case AfterCapture::copy:
        offerMenu();
        m_pending = result;
        destCopy();
        return;
    case AfterCapture::save:
        offerMenu();
        m_pending = result;
        destDesktop();
        return;
    case AfterCapture::editor:
        m_pending = result;
        destEditor();
        return;
    case AfterCapture::pin:
        offerMenu();
        m_pending = result;
        destPin();
        toastWithRecall(QStringLiteral("Pinned to screen"));
        return;
    }
}

bool CaptureController::recallMenu()
{
    if (!m_recall || m_busy)
        return false;
    m_recallEnd.stop();
    const CaptureResult result = *std::exchange(m_recall, std::nullopt);
    const std::vector<DisplayShot> shots = std::exchange(m_recallShots, {});
    if (QWidget* toast = HUD::currentToast())
        toast->hide();
    presentDestinationMenu(result, shots);
    return true;
}

void CaptureController::toastWithRecall(const QString& message, bool failed)
{
    // Without a toast nothing would tell the user that the shortcut now opens a menu.
    if (!m_recall || (HUD::isQuiet() && !failed)) {
        m_recallEnd.stop();
        m_recall.reset();
        m_recallShots.clear();
        if (failed)
            HUD::showFailure(message);
        else
            HUD::show(message);
        return;
    }
    HUD::showFailure(QStringLiteral("%1 · %2 again for the menu").arg(message, menuShortcutHint));
    // As long as the toast stays up (1.6 s and its fade), and a little more for a slow hand.
    m_recallEnd.start(std::chrono::milliseconds(2500));
}

void CaptureController::presentDestinationMenu(const CaptureResult& result,
                                               const std::vector<DisplayShot>& shots)
{
    m_pending = result;
    const quint64 capture = m_captures;
    // A menu that closes with no key or click of the user's (the program counted inactive by a focus
    // change it did not see in time, or another program's doing) would drop the capture unseen. It
    // comes back once the focus has settled, unless the capture went somewhere or a new one began.
    // Not under Wayland: there the compositor ends a pop-up itself when the user clicks elsewhere,
    // and that click never reaches the menu.
    const int shows = displaySession() == DisplaySession::wayland ? 1 : 3;
    for (int shown = 0; shown < shows; ++shown) {
        if (shown > 0) {
            std::fputs("corvane: the destination menu closed without an answer; shown again\n", stderr);
            letFocusSettle();
        }
        std::unique_ptr<MenuBackdrop> backdrop;
        if (displaySession() == DisplaySession::wayland && !shots.empty()) {
            backdrop = std::make_unique<MenuBackdrop>(
                ScreenCapturer::shotContaining(shots, result.globalRect.center()));
            backdrop->present();
        }
        DestinationMenu menu(backdrop.get());
        connect(menu.copyAction, &QAction::triggered, this, &CaptureController::destCopy);
        connect(menu.desktopAction, &QAction::triggered, this, &CaptureController::destDesktop);
        connect(menu.saveAsAction, &QAction::triggered, this, &CaptureController::destSaveAs);
        connect(menu.editorAction, &QAction::triggered, this, &CaptureController::destEditor);
        connect(menu.copyTextAction, &QAction::triggered, this, &CaptureController::destCopyText);
        connect(menu.pinAction, &QAction::triggered, this, &CaptureController::destPin);
        connect(menu.cancelAction, &QAction::triggered, this, &CaptureController::destCancel);
        popUp(menu, destinationMenuLocation(result.globalRect, QCursor::pos()));
        if (menu.answeredByUser() || !m_pending || m_captures != capture)
            return;
    }
}

void CaptureController::destCopy()
{
    const std::optional<CaptureResult> result = takePending();
    if (!result)
        return;
    ImageOutput::copyToClipboard(result->image, result->scale);
    toastWithRecall(QStringLiteral("Copied to clipboard"));
}

void CaptureController::destDesktop()
{
    const std::optional<CaptureResult> result = takePending();
    if (!result)
        return;
    // The toast waits for the finished file; the menu and the next capture do not wait for either.
    QPointer<CaptureController> self(this);
    ImageOutput::quickSaveInBackground(result->image, result->scale, std::nullopt,
                                       [self, failure = quickSaveFailure(currentQuickSave())](
                                           const std::optional<QString>& path) {
                                           const QString text =
                                               path ? QStringLiteral("Saved %1").arg(QFileInfo(*path).fileName())
                                                    : failure;
                                           if (self)
                                               self->toastWithRecall(text, !path);
                                           else
                                               HUD::showFailure(text);
                                           // The encoder's buffers are free now.
                                           IdleRelease::captureEnded();
                                       },
                                       result->windowTitle);
}

void CaptureController::destSaveAs()
{
    const std::optional<CaptureResult> result = takePending();
    if (!result)
        return;
    const QString path =
        dialogs.saveFileName(nullptr, ImageOutput::defaultFileName() + QStringLiteral(".png"));
    if (path.isEmpty())
        return;
    if (saveAsReportingErrors(path, result->image, result->scale, dialogs, nullptr))
        HUD::show(QStringLiteral("Saved %1").arg(QFileInfo(path).fileName()));
}

void CaptureController::destEditor()
{
    // On the monitor the capture came from, where the user is looking.
    if (const std::optional<CaptureResult> result = takePending())
        EditorWindowController::open(result->image, result->scale, std::nullopt, QString(),
                                     QGuiApplication::screenAt(result->globalRect.center().toPoint()));
}

void CaptureController::destCopyText()
{
    const std::optional<CaptureResult> result = takePending();
    if (!result)
        return;
    // The menu is gone before the text is read; the toast comes when it is.
    TextCopy::copyTextInBackground(result->image, result->scale, [](const QString& message) {
        HUD::show(message);
        IdleRelease::captureEnded();
    });
}

void CaptureController::destPin()
{
    if (const std::optional<CaptureResult> result = takePending())
        PinWindow::pin(result->image, result->scale, result->globalRect);
}

void CaptureController::pinLastCapture()
{
    if (!m_last)
        return;
    if (m_last->image.isNull())
        m_last->image = QImage::fromData(m_lastPacked, "PNG");
    PinWindow::pin(m_last->image, m_last->scale, m_last->globalRect);
}

void CaptureController::packLastCapture()
{
    // A screenshot compresses tens of times over: the tray need not hold its pixels while idle.
    if (!m_last || m_last->image.isNull())
        return;
    const int dotsPerMetre = int(std::lround(72 * ImageOutput::effectiveScale(m_last->scale) / 0.0254));
    if (std::optional<QByteArray> png = PngEncoder::encode(m_last->image, dotsPerMetre)) {
        m_lastPacked = *png;
        m_last->image = QImage();
    }
}

void CaptureController::destCancel()
{
    m_pending.reset();
}

std::optional<CaptureResult> CaptureController::takePending()
{
    std::optional<CaptureResult> result = std::exchange(m_pending, std::nullopt);
    if (result) {
        m_last = result;
        m_lastPacked.clear();
    }
    return result;
}

} // namespace corvane
