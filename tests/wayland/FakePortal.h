// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QDBusVirtualObject>
#include <QStringList>

namespace corvane::testing {

// A stand-in for xdg-desktop-portal on a private session bus: org.freedesktop.portal.Desktop with a
// Screenshot interface that answers as told, and optionally a GlobalShortcuts interface. Answers
// come, as from the real portal, as a Response signal on the request path after the method returns.
class FakePortal : public QDBusVirtualObject {
public:
    // What Screenshot answers: the response code and the uri; `silent` never answers at all.
    uint screenshotResponse = 2;
    QString screenshotUri;
    bool silent = false;
    int screenshotCalls = 0;

    // What CreateSession received (each shortcut as "id=preferred trigger"), and the session it made.
    QStringList sessionShortcuts;
    QString sessionPath;
    int bindCalls = 0;

    // Takes the portal's name on `bus`; false when that fails.
    bool publish(QDBusConnection bus, bool withGlobalShortcuts);
    // Sends Activated for `id` on the session made last.
    void activate(const QString& id);

    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    void answerLater(const QDBusMessage& call, const QVariantMap& options, uint response,
                     const QVariantMap& results);

    QDBusConnection m_bus{QString()};
    bool m_withShortcuts = false;
};

} // namespace corvane::testing
