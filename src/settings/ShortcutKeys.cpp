// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/ShortcutKeys.h"

#include <QChar>
#include <array>
#include <utility>

namespace corvane {

namespace {

constexpr std::uint32_t keysymF1 = 0xffbe;
constexpr std::uint32_t keysymF13 = 0xffca;
constexpr std::uint32_t keysymXF86Tools = 0x1008ff81;

// Keys outside Latin-1 and the function keys, with the keysyms X11 and XKB give them.
constexpr std::array<std::pair<Qt::Key, std::uint32_t>, 21> namedKeys{{
    {Qt::Key_Escape, 0xff1b},    {Qt::Key_Tab, 0xff09},      {Qt::Key_Backspace, 0xff08},
    {Qt::Key_Return, 0xff0d},    {Qt::Key_Enter, 0xff8d},    {Qt::Key_Insert, 0xff63},
    {Qt::Key_Delete, 0xffff},    {Qt::Key_Pause, 0xff13},    {Qt::Key_Print, 0xff61},
    {Qt::Key_SysReq, 0xff15},    {Qt::Key_Home, 0xff50},     {Qt::Key_End, 0xff57},
    {Qt::Key_Left, 0xff51},      {Qt::Key_Up, 0xff52},       {Qt::Key_Right, 0xff53},
    {Qt::Key_Down, 0xff54},      {Qt::Key_PageUp, 0xff55},   {Qt::Key_PageDown, 0xff56},
    {Qt::Key_Menu, 0xff67},      {Qt::Key_ScrollLock, 0xff14}, {Qt::Key_Tools, keysymXF86Tools},
}};

std::optional<std::uint32_t> keysymOf(Qt::Key key)
{
    // Printable Latin-1 keys are their own keysyms; letters are taken in lower case, the symbol on
    // the key's first level.
    if ((key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) || (key >= Qt::Key_nobreakspace && key <= Qt::Key_ydiaeresis))
        return QChar(char16_t(key)).toLower().unicode();
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return keysymF1 + static_cast<std::uint32_t>(key - Qt::Key_F1);
    for (const auto& [named, keysym] : namedKeys) {
        if (named == key)
            return keysym;
    }
    return std::nullopt;
}

} // namespace

std::optional<Shortcut> shortcutFromKeys(const QKeySequence& keys)
{
    if (keys.count() != 1)
        return std::nullopt;
    const QKeyCombination combination = keys[0];
    const auto keysym = keysymOf(combination.key());
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    constexpr Qt::KeyboardModifiers known =
        Qt::ControlModifier | Qt::ShiftModifier | Qt::MetaModifier | Qt::AltModifier | Qt::KeypadModifier;
    if (!keysym || (modifiers & ~known))
        return std::nullopt;
    Shortcut shortcut;
    shortcut.keysyms = {*keysym};
    if (*keysym == keysymF13)
        shortcut.keysyms.push_back(keysymXF86Tools);
    shortcut.control = modifiers.testFlag(Qt::ControlModifier);
    shortcut.shift = modifiers.testFlag(Qt::ShiftModifier);
    shortcut.super = modifiers.testFlag(Qt::MetaModifier);
    shortcut.alt = modifiers.testFlag(Qt::AltModifier);
    return shortcut;
}

QString shortcutText(const QKeySequence& keys)
{
    if (keys.isEmpty())
        return {};
    // In the order the program's own texts use ("Ctrl+Shift+Super+4"), whatever order Qt prefers.
    const QKeyCombination combination = keys[0];
    const Qt::KeyboardModifiers modifiers = combination.keyboardModifiers();
    QString text;
    if (modifiers & Qt::ControlModifier)
        text += QStringLiteral("Ctrl+");
    if (modifiers & Qt::AltModifier)
        text += QStringLiteral("Alt+");
    if (modifiers & Qt::ShiftModifier)
        text += QStringLiteral("Shift+");
    if (modifiers & Qt::MetaModifier)
        text += QStringLiteral("Super+");
    return text + QKeySequence(combination.key()).toString(QKeySequence::PortableText);
}

} // namespace corvane
