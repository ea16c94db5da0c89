// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HotKeyManager.h"

#include "capture/DisplaySession.h"
#include "platform/wayland/PortalKeyGrabSource.h"
#include "platform/x11/X11KeyGrabSource.h"

#include <QGuiApplication>
#include <QMetaObject>
#include <utility>

namespace corvane {
namespace {

constexpr std::uint32_t keysymF13 = 0xffca;
// What the F13 key produces on a standard PC keymap, where F13 itself has no key.
constexpr std::uint32_t keysymXF86Tools = 0x1008ff81;
constexpr std::uint32_t keysym3 = 0x33;
constexpr std::uint32_t keysym4 = 0x34;

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
    if (raw < 1 || raw > 3)
        return std::nullopt;
    return static_cast<HotKeyID>(raw);
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
    registerShortcut({{keysymF13, keysymXF86Tools}, false, false, false}, HotKeyID::regionCapture);
    registerShortcut({{keysym4}, true, true, true}, HotKeyID::regionCaptureAlt);
    registerShortcut({{keysym3}, true, true, true}, HotKeyID::fullScreenCapture);
}

void HotKeyManager::registerShortcut(const Shortcut& shortcut, HotKeyID id)
{
    if (m_source->grab(shortcut, static_cast<std::uint32_t>(id)))
        ++m_registeredCount;
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
