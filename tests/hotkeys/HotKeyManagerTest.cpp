// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The manager against a fake key-grab source; the real grabs, the default keys and a shortcut another
// program holds are HotKeysX11Test's, rebinding and a rebound key that is taken
// e2e.capture.settings-rebind-to-print's and settings-shortcut-taken's.
#include "app/HotKeyManager.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Outlives the fake, which the manager owns and destroys.
struct GrabLog {
    int ungrabAllCalls = 0;
    KeyGrabSource::PressHandler press;
};

struct FakeKeyGrabSource final : KeyGrabSource {
    explicit FakeKeyGrabSource(GrabLog& log) : log(log) {}
    void setPressHandler(PressHandler handler) override { log.press = std::move(handler); }
    bool grab(const Shortcut&, std::uint32_t) override { return true; }
    void ungrabAll() override { ++log.ungrabAllCalls; }
    GrabLog& log;
};

// A press is delivered on a later turn of the event loop, to the callback set by then, and never
// after the manager is gone (its grabs released).
TEST(HotKeyManagerTest, PressesArriveOnALaterTurnOnlyForNumbersOneToFourToTheCallbackSetThen)
{
    GrabLog log;
    std::vector<HotKeyID> received;
    auto manager = std::make_unique<HotKeyManager>(std::make_unique<FakeKeyGrabSource>(log));
    manager->onHotKey = [&received](HotKeyID id) { received.push_back(id); };
    manager->registerAll();
    for (const std::uint32_t raw : {0u, 3u, 4u, 5u, 0x4352564bu, 1u, 0xffffffffu, 2u})
        log.press(raw);
    EXPECT_TRUE(received.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(received, (std::vector{HotKeyID::fullScreenCapture, HotKeyID::windowCapture, HotKeyID::regionCapture,
                                     HotKeyID::regionCaptureAlt}));
    // Pending when the callback is cleared, or when the manager goes: nothing arrives, nothing crashes.
    log.press(1);
    const auto callback = std::exchange(manager->onHotKey, nullptr);
    QCoreApplication::processEvents();
    manager->onHotKey = callback;
    log.press(1);
    manager.reset();
    EXPECT_EQ(log.ungrabAllCalls, 1);
    QCoreApplication::processEvents();
    EXPECT_EQ(received.size(), 4u);
}

} // namespace
} // namespace corvane
