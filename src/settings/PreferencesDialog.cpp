// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/PreferencesDialog.h"

#include "output/FileNamePattern.h"
#include "settings/ShortcutKeys.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeySequenceEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace corvane {

namespace {

const QString kPatternHelp = QStringLiteral(
    "%Y year, %m month, %d day, %H hour, %M minute, %S second, %y %I %p %j %a %A %b %B as strftime,\n"
    "%n a counter (the first number no file has yet), %{title} the window's title where known, %% a "
    "percent sign.\nEmpty: \"Screenshot 2026-12-05 at 22.29.09\". A file is never overwritten.");

QString shown(const QString& folder)
{
    const QString home = QDir::homePath();
    if (folder.startsWith(home + QLatin1Char('/')))
        return QStringLiteral("~") + folder.mid(home.size());
    return folder;
}

} // namespace

PreferencesDialog::PreferencesDialog(const Settings& settings, bool shortcutsFromDesktop, QWidget* parent)
    : QDialog(parent)
    , chooseFolder([](QWidget* owner, const QString& start) {
        return QFileDialog::getExistingDirectory(owner, QStringLiteral("Save Folder"), start);
    })
    , m_settings(settings)
{
    setWindowTitle(QStringLiteral("Corvane Preferences"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(buildSaveGroup());
    layout->addWidget(buildShortcutGroup(shortcutsFromDesktop));

    m_startAtLogin = new QCheckBox(QStringLiteral("Start Corvane when I log in"), this);
    connect(m_startAtLogin, &QCheckBox::toggled, this,
            [this](bool on) { change([on](Settings& s) { s.startAtLogin = on; }); });
    m_toasts = new QCheckBox(QStringLiteral("Show a message after copying or saving"), this);
    connect(m_toasts, &QCheckBox::toggled, this, [this](bool on) { change([on](Settings& s) { s.toasts = on; }); });
    layout->addWidget(m_startAtLogin);
    layout->addWidget(m_toasts);

    m_cannotKeep = new QLabel(this);
    m_cannotKeep->setWordWrap(true);
    m_cannotKeep->hide();
    layout->addWidget(m_cannotKeep);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::close);
    layout->addWidget(buttons);

    // The preview shows the name a save would get now.
    auto* clock = new QTimer(this);
    connect(clock, &QTimer::timeout, this, &PreferencesDialog::updatePreview);
    clock->start(1000);
    showSettings();
}

QWidget* PreferencesDialog::buildSaveGroup()
{
    auto* group = new QGroupBox(QStringLiteral("Captures"), this);
    auto* form = new QFormLayout(group);
    form->addRow(QStringLiteral("Save folder:"), buildFolderRow(group));

    m_pattern = new QLineEdit(group);
    m_pattern->setPlaceholderText(QStringLiteral("Screenshot %Y-%m-%d at %H.%M.%S"));
    m_pattern->setToolTip(kPatternHelp);
    connect(m_pattern, &QLineEdit::textEdited, this,
            [this](const QString& text) { change([text](Settings& s) { s.save.pattern = text; }); });
    form->addRow(QStringLiteral("File name:"), m_pattern);
    m_preview = new QLabel(group);
    m_preview->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_preview->setToolTip(kPatternHelp);
    form->addRow(QString(), m_preview);

    form->addRow(QStringLiteral("Format:"), buildFormatRow(group));

    m_after = new QComboBox(group);
    connect(m_after, &QComboBox::activated, this, [this] {
        const auto after = static_cast<AfterCapture>(m_after->currentData().toInt());
        change([after](Settings& s) { s.after = after; });
    });
    form->addRow(QStringLiteral("After a capture:"), m_after);
    return group;
}

QLayout* PreferencesDialog::buildFolderRow(QWidget* group)
{
    m_folder = new QLineEdit(group);
    m_folder->setPlaceholderText(shown(quickSaveFolder(QuickSave())));
    auto* choose = new QPushButton(QStringLiteral("Choose…"), group);
    auto* row = new QHBoxLayout;
    row->addWidget(m_folder, 1);
    row->addWidget(choose);
    connect(m_folder, &QLineEdit::editingFinished, this, [this] {
        QString path = m_folder->text().trimmed();
        if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
            path = QDir::homePath() + path.mid(1);
        // A folder is either a full path or the default; anything else is put back.
        if (!path.isEmpty() && (!QDir::isAbsolutePath(path) || (QFileInfo::exists(path) && !QFileInfo(path).isDir()))) {
            showSettings();
            return;
        }
        change([path](Settings& s) { s.save.folder = path.isEmpty() ? QString() : QDir::cleanPath(path); });
    });
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString picked = chooseFolder(this, quickSaveFolder(m_settings.save));
        if (!picked.isEmpty())
            change([picked](Settings& s) { s.save.folder = QDir::cleanPath(picked); });
    });
    return row;
}

