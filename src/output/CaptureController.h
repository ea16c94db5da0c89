// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureResult.h"
#include "capture/SelectionOverlayController.h"
#include "output/SaveAs.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
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
// arrives while one runs is dropped, not queued. Both flows end in the destination menu.
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

    void destCopy();
    void destDesktop();
    void destSaveAs();
    void destEditor();
    void destCancel();

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

    QPointer<SelectionOverlayController> m_overlay;
    bool m_busy = false;
    std::optional<CaptureResult> m_pending;
    Delivery m_delivery;
};

} // namespace corvane
