// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureResult.h"
#include "capture/SelectionOverlayController.h"
#include "output/AfterCapture.h"
#include "output/SaveAs.h"

#include <QByteArray>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <optional>
#include <vector>

class QMenu;

namespace corvane {

// What a capture takes: a region or a window picked in the overlay, the monitor under the pointer, or
// every monitor on one picture.
enum class CaptureKind { region, window, screen, allScreens };

// How a capture that a command asked for ended: the picture, nothing when the user cancelled, or why it
// failed (`error` set).
struct CaptureEnd {
    std::optional<CaptureResult> result;
    QString error;
};

// Turns a capture request into a picture with a destination, one capture at a time: a request that
// arrives while one runs is dropped, not queued. Both flows end in the destination menu, or in the
// destination the settings chose instead of it.
class CaptureController : public QObject {
    Q_OBJECT
public:
    using Delivery = std::function<void(const CaptureEnd&)>;

    static CaptureController& shared();

    void startRegionCapture();
    void startFullScreenCapture();
    // Any kind; with a delivery the picture goes there instead of into the destination menu, and a
    // refused capture is reported there instead of in the alert. False (nothing started) while busy.
    bool startCapture(CaptureKind kind, Delivery delivery = {});

    bool isBusy() const { return m_busy; }
    SelectionOverlayController* overlay() const { return m_overlay; }
    const std::optional<CaptureResult>& pending() const { return m_pending; }

    // How the destination menu is shown and the Save As dialogs; replaceable so tests need no user.
    std::function<void(QMenu& menu, QPoint location)> popUp;
    SaveDialogs dialogs;

    // From the settings: what a finished capture does, and the shortcut named in the toast that offers
    // the menu after a capture that did not show it (empty when no shortcut is bound).
    AfterCapture after = AfterCapture::menu;
    QString menuShortcutHint;

    // Opens the destination menu for the capture that just went elsewhere, while its toast still
    // offers it. False (and nothing done) otherwise; the capture shortcut then starts a new capture.
    bool recallMenu();

    void destCopy();
    void destDesktop();
    void destSaveAs();
    void destEditor();
    void destCopyText();
    void destPin();
    void destCancel();

    // The last capture sent somewhere (not cancelled), kept for the tray's "Pin Last Capture"; while
    // the tray is idle its pixels are kept as PNG bytes (the image is null then).
    const std::optional<CaptureResult>& lastCapture() const { return m_last; }
    void pinLastCapture();
    void packLastCapture();

private:
    CaptureController();

    void runRegionCapture(bool windowMode);
    void runFullScreenCapture();
    void runAllScreensCapture();
    // A refused grab: the alert, or the delivery's error.
    void reportRefusal();
    // Where a finished capture goes: the delivery when there is one, otherwise the destination menu.
    void conclude(const std::optional<CaptureResult>& result, const std::vector<DisplayShot>& shots);
    // `shots` are the monitors the capture came from: under Wayland the menu needs a window of ours
    // on the monitor to open beside.
    void presentDestinationMenu(const CaptureResult& result, const std::vector<DisplayShot>& shots);
    // Sends a finished capture where `after` says: the one place that knows every choice.
    void deliver(const CaptureResult& result, const std::vector<DisplayShot>& shots);
    // The toast after a destination: MESSAGE, with the way back to the menu when the capture skipped
    // it. A failure is shown even with toasts switched off.
    void toastWithRecall(const QString& message, bool failed = false);

    QPointer<SelectionOverlayController> m_overlay;
    bool m_busy = false;
    quint64 m_captures = 0; // captures begun, so that a menu shown again never stands for an older one
    // The pending capture, taken out to go somewhere and remembered as the last one.
    std::optional<CaptureResult> takePending();

    std::optional<CaptureResult> m_pending;
    // The capture a toast still offers the menu for (with the monitors' pictures the menu opens over
    // under Wayland), dropped when the offer ends so its memory goes back.
    std::optional<CaptureResult> m_recall;
    std::vector<DisplayShot> m_recallShots;
    QTimer m_recallEnd;
    std::optional<CaptureResult> m_last;
    QByteArray m_lastPacked;
    Delivery m_delivery;
};

} // namespace corvane
