// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/Settings.h"

#include "settings/ShortcutKeys.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <functional>
#include <optional>
#include <vector>

namespace corvane {

namespace {

// Why a value cannot be used, or nothing when it was taken.
using Problem = std::optional<QString>;
using Parse = std::function<Problem(const QVariant& value, Settings& settings, const QString& home)>;

struct Key {
    QString name;
    Parse parse;
    // The value as written for SETTINGS; a key is written when this differs from the defaults'.
    std::function<QString(const Settings& settings, const QString& home)> write;
};

QString quoted(const QVariant& value)
{
    QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(QStringLiteral(", "))
                                                              : value.toString();
    if (text.size() > 40)
        text = text.left(40) + QStringLiteral("…");
    return QLatin1Char('"') + text + QLatin1Char('"');
}

// The value as text. A value with an unquoted comma reads as a list, which for free text means the
// commas were meant. Bytes that are not UTF-8 (U+FFFD after decoding) or a NUL make it no text at all.
std::optional<QString> text(const QVariant& value)
{
    QString result;
    if (value.typeId() == QMetaType::QString)
        result = value.toString();
    else if (value.typeId() == QMetaType::QStringList)
        result = value.toStringList().join(QStringLiteral(", "));
    else
        return std::nullopt;
    if (result.contains(QChar::ReplacementCharacter) || result.contains(QChar(0)))
        return std::nullopt;
    return result;
}

// One of NAMES (compared without case), as its index.
std::optional<int> choice(const QVariant& value, const QStringList& names)
{
    const auto word = text(value);
    if (!word)
        return std::nullopt;
    const auto found = names.indexOf(word->trimmed().toLower());
    return found < 0 ? std::nullopt : std::optional<int>(int(found));
}

std::optional<bool> boolean(const QVariant& value)
{
    if (value.typeId() == QMetaType::Bool)
        return value.toBool();
    const auto index = choice(value, {QStringLiteral("false"), QStringLiteral("true")});
    if (!index)
        return std::nullopt;
    return *index == 1;
}

const QStringList& formatNames()
{
    static const QStringList names{QStringLiteral("png"), QStringLiteral("jpeg"), QStringLiteral("webp")};
    return names;
}

const QStringList& afterNames()
{
    static const QStringList names{QStringLiteral("menu"), QStringLiteral("copy"), QStringLiteral("save"),
                                   QStringLiteral("editor"), QStringLiteral("pin")};
    return names;
}

Problem parseFolder(const QVariant& value, Settings& settings, const QString& home)
{
    auto path = text(value);
    if (!path)
        return QStringLiteral("%1 is not a folder path").arg(quoted(value));
    if (path->isEmpty()) {
        settings.save.folder.clear();
        return std::nullopt;
    }
    if (*path == QLatin1String("~") || path->startsWith(QLatin1String("~/")))
        *path = home + path->mid(1);
    if (!QDir::isAbsolutePath(*path))
        return QStringLiteral("%1 is not an absolute path").arg(quoted(value));
    const QFileInfo info(*path);
    if (info.exists() && !info.isDir())
        return QStringLiteral("%1 is a file, not a folder").arg(quoted(value));
    settings.save.folder = QDir::cleanPath(*path);
    return std::nullopt;
}

Problem parsePattern(const QVariant& value, Settings& settings, const QString&)
{
    const auto pattern = text(value);
    if (!pattern)
        return QStringLiteral("%1 is not text").arg(quoted(value));
    settings.save.pattern = *pattern;
    return std::nullopt;
}

Problem parseFormat(const QVariant& value, Settings& settings, const QString&)
{
    const auto index = choice(value, formatNames());
    if (!index)
        return QStringLiteral("%1 is not png, jpeg or webp").arg(quoted(value));
    const auto format = static_cast<QuickSaveFormat>(*index);
    if (!quickSaveFormatAvailable(format))
        return QStringLiteral("%1 cannot be written: Qt's image plugin for it is not installed").arg(quoted(value));
    settings.save.format = format;
    return std::nullopt;
}

Problem parseQuality(const QVariant& value, Settings& settings, const QString&)
{
    const auto number = text(value);
    bool ok = false;
    const int quality = number ? number->trimmed().toInt(&ok) : 0;
    if (!ok || quality < 1 || quality > 100)
        return QStringLiteral("%1 is not a whole number from 1 to 100").arg(quoted(value));
    settings.save.jpegQuality = quality;
    return std::nullopt;
}

Problem parseAfter(const QVariant& value, Settings& settings, const QString&)
{
    const auto index = choice(value, afterNames());
    if (!index)
        return QStringLiteral("%1 is not menu, copy, save, editor or pin").arg(quoted(value));
    settings.after = static_cast<AfterCapture>(*index);
    return std::nullopt;
}

Parse parseShortcut(HotKeyID id)
{
    return [id](const QVariant& value, Settings& settings, const QString&) -> Problem {
        const auto keys = text(value);
        if (!keys)
            return QStringLiteral("%1 is not a key sequence").arg(quoted(value));
        if (keys->trimmed().isEmpty()) {
            settings.shortcuts[id] = QKeySequence();
            return std::nullopt;
        }
        const QKeySequence sequence = QKeySequence::fromString(keys->trimmed(), QKeySequence::PortableText);
        if (!shortcutFromKeys(sequence))
            return QStringLiteral("%1 is not one key with Ctrl, Shift, Alt or Meta").arg(quoted(value));
        settings.shortcuts[id] = sequence;
        return std::nullopt;
    };
}

Parse parseFlag(bool Settings::*flag)
{
    return [flag](const QVariant& value, Settings& settings, const QString&) -> Problem {
        const auto on = boolean(value);
        if (!on)
            return QStringLiteral("%1 is not true or false").arg(quoted(value));
        settings.*flag = *on;
        return std::nullopt;
    };
}

QString foldedHome(const QString& path, const QString& home)
{
    if (!home.isEmpty() && path.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + path.mid(home.size());
    return path;
}

QString shortcutValue(const Settings& s, HotKeyID id)
{
    const auto keys = s.shortcuts.find(id);
    return keys == s.shortcuts.end() ? QString() : keys->second.toString(QKeySequence::PortableText);
}

QString flagValue(bool on)
{
    return on ? QStringLiteral("true") : QStringLiteral("false");
}

// Every key the file may hold, in the order they are written.
const std::vector<Key>& keys()
{
    static const std::vector<Key> table = [] {
        std::vector<Key> list{
            {QStringLiteral("save/folder"), parseFolder,
             [](const Settings& s, const QString& home) { return foldedHome(s.save.folder, home); }},
            {QStringLiteral("save/pattern"), parsePattern, [](const Settings& s, const QString&) { return s.save.pattern; }},
            {QStringLiteral("save/format"), parseFormat,
             [](const Settings& s, const QString&) { return quickSaveFormatName(s.save.format); }},
            {QStringLiteral("save/jpegQuality"), parseQuality,
             [](const Settings& s, const QString&) { return QString::number(s.save.jpegQuality); }},
            {QStringLiteral("capture/after"), parseAfter,
             [](const Settings& s, const QString&) { return afterCaptureName(s.after); }},
        };
        for (const HotKeyEntry& entry : hotKeyTable) {
            const HotKeyID id = entry.id;
            list.push_back({QLatin1String(entry.settingsKey), parseShortcut(id),
                            [id](const Settings& s, const QString&) { return shortcutValue(s, id); }});
        }
        list.push_back({QStringLiteral("general/startAtLogin"), parseFlag(&Settings::startAtLogin),
                        [](const Settings& s, const QString&) { return flagValue(s.startAtLogin); }});
        list.push_back({QStringLiteral("general/toasts"), parseFlag(&Settings::toasts),
                        [](const Settings& s, const QString&) { return flagValue(s.toasts); }});
        return list;
    }();
    return table;
}

} // namespace

Settings defaultSettings()
{
    Settings settings;
    for (const HotKeyEntry& entry : hotKeyTable)
        settings.shortcuts[entry.id] =
            QKeySequence::fromString(QLatin1String(entry.defaultKeys), QKeySequence::PortableText);
    return settings;
}

QString afterCaptureName(AfterCapture after)
{
    return afterNames().at(static_cast<int>(after));
}

QString quickSaveFormatName(QuickSaveFormat format)
{
    return formatNames().at(static_cast<int>(format));
}

SettingsRead settingsFromIni(const QByteArray& ini, const QString& home)
{
    SettingsRead read{defaultSettings(), {}};
    // QSettings reads files only; a private copy also keeps its per-path cache out of the way when
    // the real file is replaced within one clock tick.
    QTemporaryFile copy;
    if (!copy.open() || copy.write(ini) != ini.size() || !copy.flush()) {
        read.problems << QStringLiteral("the file could not be read; the defaults apply");
        return read;
    }
    QSettings file(copy.fileName(), QSettings::IniFormat);
    for (QString name : file.allKeys()) {
        const QVariant value = file.value(name);
        // "[General]" is QSettings' name for keys outside any section, and it matches without case,
        // so a hand-written "[general]" section arrives as keys of their own.
        if (!name.contains(QLatin1Char('/')))
            name = QStringLiteral("general/") + name;
        const auto key = std::find_if(keys().begin(), keys().end(),
                                      [&](const Key& k) { return k.name.compare(name, Qt::CaseInsensitive) == 0; });
        if (key == keys().end()) {
            // A key made of garbage bytes would put them on the terminal.
            for (QChar& c : name) {
                if (!c.isPrint())
                    c = QLatin1Char('?');
            }
            read.problems << QStringLiteral("%1: unknown key; ignored").arg(name);
            continue;
        }
        if (const Problem problem = key->parse(value, read.settings, home))
            read.problems << QStringLiteral("%1: %2; the default applies").arg(key->name, *problem);
    }
    if (file.status() == QSettings::FormatError && read.problems.isEmpty())
        read.problems << QStringLiteral("the file is not in INI form; the defaults apply where it could not be read");
    return read;
}

QByteArray iniFromSettings(const Settings& settings, const QString& home)
{
    QTemporaryDir folder;
    if (!folder.isValid())
        return {};
    const QString path = folder.filePath(QStringLiteral("corvane.conf"));
    {
        QSettings file(path, QSettings::IniFormat);
        const Settings defaults = defaultSettings();
        for (const Key& key : keys()) {
            const QString value = key.write(settings, home);
            if (value != key.write(defaults, home))
                file.setValue(key.name, value);
        }
        file.sync();
    }
    QFile written(path);
    if (!written.open(QIODevice::ReadOnly))
        return {};
    // QSettings writes the section "general" as "[%General]" to keep it apart from its own top-level
    // section; the file reads as people write it, and "[general]" comes back the same way (above).
    return written.readAll().replace("[%General]\n", "[general]\n");
}

} // namespace corvane
