// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "capture/CaptureResult.h"
#include "capture/SelectionOverlayController.h"
#include "output/SaveAs.h"

#include <QByteArray>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <optional>
#include <vector>

class QMenu;

namespace corvane {

// Turns a capture request into a picture with a destination, one capture at a time: a request that
// arrives while one runs is dropped, not queued. Both flows end in the destination menu.
class CaptureController : public QObject {
    Q_OBJECT
public:
    static CaptureController& shared();

    void startRegionCapture();
    void startFullScreenCapture();

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

    void runRegionCapture();
    void runFullScreenCapture();
    // `shots` are the monitors the capture came from: under Wayland the menu needs a window of ours
    // on the monitor to open beside.
    void presentDestinationMenu(const CaptureResult& result, const std::vector<DisplayShot>& shots);

    QPointer<SelectionOverlayController> m_overlay;
    bool m_busy = false;
    // The pending capture, taken out to go somewhere and remembered as the last one.
    std::optional<CaptureResult> takePending();

    std::optional<CaptureResult> m_pending;
    std::optional<CaptureResult> m_last;
    QByteArray m_lastPacked;
};

} // namespace corvane
