// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The three shortcuts through a fake GlobalShortcuts portal on a private session bus.
#include "FakePortal.h"
#include "app/HotKeyManager.h"
#include "platform/wayland/PortalKeyGrabSource.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <gtest/gtest.h>

namespace corvane {
namespace {

// Runs the event loop until `done` holds, for at most five seconds.
template <typename Condition> bool spinUntil(Condition done)
{
    QDeadlineTimer deadline(5000);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class PortalShortcutsTest : public ::testing::Test {
protected:
    void publish(bool withShortcuts)
    {
        m_portalBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-shortcuts")));
        ASSERT_TRUE(m_portal.publish(*m_portalBus, withShortcuts));
    }
    void TearDown() override
    {
        m_portalBus->unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        m_portalBus->unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-shortcuts"));
    }

    std::unique_ptr<QDBusConnection> m_portalBus;
    testing::FakePortal m_portal;
};

TEST_F(PortalShortcutsTest, SessionCarriesTheThreeShortcutsAndActivationReachesTheCallback)
{
    publish(true);
    ASSERT_TRUE(wayland::PortalKeyGrabSource::offered(QDBusConnection::sessionBus()));
    HotKeyManager manager(std::make_unique<wayland::PortalKeyGrabSource>(QDBusConnection::sessionBus()));
    manager.registerAll();
    EXPECT_EQ(manager.registeredCount(), 3);
    ASSERT_TRUE(spinUntil([this] { return m_portal.sessionShortcuts.size() == 3; }));

    const std::pair<const char*, const char*> expected[] = {
        {"regionCapture", "F13"},
        {"regionCaptureAlt", "CTRL+SHIFT+LOGO+4"},
        {"fullScreenCapture", "CTRL+SHIFT+LOGO+3"},
    };
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(m_portal.sessionShortcuts[int(i)].id, QLatin1String(expected[i].first));
        EXPECT_EQ(m_portal.sessionShortcuts[int(i)]
                      .properties.value(QStringLiteral("preferred_trigger"))
                      .toString(),
                  QLatin1String(expected[i].second));
    }

    // The program knows its session once CreateSession has answered, and binds the shortcuts then.
    ASSERT_TRUE(spinUntil([this] { return m_portal.bindCalls == 1; }));
    std::vector<HotKeyID> pressed;
    manager.onHotKey = [&pressed](HotKeyID id) {
        pressed.push_back(id);
    };
    m_portal.activate(QStringLiteral("fullScreenCapture"));
    m_portal.activate(QStringLiteral("somebodyElses"));
    m_portal.activate(QStringLiteral("regionCapture"));
    ASSERT_TRUE(spinUntil([&pressed] { return pressed.size() == 2; }));
    EXPECT_EQ(pressed, (std::vector<HotKeyID>{HotKeyID::fullScreenCapture, HotKeyID::regionCapture}));
}

TEST_F(PortalShortcutsTest, PortalWithoutShortcutsIsNotOffered)
{
    publish(false);
    EXPECT_FALSE(wayland::PortalKeyGrabSource::offered(QDBusConnection::sessionBus()));
}

} // namespace
} // namespace corvane
