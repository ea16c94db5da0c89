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
    GrabLog logs[4];
    std::vector<HotKeyID> received[4];
    std::unique_ptr<HotKeyManager> managers[4];
    for (int i = 0; i < 4; ++i) {
        managers[i] = std::make_unique<HotKeyManager>(std::make_unique<FakeKeyGrabSource>(logs[i]));
        managers[i]->onHotKey = [&received, i](HotKeyID id) { received[i].push_back(id); };
        managers[i]->registerAll();
    }
    for (const std::uint32_t raw : {0u, 3u, 4u, 5u, 0x4352564bu, 1u, 0xffffffffu, 2u})
        logs[0].press(raw);
    managers[1]->onHotKey = nullptr;
    logs[1].press(1);
    const auto callback = std::exchange(managers[2]->onHotKey, nullptr);
    logs[2].press(1);
    managers[2]->onHotKey = callback;
    logs[3].press(1);
    managers[3].reset();
    EXPECT_EQ(logs[3].ungrabAllCalls, 1);
    EXPECT_TRUE(received[0].empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(received[0], (std::vector{HotKeyID::fullScreenCapture, HotKeyID::windowCapture, HotKeyID::regionCapture,
                                        HotKeyID::regionCaptureAlt}));
    EXPECT_TRUE(received[1].empty());
    EXPECT_EQ(received[2], std::vector{HotKeyID::regionCapture});
    EXPECT_TRUE(received[3].empty());
}

} // namespace
} // namespace corvane
