// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HotKeyManager.h"

#include "capture/DisplaySession.h"
#include "platform/wayland/PortalKeyGrabSource.h"
#include "platform/x11/X11KeyGrabSource.h"
#include "settings/ShortcutKeys.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <utility>

namespace corvane {
namespace {

// Without a display server that grants shortcuts (the offscreen platform, Wayland without the portal).
class RefusingKeyGrabSource final : public KeyGrabSource {
public:
    void setPressHandler(PressHandler) override {}
    bool grab(const Shortcut&, std::uint32_t) override { return false; }
    void ungrabAll() override {}
};

} // namespace

std::unique_ptr<KeyGrabSource> makeKeyGrabSource()
{
    switch (displaySession()) {
    case DisplaySession::x11:
        return makeX11KeyGrabSource();
    case DisplaySession::wayland:
        // Where the desktop offers no shortcut portal (sway and other wlroots desktops), the user binds
        // a key to `corvane --capture-region` in the compositor instead; nothing is said about it.
        if (wayland::PortalKeyGrabSource::offered(QDBusConnection::sessionBus()))
            return std::make_unique<wayland::PortalKeyGrabSource>();
        return std::make_unique<RefusingKeyGrabSource>();
    case DisplaySession::none:
        return std::make_unique<RefusingKeyGrabSource>();
    }
    return std::make_unique<RefusingKeyGrabSource>();
}

std::optional<HotKeyID> hotKeyIDFromRaw(std::uint32_t raw)
{
    for (const HotKeyEntry& entry : hotKeyTable) {
        if (static_cast<std::uint32_t>(entry.id) == raw)
            return entry.id;
    }
    return std::nullopt;
}

ShortcutBindings defaultShortcutBindings()
{
    ShortcutBindings bindings;
    for (const HotKeyEntry& entry : hotKeyTable)
        bindings[entry.id] = QKeySequence::fromString(QLatin1String(entry.defaultKeys), QKeySequence::PortableText);
    return bindings;
}

HotKeyManager::HotKeyManager(std::unique_ptr<KeyGrabSource> source)
    : m_source(std::move(source))
{
    m_source->setPressHandler([this](std::uint32_t raw) { pressed(raw); });
}

HotKeyManager::~HotKeyManager()
{
    m_source->ungrabAll();
}

void HotKeyManager::registerAll()
{
    apply(defaultShortcutBindings());
}

void HotKeyManager::apply(const ShortcutBindings& bindings)
{
    if (std::exchange(m_applied, true))
        m_source->ungrabAll();
    m_registeredCount = 0;
    m_states.clear();
    for (const HotKeyEntry& entry : hotKeyTable) {
        const auto keys = bindings.find(entry.id);
        m_states[entry.id] = keys == bindings.end() ? GrabState::unbound : registerShortcut(keys->second, entry.id);
    }
}

GrabState HotKeyManager::stateOf(HotKeyID id) const
{
    const auto state = m_states.find(id);
    return state == m_states.end() ? GrabState::unbound : state->second;
}

GrabState HotKeyManager::registerShortcut(const QKeySequence& keys, HotKeyID id)
{
    if (keys.isEmpty())
        return GrabState::unbound;
    const std::optional<Shortcut> shortcut = shortcutFromKeys(keys);
    if (!shortcut)
        return GrabState::unavailable;
    // The source cannot tell "another program holds it" from "there is no display to ask"; the
    // latter has no shortcuts at all, and the preferences say so on their own.
    if (!m_source->grab(*shortcut, static_cast<std::uint32_t>(id)))
        return GrabState::taken;
    ++m_registeredCount;
    return GrabState::granted;
}

void HotKeyManager::pressed(std::uint32_t raw)
{
    const auto id = hotKeyIDFromRaw(raw);
    if (!id)
        return;
    // The callback is looked up when the delivery runs: clearing it in between cancels the press.
    QMetaObject::invokeMethod(
        &m_deliveryContext,
        [this, hotKey = *id] {
            if (onHotKey)
                onHotKey(hotKey);
        },
        Qt::QueuedConnection);
}

} // namespace corvane
