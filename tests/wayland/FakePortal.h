// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

namespace corvane::testing {

// A stand-in for xdg-desktop-portal on a private session bus: org.freedesktop.portal.Desktop with a
// Screenshot interface that answers as told, and optionally a GlobalShortcuts interface. Answers
// come, as from the real portal, as a Response signal on the request path after the method returns.
class FakePortal : public QObject {
    Q_OBJECT
public:
    struct Shortcut {
        QString id;
        QVariantMap properties;
    };

    // What Screenshot answers: the response code and the uri; `silent` never answers at all.
    uint screenshotResponse = 2;
    QString screenshotUri;
    bool silent = false;
    int screenshotCalls = 0;

    // What CreateSession received, and the session path it made.
    QList<Shortcut> sessionShortcuts;
    QString sessionPath;
    int bindCalls = 0;

    // Takes the portal's name on `bus`; false when that fails.
    bool publish(QDBusConnection bus, bool withGlobalShortcuts);
    // Sends Activated for `id` on the session made last.
    void activate(const QString& id);

    QDBusObjectPath screenshot(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath createSession(const QVariantMap& options, const QDBusMessage& message);
    QDBusObjectPath bindShortcuts(const QDBusObjectPath& session, const QDBusMessage& message);

private:
    QDBusObjectPath answerLater(const QVariantMap& options, const QDBusMessage& message, uint response,
                                const QVariantMap& results);

    QDBusConnection m_bus{QString()};
};

void registerShortcutTypes();

} // namespace corvane::testing

Q_DECLARE_METATYPE(corvane::testing::FakePortal::Shortcut)
