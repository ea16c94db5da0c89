// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <variant>

namespace corvane {

namespace {

struct Switch {
    const char* name;
    const char* value; // nullptr for a switch without one
    const char* description;
};

// The one list the parser and the usage text are both made from.
constexpr Switch switches[] = {
    {"capture-region", nullptr, "select a region in the overlay (in the running Corvane, or start one)"},
    {"capture-window", nullptr, "pick a window in the overlay (X11; Tab switches to a region)"},
    {"capture-screen", nullptr, "take the monitor under the pointer"},
    {"all", nullptr, "with --capture-screen: every monitor on one picture"},
    {"delay", "SECONDS", "wait 0 to 60 seconds (fractions allowed) before the capture"},
    {"output", "PATH", "write the capture to PATH (PNG, JPEG or TIFF by suffix; - for PNG on stdout)"},
    {"force", nullptr, "with --output: replace an existing file"},
    {"clipboard", nullptr, "copy the capture to the clipboard instead of showing the destination menu"},
    {"open", "FILE", "open a picture in the editor"},
    {"selftest", "[FILE]", "check the editor on a synthetic picture, write FILE (selftest.png), exit"},
    {"uitest", "[DIR]", "render the editor and the overlay into DIR (./uitest), exit"},
    {"help", nullptr, "print this help and exit (also -h)"},
    {"version", nullptr, "print the version and exit"},
};

// Switches whose value is optional today: as the last word they take none, which the parser cannot
// express, so the parser is given an empty one there (chooseLaunchMode sees the words as typed).
bool takesOptionalValue(const QString& word)
{
    return word == QLatin1String("--selftest") || word == QLatin1String("--uitest") ||
           word == QLatin1String("--open");
}

// The unknown names the user typed with two dashes; single-dash ones are Qt's (-platform, -style).
QStringList unknownLongSwitches(const QCommandLineParser& parser, const QStringList& arguments)
{
    QStringList unknown;
    for (const QString& name : parser.unknownOptionNames()) {
        const QString typed = QStringLiteral("--") + name;
        for (const QString& word : arguments) {
            if (word == typed || word.startsWith(typed + QLatin1Char('='))) {
                unknown.append(typed);
                break;
            }
        }
    }
    return unknown;
}

CommandLine rejected(const QString& error)
{
    CommandLine line;
    line.action = CommandLine::Action::reject;
    line.error = error;
    return line;
}

bool isCapture(Trigger trigger)
{
    switch (trigger) {
    case Trigger::captureRegion:
    case Trigger::captureScreen:
    case Trigger::captureWindow:
        return true;
    case Trigger::none:
    case Trigger::open:
        return false;
    }
    return false;
}

// The capture options, or the reason they do not make sense together.
std::variant<CaptureOptions, QString> captureOptions(const QCommandLineParser& parser, Trigger trigger)
{
    CaptureOptions options;
    for (const char* name : {"output", "clipboard", "delay", "all"}) {
        if (parser.isSet(QLatin1String(name)) && !isCapture(trigger))
            return QStringLiteral("--%1 needs --capture-region, --capture-window or --capture-screen")
                .arg(QLatin1String(name));
    }
    if (parser.isSet(QStringLiteral("all")) && trigger != Trigger::captureScreen)
        return QStringLiteral("--all goes with --capture-screen");
    if (parser.isSet(QStringLiteral("force")) && !parser.isSet(QStringLiteral("output")))
        return QStringLiteral("--force goes with --output");
    if (parser.isSet(QStringLiteral("output")) && parser.isSet(QStringLiteral("clipboard")))
        return QStringLiteral("--output and --clipboard cannot be used together");
    if (parser.isSet(QStringLiteral("delay"))) {
        const QString text = parser.value(QStringLiteral("delay"));
        bool ok = false;
        options.delaySeconds = text.toDouble(&ok);
        if (!ok || !(options.delaySeconds >= 0 && options.delaySeconds <= 60))
            return QStringLiteral("--delay takes seconds from 0 to 60, not \"%1\"").arg(text);
    }
    options.allScreens = parser.isSet(QStringLiteral("all"));
    options.force = parser.isSet(QStringLiteral("force"));
    if (parser.isSet(QStringLiteral("clipboard")))
        options.destination = CaptureOptions::Destination::clipboard;
    if (parser.isSet(QStringLiteral("output"))) {
        options.path = parser.value(QStringLiteral("output"));
        if (options.path.isEmpty())
            return QStringLiteral("--output needs a file name, or - for standard output");
        options.destination = options.path == QLatin1String("-") ? CaptureOptions::Destination::standardOutput
                                                                 : CaptureOptions::Destination::file;
    }
    return options;
}

} // namespace

CommandLine parseCommandLine(const QStringList& arguments)
{
    QCommandLineParser parser;
    // "-platform xcb" is one of Qt's options, not "-p -l -a ..."; it is left for Qt, and its value is a
    // plain word, which is ignored.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const Switch& s : switches) {
        QStringList names{QString::fromLatin1(s.name)};
        if (names.constFirst() == QLatin1String("help"))
            names.prepend(QStringLiteral("h"));
        QCommandLineOption option(names, QString::fromUtf8(s.description));
        if (s.value)
            option.setValueName(QString::fromLatin1(s.value));
        parser.addOption(option);
    }
    QStringList words = arguments;
    if (words.isEmpty())
        words.append(QStringLiteral("corvane"));
    else if (words.size() > 1 && takesOptionalValue(words.constLast()))
        words.append(QString());
    const bool parsed = parser.parse(words);
    if (const QStringList unknown = unknownLongSwitches(parser, words); !unknown.isEmpty())
        return rejected(QStringLiteral("unknown option %1").arg(unknown.constFirst()));
    if (!parsed && parser.unknownOptionNames().isEmpty())
        return rejected(parser.errorText());
    if (!parsed && !parser.errorText().startsWith(QLatin1String("Unknown option")))
        return rejected(parser.errorText());

    CommandLine line;
    line.mode = chooseLaunchMode(arguments);
    if (line.mode.kind != LaunchMode::Kind::normal)
        return line;
    if (parser.isSet(QStringLiteral("help"))) {
        line.action = CommandLine::Action::showHelp;
        return line;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        line.action = CommandLine::Action::showVersion;
        return line;
    }
    auto options = captureOptions(parser, line.mode.trigger);
    if (const QString* error = std::get_if<QString>(&options))
        return rejected(*error);
    line.capture = std::get<CaptureOptions>(options);
    return line;
}

QString usageText()
{
    QString text = QStringLiteral("Usage: corvane [--capture-region | --capture-window | --capture-screen [--all]]\n"
                                  "               [--delay SECONDS] [--output PATH [--force] | --clipboard]\n"
                                  "       corvane --open FILE | --selftest [FILE] | --uitest [DIR]\n\n");
    for (const Switch& s : switches) {
        QString left = QStringLiteral("  --") + QLatin1String(s.name);
        if (s.value)
            left += QLatin1Char(' ') + QLatin1String(s.value);
        text += left.leftJustified(22) + QLatin1Char(' ') + QString::fromUtf8(s.description) + QLatin1Char('\n');
    }
    text += QStringLiteral("\nWith --output or --clipboard the command waits for the capture and exits 0 when it is "
                           "done,\n1 when it was cancelled, 2 on an error.\n");
    return text;
}

QString versionText()
{
    return QStringLiteral("corvane %1\n").arg(QLatin1String(CORVANE_VERSION));
}

} // namespace corvane
