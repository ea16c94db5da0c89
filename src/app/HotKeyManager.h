// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/HotKeyTable.h"
#include "seams/KeyGrabSource.h"

#include <QKeySequence>
#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>

namespace corvane {

// The keys of each trigger; a trigger left out, or given an empty sequence, has no shortcut.
using ShortcutBindings = std::map<HotKeyID, QKeySequence>;
ShortcutBindings defaultShortcutBindings();

std::optional<HotKeyID> hotKeyIDFromRaw(std::uint32_t raw);

// The system-wide shortcuts. Presses reach onHotKey on the main thread, always on a later turn
// of the event loop than the one that saw the key, so the callback never runs inside the key source.
class HotKeyManager {
public:
    explicit HotKeyManager(std::unique_ptr<KeyGrabSource> source = makeKeyGrabSource());
    ~HotKeyManager();
    HotKeyManager(const HotKeyManager&) = delete;
    HotKeyManager& operator=(const HotKeyManager&) = delete;

    std::function<void(HotKeyID)> onHotKey;

    // The default keys. A shortcut another program holds is left out; stateOf() tells which.
    void registerAll();
    // Releases every shortcut held and grabs BINDINGS instead.
    void apply(const ShortcutBindings& bindings);
    int registeredCount() const { return m_registeredCount; }
    GrabState stateOf(HotKeyID id) const;

private:
    GrabState registerShortcut(const QKeySequence& keys, HotKeyID id);
    void pressed(std::uint32_t raw);

    // Deliveries still queued when the manager goes away are dropped with this object.
    QObject m_deliveryContext;
    std::unique_ptr<KeyGrabSource> m_source;
    int m_registeredCount = 0;
    bool m_applied = false;
    std::map<HotKeyID, GrabState> m_states;
};

} // namespace corvane
