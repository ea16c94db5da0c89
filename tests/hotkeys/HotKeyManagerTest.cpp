// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/HotKeyManager.h"

#include <QCoreApplication>
#include <gtest/gtest.h>
#include <utility>

namespace corvane {
namespace {

// Outlives the fake, which the manager owns and destroys.
struct GrabLog {
    std::vector<std::pair<std::uint32_t, Shortcut>> grabs;
    std::uint32_t refused = 0;
    int ungrabAllCalls = 0;
    KeyGrabSource::PressHandler press;
};

struct FakeKeyGrabSource final : KeyGrabSource {
    explicit FakeKeyGrabSource(std::shared_ptr<GrabLog> log)
        : log(std::move(log))
    {}
    void setPressHandler(PressHandler handler) override { log->press = std::move(handler); }
    bool grab(const Shortcut& shortcut, std::uint32_t id) override
    {
        log->grabs.emplace_back(id, shortcut);
        return id != log->refused;
    }
    void ungrabAll() override { ++log->ungrabAllCalls; }
    std::shared_ptr<GrabLog> log;
};

struct Fixture {
    explicit Fixture(std::uint32_t refused = 0)
    {
        log->refused = refused;
        manager->onHotKey = [this](HotKeyID id) {
            received.push_back(id);
        };
        manager->registerAll();
    }
    std::shared_ptr<GrabLog> log = std::make_shared<GrabLog>();
    std::unique_ptr<HotKeyManager> manager =
        std::make_unique<HotKeyManager>(std::make_unique<FakeKeyGrabSource>(log));
    std::vector<HotKeyID> received;
};

TEST(HotKeyManagerTest, RegistersF13ThenCtrlShiftSuper4Then3)
{
    Fixture f;
    const std::vector<std::pair<std::uint32_t, Shortcut>> expected = {
        {1, {{0xffca, 0x1008ff81}, false, false, false}},
        {2, {{0x34}, true, true, true}},
        {3, {{0x33}, true, true, true}},
    };
    EXPECT_EQ(f.log->grabs, expected);
    EXPECT_EQ(f.manager->registeredCount(), 3);
}

TEST(HotKeyManagerTest, ARefusedShortcutIsSkippedAndTheOthersStillArrive)
{
    Fixture f(2);
    EXPECT_EQ(f.log->grabs.size(), 3u);
    EXPECT_EQ(f.manager->registeredCount(), 2);
    f.log->press(3);
    f.log->press(1);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.received, (std::vector{HotKeyID::fullScreenCapture, HotKeyID::regionCapture}));
}

// Rebinding releases every grab first, and what became of each binding is kept for the preferences.
TEST(HotKeyManagerTest, ApplyReleasesTheOldKeysAndReportsEachBinding)
{
    Fixture f(3);
    f.log->grabs.clear();
    f.manager->apply({{HotKeyID::regionCapture, QKeySequence(QStringLiteral("Print"))},
                      {HotKeyID::regionCaptureAlt, QKeySequence()},
                      {HotKeyID::fullScreenCapture, QKeySequence(QStringLiteral("Shift+Print"))}});
    EXPECT_EQ(f.log->ungrabAllCalls, 1);
    const std::vector<std::pair<std::uint32_t, Shortcut>> expected = {
        {1, {{0xff61}, false, false, false}},
        {3, {{0xff61}, false, true, false}},
    };
    EXPECT_EQ(f.log->grabs, expected);
    EXPECT_EQ(f.manager->stateOf(HotKeyID::regionCapture), GrabState::granted);
    EXPECT_EQ(f.manager->stateOf(HotKeyID::regionCaptureAlt), GrabState::unbound);
    EXPECT_EQ(f.manager->stateOf(HotKeyID::fullScreenCapture), GrabState::taken);
    EXPECT_EQ(f.manager->registeredCount(), 1);
}

TEST(HotKeyManagerTest, PressesArriveOnALaterTurnAndOnlyForNumbersOneToFour)
{
    Fixture f;
    for (const std::uint32_t raw : {0u, 3u, 4u, 5u, 0x4352564bu, 1u, 0xffffffffu, 2u})
        f.log->press(raw);
    EXPECT_TRUE(f.received.empty());
    QCoreApplication::processEvents();
    EXPECT_EQ(f.received, (std::vector{HotKeyID::fullScreenCapture, HotKeyID::windowCapture,
                                       HotKeyID::regionCapture, HotKeyID::regionCaptureAlt}));
}

TEST(HotKeyManagerTest, TheCallbackIsTheOneSetWhenTheDeliveryRuns)
{
    Fixture clearedBeforePress, clearedInFlight, setInFlight;
    clearedBeforePress.manager->onHotKey = nullptr;
    clearedBeforePress.log->press(1);
    clearedInFlight.log->press(1);
    clearedInFlight.manager->onHotKey = nullptr;
    const auto callback = std::exchange(setInFlight.manager->onHotKey, nullptr);
    setInFlight.log->press(1);
    setInFlight.manager->onHotKey = callback;
    QCoreApplication::processEvents();
    EXPECT_TRUE(clearedBeforePress.received.empty());
    EXPECT_TRUE(clearedInFlight.received.empty());
    EXPECT_EQ(setInFlight.received, std::vector{HotKeyID::regionCapture});
}

TEST(HotKeyManagerTest, DestructionUngrabsAndDropsPressesInFlight)
{
    Fixture f;
    f.log->press(1);
    EXPECT_EQ(f.log->ungrabAllCalls, 0);
    f.manager.reset();
    EXPECT_EQ(f.log->ungrabAllCalls, 1);
    QCoreApplication::processEvents();
    EXPECT_TRUE(f.received.empty());
}

TEST(HotKeyManagerTest, WithoutAnX11DisplayNothingIsGranted)
{
    HotKeyManager manager;
    manager.registerAll();
    EXPECT_EQ(manager.registeredCount(), 0);
}

} // namespace
} // namespace corvane
