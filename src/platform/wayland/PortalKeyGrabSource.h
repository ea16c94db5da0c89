// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "seams/KeyGrabSource.h"

#include <QDBusConnection>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>
#include <vector>

namespace corvane::wayland {

// System-wide shortcuts through the desktop's GlobalShortcuts portal (KDE Plasma, GNOME 48 and later).
// The program only proposes the keys: the desktop binds them (and may ask the user once), and reports
// each press as Activated on the session. Shortcuts granted in one turn of the event loop go to the
// portal together, in one session.
class PortalKeyGrabSource final : public QObject, public KeyGrabSource {
    Q_OBJECT
public:
    explicit PortalKeyGrabSource(QDBusConnection bus = QDBusConnection::sessionBus());
    ~PortalKeyGrabSource() override;

    // Whether the desktop's portal offers GlobalShortcuts (asked once, with a short bound).
    static bool offered(const QDBusConnection& bus);

    void setPressHandler(PressHandler handler) override;
    bool grab(const Shortcut& shortcut, std::uint32_t id) override;
    void ungrabAll() override;

private slots:
    void onActivated(const QDBusObjectPath& session, const QString& id, qulonglong timestamp,
                     const QVariantMap& options);

private:
    struct Entry {
        std::uint32_t number;
        QString id;
        QString description;
        QString trigger;
    };

    void createSession();
    QVariant shortcutList() const;

    QDBusConnection m_bus;
    PressHandler m_handler;
    std::vector<Entry> m_entries;
    bool m_scheduled = false;
    QString m_session;
};

// The portal's preferred_trigger for a shortcut ("CTRL+SHIFT+LOGO+4", "F13"), from its first keysym.
QString preferredTrigger(const Shortcut& shortcut);

} // namespace corvane::wayland