QLayout* PreferencesDialog::buildFormatRow(QWidget* group)
{
    m_format = new QComboBox(group);
    m_format->addItem(QStringLiteral("PNG"), int(QuickSaveFormat::png));
    m_format->addItem(QStringLiteral("JPEG"), int(QuickSaveFormat::jpeg));
    if (quickSaveFormatAvailable(QuickSaveFormat::webp))
        m_format->addItem(QStringLiteral("WebP"), int(QuickSaveFormat::webp));
    m_quality = new QSpinBox(group);
    m_quality->setRange(1, 100);
    m_quality->setPrefix(QStringLiteral("Quality "));
    auto* row = new QHBoxLayout;
    row->addWidget(m_format);
    row->addWidget(m_quality);
    row->addStretch(1);
    connect(m_format, &QComboBox::activated, this, [this] {
        const auto format = static_cast<QuickSaveFormat>(m_format->currentData().toInt());
        change([format](Settings& s) { s.save.format = format; });
    });
    connect(m_quality, &QSpinBox::valueChanged, this,
            [this](int quality) { change([quality](Settings& s) { s.save.jpegQuality = quality; }); });
    return row;
}

QWidget* PreferencesDialog::buildShortcutGroup(bool shortcutsFromDesktop)
{
    auto* group = new QGroupBox(QStringLiteral("Shortcuts"), this);
    auto* grid = new QGridLayout(group);
    int row = 0;
    for (const HotKeyEntry& entry : hotKeyTable) {
        const HotKeyID id = entry.id;
        auto* keys = new QKeySequenceEdit(group);
        auto* offer = new QToolButton(group);
        offer->setText(QStringLiteral("…"));
        offer->setToolTip(QStringLiteral("Keys a keyboard cannot type into the field"));
        offer->setPopupMode(QToolButton::InstantPopup);
        auto* menu = new QMenu(offer);
        const auto bind = [this, id](const QKeySequence& sequence) {
            change([id, sequence](Settings& s) { s.shortcuts[id] = sequence; });
        };
        for (const char* choice : {"Print", "Shift+Print"}) {
            const QKeySequence sequence(QString::fromLatin1(choice));
            menu->addAction(QString::fromLatin1(choice), this, [bind, sequence] { bind(sequence); });
        }
        const QKeySequence standard(QString::fromLatin1(entry.defaultKeys));
        menu->addAction(QStringLiteral("Default (%1)").arg(shortcutText(standard)), this,
                        [bind, standard] { bind(standard); });
        menu->addAction(QStringLiteral("None"), this, [bind] { bind(QKeySequence()); });
        offer->setMenu(menu);
        // A global shortcut is one key with its modifiers: a chord is cut to its first key.
        // Leaving the field hands the keys back to the owner to grab, so a taken key shows at once.
        connect(keys, &QKeySequenceEdit::editingFinished, this, [keys, bind] {
            const QKeySequence typed = keys->keySequence();
            bind(typed.isEmpty() ? QKeySequence() : QKeySequence(typed[0]));
            keys->clearFocus();
        });
        auto* state = new QLabel(group);
        grid->addWidget(new QLabel(QString::fromLatin1(entry.label) + QLatin1Char(':'), group), row, 0);
        grid->addWidget(keys, row, 1);
        grid->addWidget(offer, row, 2);
        grid->addWidget(state, row, 3);
        m_keys[id] = keys;
        m_keyStates[id] = state;
        keys->installEventFilter(this);
        if (shortcutsFromDesktop) {
            keys->setEnabled(false);
            offer->setEnabled(false);
        }
        ++row;
    }
    if (shortcutsFromDesktop) {
        auto* where = new QLabel(
            QStringLiteral("On Wayland the desktop sets these: in its keyboard shortcut settings (GNOME: "
                           "Settings, Keyboard; KDE: System Settings, Shortcuts), or bind a key to "
                           "`corvane --capture-region` and `corvane --capture-screen`."),
            group);
        where->setWordWrap(true);
        grid->addWidget(where, row, 0, 1, 4);
    }
    grid->setColumnStretch(1, 1);
    return group;
}

