// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// The portal capture source against a fake portal on a private session bus (run under
// dbus-run-session), with the screens of two-outputs.json: HEADLESS-1 1280 x 720 at scale 1 and
// HEADLESS-2 400 x 300 at scale 2 beside it, which the wlroots portal answers with a 3360 x 1440 picture.
#include "FakePortal.h"
#include "capture/ScreenCapturer.h"
#include "platform/wayland/PortalCaptureSource.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace corvane {
namespace {

using namespace std::chrono_literals;

class PortalCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QDBusConnection::sessionBus().isConnected()) << "run under dbus-run-session";
        ASSERT_EQ(QGuiApplication::screens().size(), 2);
        ASSERT_TRUE(m_dir.isValid());
        // The portal answers from a connection of its own, as a separate process would.
        m_portalBus = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("fake-portal")));
        ASSERT_TRUE(m_portal.publish(*m_portalBus, false));
    }
    void TearDown() override
    {
        m_portalBus->unregisterService(QStringLiteral("org.freedesktop.portal.Desktop"));
        m_portalBus->unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
        QDBusConnection::disconnectFromBus(QStringLiteral("fake-portal"));
    }

    // The whole layout: the scale-1 output's area red with a 2 x 2 white square at its (10, 20), the
    // scale-2 output's area blue with one green pixel at its device pixel (799, 599).
    QString writeLayoutPicture()
    {
        QImage whole(3360, 1440, QImage::Format_ARGB32);
        whole.fill(0xffff0000);
        QPainter painter(&whole);
        painter.fillRect(2560, 0, 800, 600, QColor(0, 0, 255));
        painter.fillRect(2560, 600, 800, 840, Qt::transparent);
        painter.fillRect(20, 40, 4, 4, Qt::white);
        painter.end();
        whole.setPixel(3359, 599, 0xff00ff00);
        const QString path = m_dir.filePath(QStringLiteral("out.png"));
        EXPECT_TRUE(whole.save(path));
        return QUrl::fromLocalFile(path).toString();
    }

    QTemporaryDir m_dir;
    std::unique_ptr<QDBusConnection> m_portalBus;
    testing::FakePortal m_portal;
};

TEST_F(PortalCaptureTest, GrantedPictureBecomesOneShotPerScreenAtItsDevicePixelSize)
{
    m_portal.screenshotResponse = 0;
    m_portal.screenshotUri = writeLayoutPicture();
    ScreenCapturer::setSource(
        std::make_unique<wayland::PortalCaptureSource>(QDBusConnection::sessionBus(), 5s));
    const ScreenCapturer::Shots result = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<std::vector<DisplayShot>>(result));
    const auto& shots = std::get<std::vector<DisplayShot>>(result);
    ASSERT_EQ(shots.size(), 2u);

    EXPECT_EQ(shots[0].screen, QGuiApplication::screens()[0]);
    EXPECT_EQ(shots[0].image.size(), QSize(1280, 720));
    EXPECT_EQ(shots[0].image.pixel(0, 0), 0xffff0000u);
    EXPECT_EQ(shots[0].image.pixel(10, 20), 0xffffffffu);
    EXPECT_EQ(shots[0].image.pixel(11, 21), 0xffffffffu);
    EXPECT_EQ(shots[0].image.pixel(12, 22), 0xffff0000u);

    EXPECT_EQ(shots[1].screen, QGuiApplication::screens()[1]);
    EXPECT_EQ(shots[1].frame, QRectF(1280, 0, 400, 300));
    EXPECT_EQ(shots[1].scale, 2.0);
    EXPECT_EQ(shots[1].image.size(), QSize(800, 600));
    EXPECT_EQ(shots[1].image.pixel(0, 0), 0xff0000ffu);
    EXPECT_EQ(shots[1].image.pixel(799, 599), 0xff00ff00u);
    EXPECT_EQ(m_portal.screenshotCalls, 1);
}

struct RefusalCase {
    const char* name;
    uint response;
    bool silent;
    bool fileExists;
};

void PrintTo(const RefusalCase& c, std::ostream* out)
{
    *out << c.name;
}

class PortalRefusalTest : public PortalCaptureTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(PortalRefusalTest, IsNoPermission)
{
    const RefusalCase& c = GetParam();
    m_portal.screenshotResponse = c.response;
    m_portal.silent = c.silent;
    m_portal.screenshotUri = c.fileExists
                                 ? writeLayoutPicture()
                                 : QUrl::fromLocalFile(m_dir.filePath(QStringLiteral("gone.png"))).toString();
    ScreenCapturer::setSource(
        std::make_unique<wayland::PortalCaptureSource>(QDBusConnection::sessionBus(), 300ms));
    const ScreenCapturer::Shots result = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<ScreenCaptureError>(result));
    EXPECT_EQ(std::get<ScreenCaptureError>(result), ScreenCaptureError::noPermission);
    EXPECT_EQ(m_portal.screenshotCalls, 1); // no second try
}

INSTANTIATE_TEST_SUITE_P(Answers, PortalRefusalTest,
                         ::testing::Values(RefusalCase{"Refused", 2, false, true},
                                           RefusalCase{"CancelledByTheUser", 1, false, true},
                                           RefusalCase{"NeverAnswered", 0, true, true},
                                           RefusalCase{"GrantedButTheFileIsGone", 0, false, false}),
                         [](const auto& param) { return std::string(param.param.name); });

TEST(PortalAbsentTest, NoPortalOnTheBusIsNoPermission)
{
    ScreenCapturer::setSource(
        std::make_unique<wayland::PortalCaptureSource>(QDBusConnection::sessionBus(), 2s));
    const ScreenCapturer::Shots result = ScreenCapturer::captureAllDisplays();
    ASSERT_TRUE(std::holds_alternative<ScreenCaptureError>(result));
    EXPECT_EQ(std::get<ScreenCaptureError>(result), ScreenCaptureError::noPermission);
}

} // namespace
} // namespace corvane
