// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include "settings/Autostart.h"
#include "settings/ShortcutKeys.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace corvane {
namespace {

QStringList keysOf(const QStringList& problems)
{
    QStringList keys;
    for (const QString& line : problems)
        keys << line.section(QLatin1Char(':'), 0, 0);
    return keys;
}

const char kGarbage[] = "\x89PNG\r\n\x1a\n\0\0\xff=\x01\n[save]\njpegQuality=50\n";

// Every bad value gives its key's default and one line naming the key; the good values around it apply.
// A negative quality, a folder that is a file beside a good format, a flag that is no flag and garbage
// bytes are e2e.capture.settings-malformed's too; startAtLogin=true is e2e.capture.settings-start-at-login's.
// What was read is shown as the file it writes back under the documented keys (the defaults write
// nothing), so each row is a round trip too.
TEST(SettingsTest, EachValueThatCannotBeUsedFallsBackToItsDefaultWithOneLine)
{
    QTemporaryDir home;
    const QByteArray homePath = home.path().toUtf8();
    const struct {
        QByteArray ini;
        const char* read;
        QStringList problemKeys;
    } cases[] = {
        {"[save]\njpegQuality=ninety\n", "", {"save/jpegQuality"}},
        {"[save]\njpegQuality=1\n", "[save]\njpegQuality=1\n", {}},
        {"[save]\nfolder=Pictures\n", "", {"save/folder"}},
        {"[save]\nfolder=~/Pictures/Shots/\n", "[save]\nfolder=~/Pictures/Shots\n", {}},
        {"[save]\nfolder=/srv/shots\n", "[save]\nfolder=/srv/shots\n", {}},
        {"[save]\nfolder=\xff\xfe\x01/tmp\n", "", {"save/folder"}},
        {"[save]\nformat=gif\n", "", {"save/format"}},
        {"[save]\nformat=JPEG\n", "[save]\nformat=jpeg\n", {}},
        {"[save]\nformat=@Variant(\\0\\0\\0\\x7f)\n", "", {"save/format"}},
        {"[save]\npattern=%Y, %m\n", "[save]\npattern=\"%Y, %m\"\n", {}},
        {"[save]\ncolour=red\n", "", {"save/colour"}},
        {"[capture]\nafter=never\n", "", {"capture/after"}},
        {"[capture]\nafter=pin\n", "[capture]\nafter=pin\n", {}},
        {"[shortcuts]\nregionCapture=Print\n", "[shortcuts]\nregionCapture=Print\n", {}},
        {"[shortcuts]\nregionCapture=\n", "[shortcuts]\nregionCapture=\n", {}},
        {"[shortcuts]\nfullScreenCapture=Hyper+Q\n", "", {"shortcuts/fullScreenCapture"}},
        {"[general]\ntoasts=false\n", "[general]\ntoasts=false\n", {}},
        // Sections in their order, a folder under the home written with "~".
        {"[shortcuts]\nregionCaptureAlt=\n[save]\nformat=jpeg\nfolder=" + homePath + "/Shots\n[capture]\nafter=copy\n",
         "[capture]\nafter=copy\n\n[save]\nfolder=~/Shots\nformat=jpeg\n\n[shortcuts]\nregionCaptureAlt=\n",
         {}},
        // Bytes that are no text at all, then a good value: lines without "=" are passed over, and the
        // key made of a NUL, a NUL and a byte that is no UTF-8 is named without putting them on the terminal.
        {QByteArray(kGarbage, sizeof kGarbage - 1),
         "[save]\njpegQuality=50\n",
         {QString::fromUtf8("general/??\uFFFD")}},
    };
    for (const auto& c : cases) {
        const SettingsRead read = settingsFromIni(c.ini, home.path());
        EXPECT_EQ(iniFromSettings(read.settings, home.path()).toStdString(), c.read) << c.ini.toStdString();
        EXPECT_EQ(keysOf(read.problems), c.problemKeys) << read.problems.join('\n').toStdString();
    }
}

// Keys to the keysyms grabbed (and the key's other keysym), and to the text the program shows.
TEST(SettingsTest, KeySequencesBecomeKeysymsAndModifiersAndReadInTheProgramsOwnOrder)
{
    const struct {
        const char* keys;
        std::optional<Shortcut> expected;
        const char* text;
    } cases[] = {
        {"F13", Shortcut{{0xffca, 0x1008ff81}, false, false, false, false}, "F13"},
        {"Meta+Ctrl+Shift+4", Shortcut{{0x34}, true, true, true, false}, "Ctrl+Shift+Super+4"},
        {"Shift+Print", Shortcut{{0xff61}, false, true, false, false}, "Shift+Print"},
        {"Alt+Meta+A", Shortcut{{0x61}, false, false, true, true}, "Alt+Super+A"},
        {"Ctrl+F35", Shortcut{{0xffe0}, true, false, false, false}, "Ctrl+F35"},
        {"Ctrl+K, Ctrl+C", std::nullopt, nullptr},
        {"", std::nullopt, ""},
    };
    for (const auto& c : cases) {
        const QKeySequence keys = QKeySequence::fromString(QLatin1String(c.keys), QKeySequence::PortableText);
        EXPECT_EQ(shortcutFromKeys(keys), c.expected) << c.keys;
        EXPECT_EQ(c.text ? shortcutText(keys) : QString(), QLatin1String(c.text)) << c.keys;
    }
}

// The program's path in the start-at-login entry, quoted as desktop entries require.
TEST(SettingsTest, TheAutostartEntryQuotesTheProgram)
{
    const std::pair<const char*, const char*> cases[] = {
        {"corvane", "Exec=corvane\n"},
        {"/opt/my apps/corvane", "Exec=\"/opt/my apps/corvane\"\n"},
        {"/opt/100%$/cor\"vane", "Exec=\"/opt/100%%\\\\$/cor\\\\\"vane\"\n"},
    };
    for (const auto& [program, line] : cases)
        EXPECT_TRUE(Autostart::entry(QString::fromUtf8(program)).contains(line)) << program;
}

} // namespace
} // namespace corvane
