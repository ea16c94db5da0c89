// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/KeyGrabSource.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace corvane {

enum class HotKeyID : std::uint32_t { regionCapture = 1, regionCaptureAlt = 2, fullScreenCapture = 3 };

std::optional<HotKeyID> hotKeyIDFromRaw(std::uint32_t raw);

// The three system-wide shortcuts. Presses reach onHotKey on the main thread, always on a later turn
// of the event loop than the one that saw the key, so the callback never runs inside the key source.
class HotKeyManager {
public:
    explicit HotKeyManager(std::unique_ptr<KeyGrabSource> source = makeKeyGrabSource());
    ~HotKeyManager();
    HotKeyManager(const HotKeyManager&) = delete;
    HotKeyManager& operator=(const HotKeyManager&) = delete;

    std::function<void(HotKeyID)> onHotKey;

    // Once per manager. A shortcut another program holds is left out without a word.
    void registerAll();
    int registeredCount() const { return m_registeredCount; }

private:
    void registerShortcut(const Shortcut& shortcut, HotKeyID id);
    void pressed(std::uint32_t raw);

    // Deliveries still queued when the manager goes away are dropped with this object.
    QObject m_deliveryContext;
    std::unique_ptr<KeyGrabSource> m_source;
    int m_registeredCount = 0;
};

} // namespace corvane
