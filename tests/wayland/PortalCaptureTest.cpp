// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The portal sources against a fake portal on a private session bus (run under dbus-run-session). A
// granted picture cut into the screens, and a refusal, are wayland.e2e.region-through-the-portal and
// wayland.e2e.refused against the real wlroots portal and fake_portal.
#include "FakePortal.h"
#include "app/HotKeyManager.h"
#include "capture/ScreenCapturer.h"
#include "platform/wayland/PortalCaptureSource.h"
#include "platform/wayland/PortalKeyGrabSource.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace std::chrono_literals;

// The portal answers from a connection of its own, as a separate process would.
class Portal : public ::testing::Test {
protected:
    void publish(bool withShortcuts)
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
        m_bus = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(QDBusConnection::SessionBus,
                                                                                    QStringLiteral("fake-portal")));
        ASSERT_TRUE(m_portal.publish(*m_bus, withShortcuts));
    }
    void TearDown() override
    {
        if (!m_bus)
            return;
        m_bus->unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        m_bus->unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
        m_bus.reset();
    }
    // Runs the event loop until `done` holds, for at most five seconds.
    template <typename Condition> bool spinUntil(Condition done)
    {
        for (QDeadlineTimer deadline(5000); !done() && !deadline.hasExpired();)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }

    std::unique_ptr<QDBusConnection> m_bus;
    testing::FakePortal m_portal;
};

TEST_F(Portal, ACancelNoAnswerAFileGoneOrNoPortalIsNoPermissionAskedOnce)
{
    QTemporaryDir dir;
    QImage(3360, 1440, QImage::Format_RGB32).save(dir.filePath(QStringLiteral("out.png")));
    const struct {
        const char* name;
        bool portal;
        uint response;
        bool silent;
        const char* file;
    } cases[] = {{"cancelled by the user", true, 1, false, "out.png"},
                 {"never answered", true, 0, true, "out.png"},
                 {"granted but the file is gone", true, 0, false, "gone.png"},
                 {"no portal on the bus", false, 0, false, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.portal && !m_bus) {
            publish(false);
            EXPECT_FALSE(wayland::PortalKeyGrabSource::offered(QDBusConnection::sessionBus())) << "no shortcuts";
        }
        if (!c.portal)
            TearDown();
        m_portal.screenshotCalls = 0;
        m_portal.screenshotResponse = c.response;
        m_portal.silent = c.silent;
        m_portal.screenshotUri = QUrl::fromLocalFile(dir.filePath(QString::fromLatin1(c.file))).toString();
        ScreenCapturer::setSource(std::make_unique<wayland::PortalCaptureSource>(QDBusConnection::sessionBus(), 300ms));
        const ScreenCapturer::Shots result = ScreenCapturer::captureAllDisplays();
        ASSERT_TRUE(std::holds_alternative<ScreenCaptureError>(result));
        EXPECT_EQ(std::get<ScreenCaptureError>(result), ScreenCaptureError::noPermission);
        EXPECT_EQ(m_portal.screenshotCalls, c.portal ? 1 : 0);
    }
}

TEST_F(Portal, TheSessionCarriesTheThreeShortcutsAndActivationReachesTheCallback)
{
    publish(true);
    ASSERT_TRUE(wayland::PortalKeyGrabSource::offered(QDBusConnection::sessionBus()));
    HotKeyManager manager(std::make_unique<wayland::PortalKeyGrabSource>(QDBusConnection::sessionBus()));
    manager.registerAll();
    EXPECT_EQ(manager.registeredCount(), 3);
    ASSERT_TRUE(spinUntil([this] { return m_portal.sessionShortcuts.size() == 3; }));
    EXPECT_EQ(m_portal.sessionShortcuts.join(' ').toStdString(),
              "regionCapture=F13 regionCaptureAlt=CTRL+SHIFT+LOGO+4 fullScreenCapture=CTRL+SHIFT+LOGO+3");

    // The program knows its session once CreateSession has answered, and binds the shortcuts then.
    ASSERT_TRUE(spinUntil([this] { return m_portal.bindCalls == 1; }));
    std::vector<HotKeyID> pressed;
    manager.onHotKey = [&pressed](HotKeyID id) { pressed.push_back(id); };
    for (const char* id : {"fullScreenCapture", "somebodyElses", "regionCapture"})
        m_portal.activate(QString::fromLatin1(id));
    ASSERT_TRUE(spinUntil([&pressed] { return pressed.size() == 2; }));
    EXPECT_EQ(pressed, (std::vector<HotKeyID>{HotKeyID::fullScreenCapture, HotKeyID::regionCapture}));
}

} // namespace
} // namespace corvane