bool PreferencesDialog::eventFilter(QObject* watched, QEvent* event)
{
    const bool keyField = qobject_cast<QKeySequenceEdit*>(watched) != nullptr;
    if (keyField && event->type() == QEvent::FocusIn)
        emit recordingKeys(true);
    else if (keyField && event->type() == QEvent::FocusOut)
        emit recordingKeys(false);
    return QDialog::eventFilter(watched, event);
}

void PreferencesDialog::setSettings(const Settings& settings)
{
    m_settings = settings;
    showSettings();
}

void PreferencesDialog::showSettings()
{
    m_showing = true;
    // Setting a field's text moves its cursor to the end: only text that differs is put back.
    const QString folder = m_settings.save.folder.isEmpty() ? QString() : shown(m_settings.save.folder);
    if (m_folder->text() != folder)
        m_folder->setText(folder);
    if (m_pattern->text() != m_settings.save.pattern)
        m_pattern->setText(m_settings.save.pattern);
    m_format->setCurrentIndex(std::max(0, m_format->findData(int(m_settings.save.format))));
    m_quality->setValue(m_settings.save.jpegQuality);
    m_quality->setEnabled(m_settings.save.format == QuickSaveFormat::jpeg);
    m_after->clear();
    m_after->addItem(QStringLiteral("Show the destination menu"), int(AfterCapture::menu));
    m_after->addItem(QStringLiteral("Copy to Clipboard"), int(AfterCapture::copy));
    m_after->addItem(quickSaveTitle(m_settings.save), int(AfterCapture::save));
    m_after->addItem(QStringLiteral("Open in Editor"), int(AfterCapture::editor));
    m_after->addItem(QStringLiteral("Pin to the Screen"), int(AfterCapture::pin));
    m_after->setCurrentIndex(m_after->findData(int(m_settings.after)));
    for (const auto& [id, field] : m_keys) {
        const auto keys = m_settings.shortcuts.find(id);
        field->setKeySequence(keys == m_settings.shortcuts.end() ? QKeySequence() : keys->second);
    }
    m_startAtLogin->setChecked(m_settings.startAtLogin);
    m_toasts->setChecked(m_settings.toasts);
    m_showing = false;
    updatePreview();
}

void PreferencesDialog::updatePreview()
{
    const QString name = FileNamePattern::expand(m_settings.save.pattern, QDateTime::currentDateTime(), QString(), 1);
    m_preview->setText(QStringLiteral("%1.%2").arg(name, quickSaveSuffix(m_settings.save.format)));
}

void PreferencesDialog::change(const std::function<void(Settings&)>& edit)
{
    // Filling the fields from the settings is no edit of the user's.
    if (m_showing)
        return;
    Settings next = m_settings;
    edit(next);
    if (next == m_settings)
        return;
    m_settings = next;
    showSettings();
    emit edited(m_settings);
}

void PreferencesDialog::setShortcutStates(const std::map<HotKeyID, GrabState>& states)
{
    for (const auto& [id, label] : m_keyStates) {
        const auto state = states.find(id);
        QString text;
        switch (state == states.end() ? GrabState::unbound : state->second) {
        case GrabState::unbound:
        case GrabState::granted:
            break;
        case GrabState::taken:
            text = QStringLiteral("Taken: another program holds these keys");
            break;
        case GrabState::unavailable:
            text = QStringLiteral("Cannot be used as a shortcut");
            break;
        }
        label->setText(text);
        label->setStyleSheet(text.isEmpty() ? QString() : QStringLiteral("color: #FF3B30"));
    }
}

void PreferencesDialog::setCannotKeep(const QString& folder)
{
    m_cannotKeep->setText(QStringLiteral("These settings cannot be kept: %1 cannot be written. They last until "
                                         "Corvane quits.")
                              .arg(shown(folder)));
    m_cannotKeep->show();
}

} // namespace corvane
