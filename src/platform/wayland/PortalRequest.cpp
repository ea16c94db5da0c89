// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/PortalRequest.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QEventLoop>
#include <QTimer>
#include <memory>
#include <optional>
#include <utility>

namespace corvane::wayland {
namespace {

const QString requestInterface = QStringLiteral("org.freedesktop.portal.Request");

QString nextToken()
{
    static unsigned counter = 0;
    return QStringLiteral("corvane%1").arg(++counter);
}

} // namespace

PortalRequest::PortalRequest(const QDBusConnection& bus, Done done)
    : m_bus(bus)
    , m_done(std::move(done))
    , m_limit(new QTimer(this))
{
    m_limit->setSingleShot(true);
}

QString PortalRequest::requestPath(const QDBusConnection& bus, const QString& token)
{
    QString sender = bus.baseService();
    sender.remove(0, sender.startsWith(QLatin1Char(':')) ? 1 : 0);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}

bool PortalRequest::listenOn(const QString& path)
{
    if (!m_path.isEmpty())
        m_bus.disconnect(portalService, m_path, requestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
    m_path = path;
    return m_bus.connect(portalService, m_path, requestInterface, QStringLiteral("Response"), this,
                         SLOT(onResponse(uint, QVariantMap)));
}

void PortalRequest::start(const QDBusConnection& bus, const QString& interface, const QString& method,
                          const QVariantList& arguments, QVariantMap options, std::chrono::milliseconds limit,
                          Done done)
{
    // Without these, connecting to the Response signal fails without a word.
    qRegisterMetaType<QDBusObjectPath>();
    qRegisterMetaType<QVariantMap>();
    auto* request = new PortalRequest(bus, std::move(done));
    if (!bus.isConnected()) {
        QTimer::singleShot(0, request, [request] { request->finish({}); });
        return;
    }
    const QString token = nextToken();
    if (!request->listenOn(requestPath(bus, token))) {
        QTimer::singleShot(0, request, [request] { request->finish({}); });
        return;
    }
    options.insert(QStringLiteral("handle_token"), token);
    QDBusMessage call = QDBusMessage::createMethodCall(portalService, portalPath, interface, method);
    call.setArguments(QVariantList(arguments) << options);
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, int(limit.count())), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request,
            [request](QDBusPendingCallWatcher* pending) {
                pending->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *pending;
                if (reply.isError()) {
                    request->finish({});
                    return;
                }
                // Portals older than the handle token choose their own path; an answer on it cannot have
                // come yet, because it is sent after this reply.
                const QString path = reply.value().path();
                if (path != request->m_path && !request->listenOn(path))
                    request->finish({});
            });
    connect(request->m_limit, &QTimer::timeout, request, [request] {
        QDBusMessage close = QDBusMessage::createMethodCall(portalService, request->m_path, requestInterface,
                                                            QStringLiteral("Close"));
        request->m_bus.call(close, QDBus::NoBlock);
        request->finish({});
    });
    request->m_limit->start(limit);
}

PortalAnswer PortalRequest::wait(const QDBusConnection& bus, const QString& interface, const QString& method,
                                 const QVariantList& arguments, const QVariantMap& options,
                                 std::chrono::milliseconds limit)
{
    // Shared with the callback: a quit of the whole application ends the local loop early, and the
    // answer may still arrive after this function has returned.
    struct Waiting {
        QEventLoop loop;
        std::optional<PortalAnswer> answer;
    };
    auto waiting = std::make_shared<Waiting>();
    start(bus, interface, method, arguments, options, limit, [waiting](const PortalAnswer& given) {
        waiting->answer = given;
        waiting->loop.quit();
    });
    if (!waiting->answer)
        waiting->loop.exec(QEventLoop::ExcludeUserInputEvents);
    return waiting->answer.value_or(PortalAnswer{});
}

void PortalRequest::onResponse(uint response, const QVariantMap& results)
{
    finish({response, results});
}

void PortalRequest::finish(const PortalAnswer& answer)
{
    if (m_finished)
        return;
    m_finished = true;
    m_limit->stop();
    m_bus.disconnect(portalService, m_path, requestInterface, QStringLiteral("Response"), this,
                     SLOT(onResponse(uint, QVariantMap)));
    Done done = std::exchange(m_done, nullptr);
    deleteLater();
    if (done)
        done(answer);
}

} // namespace corvane::wayland
