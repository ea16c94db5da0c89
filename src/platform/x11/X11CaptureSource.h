// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/CaptureSource.h"

#include <QHash>
#include <QRect>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

struct xcb_connection_t;

namespace corvane::x11 {

class ShmSegment;

// Reads monitors from the X server's root window. The connection is its own rather than Qt's, so it
// works whatever Qt's platform plugin does with its connection; it stays open between captures, and so
// does the shared-memory block, because making a fresh one costs far more than the grab itself.
class X11CaptureSource final : public CaptureSource {
public:
    enum class Transfer { sharedMemory, getImage };

    // With `preferred` getImage, MIT-SHM is never tried (tests and benchmarks compare the two ways).
    explicit X11CaptureSource(Transfer preferred = Transfer::sharedMemory);
    ~X11CaptureSource() override;
    X11CaptureSource(const X11CaptureSource&) = delete;
    X11CaptureSource& operator=(const X11CaptureSource&) = delete;

    bool available() override;
    QImage grab(const QScreen& screen) override;
    void warmUp() override;
    void releaseIdleResources() override;
    void waitUntilGone(const std::vector<WId>& windows, std::chrono::milliseconds limit) override;
    std::optional<WId> inputFocus() override;
    QString refusalExplanation() const override;
    std::optional<std::vector<WindowFrame>> windowFrames() override;

    // How the last successful grab reached the pixels; empty before the first one.
    std::optional<Transfer> lastTransfer() const { return m_lastTransfer; }

private:
    struct Monitor {
        QString name;
        QRect rect; // device pixels on the root window
    };

    xcb_connection_t* connection();
    bool connect();
    void disconnect();
    QRect rootRect();
    std::vector<Monitor> monitors();
    QString atomName(std::uint32_t atom);
    QRect deviceRect(const QScreen& screen);
    QImage grabRect(const QRect& rect);
    QImage grabShared(const QRect& rect);
    QImage grabPlain(const QRect& rect);
    QImage toImage(const unsigned char* data, std::size_t length, std::uint8_t depth,
                   const QSize& size) const;
    // A block of at least `size` bytes that no lent picture still shows, or null.
    ShmSegment* freeSegment(std::size_t size);
    // Whether the window, or the window manager's frame around it, is still viewable.
    bool isShown(std::uint32_t window);

    Transfer m_preferred;
    std::optional<Transfer> m_lastTransfer;
    xcb_connection_t* m_connection = nullptr;
    std::uint32_t m_root = 0;
    std::uint8_t m_rootDepth = 0;
    bool m_readablePixels = false; // 32-bit words with red, green, blue at bits 16, 8, 0
    bool m_swapBytes = false;      // the server's byte order is not ours
    bool m_hasMonitors = false;
    bool m_sharedMemoryWorks = false;
    // Grabs land in these and are lent out as pictures without a copy; a block whose picture is still
    // held (the other monitor of the same capture, an editor, the clipboard) is never written again.
    std::vector<std::unique_ptr<ShmSegment>> m_segments;
    QHash<std::uint32_t, QString> m_atomNames; // an atom never changes meaning on one server
};

} // namespace corvane::x11
