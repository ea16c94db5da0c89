// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Runs under a virtual X server whose keymap has F13 on keycode 191 (with-xvfb.sh). Keys are pressed
// with xdotool, as by a user; events arrive in order, so a last expected press shows that no press
// before it that should have been left alone arrived.
#include "app/HotKeyManager.h"

#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace corvane {
namespace {

using enum HotKeyID;
using Connection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;
using Error = std::unique_ptr<xcb_generic_error_t, decltype(&std::free)>;

void run(const QString& program, const QStringList& arguments)
{
    ASSERT_EQ(QProcess::execute(program, arguments), 0) << arguments.join(' ').toStdString();
}

// Whether another program could take this combination: a key grabbed but not reported is lost to all.
bool freeForOthers(xcb_keycode_t keycode, std::uint16_t modifiers)
{
    const Connection other(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.get())).data->root;
    const Error error(
        xcb_request_check(other.get(), xcb_grab_key_checked(other.get(), true, root, modifiers, keycode,
                                                            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC)),
        &std::free);
    return !error;
}

class HotKeysX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        manager.onHotKey = [this](HotKeyID id) {
            received.push_back(id);
        };
    }
    void pressAndExpect(const QString& keys, const std::vector<HotKeyID>& expected)
    {
        run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key")} + keys.split(' '));
        EXPECT_TRUE(QTest::qWaitFor([&] { return received.size() >= expected.size(); }, 10000));
        QCoreApplication::processEvents();
        EXPECT_EQ(received, expected) << keys.toStdString();
    }

    HotKeyManager manager;
    std::vector<HotKeyID> received;
};

TEST_F(HotKeysX11Test, EachShortcutArrivesWhateverTheLocksAndOtherModifiersAreLeftAlone)
{
    // F13 on a second key as well; XF86Tools is on 179. Every one of them is grabbed, Ctrl+F13 is not.
    run(QStringLiteral("xmodmap"), {"-e", "keycode 248 = F13"});
    manager.registerAll();
    EXPECT_EQ(manager.registeredCount(), 3);
    for (const xcb_keycode_t keycode : {179, 191, 248})
        EXPECT_FALSE(freeForOthers(keycode, 0)) << int(keycode);
    EXPECT_TRUE(freeForOthers(191, XCB_MOD_MASK_CONTROL));
    pressAndExpect("ctrl+F13 F13 shift+F13 XF86Tools super+F13 ctrl+shift+super+4 ctrl+shift+4 "
                   "alt+ctrl+shift+super+3 ctrl+shift+super+3 "
                   "Num_Lock F13 Caps_Lock ctrl+shift+super+4 Num_Lock ctrl+shift+super+3",
                   {regionCapture, regionCapture, regionCaptureAlt, fullScreenCapture, regionCapture,
                    regionCaptureAlt, fullScreenCapture});
}

TEST_F(HotKeysX11Test, AShortcutAnotherProgramHoldsIsSkipped)
{
    QProcess holder;
    holder.start(QStringLiteral(CORVANE_GRAB_HOLDER), {});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    manager.registerAll();
    EXPECT_EQ(manager.registeredCount(), 2);
    pressAndExpect("ctrl+shift+super+4 F13 ctrl+shift+super+3", {regionCapture, fullScreenCapture});
    // The holder has only the plain 4 key (keycode 13) with Control, Shift and Mod4 (0x45): the lock
    // variants granted to this process first must have been given back.
    for (const std::uint16_t locks : {0x02, 0x10, 0x12})
        EXPECT_TRUE(freeForOthers(13, 0x45 | locks)) << locks;
    holder.closeWriteChannel();
    EXPECT_TRUE(holder.waitForFinished(10000));
}

// The capture overlay grabs the keyboard as soon as the hotkey arrives, often before the key is up.
TEST_F(HotKeysX11Test, AHotKeyStillHeldLeavesTheKeyboardToOthers)
{
    manager.registerAll();
    run(QStringLiteral("xdotool"), {QStringLiteral("keydown"), QStringLiteral("F13")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !received.empty(); }, 10000));
    const Connection other(xcb_connect(nullptr, nullptr), &xcb_disconnect);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(other.get())).data->root;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            const auto cookie = xcb_grab_keyboard(other.get(), false, root, XCB_CURRENT_TIME,
                                                  XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
            const std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&std::free)> reply(
                xcb_grab_keyboard_reply(other.get(), cookie, nullptr), &std::free);
            return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
        },
        10000));
    xcb_ungrab_keyboard(other.get(), XCB_CURRENT_TIME);
    xcb_flush(other.get());
    run(QStringLiteral("xdotool"), {QStringLiteral("keyup"), QStringLiteral("F13")});
}

TEST_F(HotKeysX11Test, F13IsFollowedToItsNewKeyWhenTheKeymapChanges)
{
    manager.registerAll();
    run(QStringLiteral("xmodmap"), {"-e", "keycode 191 = F20", "-e", "keycode 202 = F13"});
    // Presses before this process has seen the change reach no one; press until one arrives.
    bool followed = false;
    for (int attempt = 0; attempt < 40 && !followed; ++attempt) {
        run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("F13")});
        followed = QTest::qWaitFor([&] { return !received.empty(); }, 500);
    }
    ASSERT_TRUE(followed);
    // Keycode 191 now produces F20, which is no shortcut and belongs to the other programs again.
    std::vector<HotKeyID> expected(received.size(), regionCapture);
    expected.push_back(fullScreenCapture);
    pressAndExpect("F20 ctrl+shift+super+3", expected);
    EXPECT_TRUE(freeForOthers(191, 0));
}

} // namespace
} // namespace corvane
