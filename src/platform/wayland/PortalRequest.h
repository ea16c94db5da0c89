// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <chrono>
#include <functional>

class QTimer;

namespace corvane::wayland {

inline const QString portalService = QStringLiteral("org.freedesktop.portal.Desktop");
inline const QString portalPath = QStringLiteral("/org/freedesktop/portal/desktop");

// What a portal request ended with. The portals answer 0 (granted), 1 (the user cancelled) or 2
// (refused, or failed); a call that fails or is never answered counts as 2 here.
struct PortalAnswer {
    uint response = 2;
    QVariantMap results;

    bool granted() const { return response == 0; }
};

// One call of a portal method that answers later, through the Response signal of a Request object
// whose path the caller can know in advance from its handle token. The signal is subscribed to before
// the call goes out, so a quick answer is never missed.
class PortalRequest : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const PortalAnswer&)>;

    // Calls `method` with `arguments` followed by `options` (given a fresh handle token). `done` runs
    // exactly once, always on a later turn of the event loop: with the portal's answer, or with 2 when
    // the call fails or nothing answers within `limit` (the request is then closed).
    static void start(const QDBusConnection& bus, const QString& interface, const QString& method,
                      const QVariantList& arguments, QVariantMap options, std::chrono::milliseconds limit,
                      Done done);
    // The same, waiting for the answer in a local event loop that holds user input back meanwhile.
    static PortalAnswer wait(const QDBusConnection& bus, const QString& interface, const QString& method,
                             const QVariantList& arguments, const QVariantMap& options,
                             std::chrono::milliseconds limit);

    // The Request path for a handle token: the portal builds it from our unique bus name.
    static QString requestPath(const QDBusConnection& bus, const QString& token);

private slots:
    void onResponse(uint response, const QVariantMap& results);

private:
    PortalRequest(const QDBusConnection& bus, Done done);
    bool listenOn(const QString& path);
    void finish(const PortalAnswer& answer);

    QDBusConnection m_bus;
    Done m_done;
    QString m_path;
    QTimer* m_limit;
    bool m_finished = false;
};

} // namespace corvane::wayland
