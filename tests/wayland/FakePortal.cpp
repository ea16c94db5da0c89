// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePortal.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QTimer>

namespace corvane::testing {

namespace {

const QString desktopPath = QStringLiteral("/org/freedesktop/portal/desktop");

// The caller's unique name as the portal puts it in request and session paths.
QString senderPart(const QDBusMessage& message)
{
    return message.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
}

QStringList shortcutsOf(const QVariantMap& options)
{
    QStringList shortcuts;
    const auto list = options.value(QStringLiteral("shortcuts")).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        QString id;
        QVariantMap properties;
        list.beginStructure();
        list >> id >> properties;
        list.endStructure();
        shortcuts << id + QLatin1Char('=') + properties.value(QStringLiteral("preferred_trigger")).toString();
    }
    list.endArray();
    return shortcuts;
}

} // namespace

bool FakePortal::publish(QDBusConnection bus, bool withGlobalShortcuts)
{
    m_bus = bus;
    m_withShortcuts = withGlobalShortcuts;
    return m_bus.registerVirtualObject(desktopPath, this) &&
           m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

bool FakePortal::handleMessage(const QDBusMessage& message, const QDBusConnection&)
{
    const QString member = message.member();
    const QVariantList arguments = message.arguments();
    if (member == QLatin1String("Screenshot")) {
        ++screenshotCalls;
        const QVariantMap options = qdbus_cast<QVariantMap>(arguments.value(1));
        if (silent)
            m_bus.send(message.createReply(QVariant::fromValue(QDBusObjectPath(desktopPath + "/request/silent"))));
        else
            answerLater(message, options, screenshotResponse,
                        screenshotUri.isEmpty() ? QVariantMap() : QVariantMap{{QStringLiteral("uri"), screenshotUri}});
    } else if (!m_withShortcuts) {
        return false;
    } else if (member == QLatin1String("Get")) { // GlobalShortcuts' version
        m_bus.send(message.createReply(QVariant::fromValue(QDBusVariant(1u))));
    } else if (member == QLatin1String("CreateSession")) {
        const QVariantMap options = qdbus_cast<QVariantMap>(arguments.value(0));
        sessionShortcuts = shortcutsOf(options);
        sessionPath = desktopPath + "/session/" + senderPart(message) + QLatin1Char('/') +
                      options.value(QStringLiteral("session_handle_token")).toString();
        answerLater(message, options, 0,
                    {{QStringLiteral("session_handle"), QVariant::fromValue(QDBusObjectPath(sessionPath))}});
    } else if (member == QLatin1String("BindShortcuts")) {
        ++bindCalls;
        // The handle token is among the last options; the answer carries nothing the program reads.
        answerLater(message, qdbus_cast<QVariantMap>(arguments.value(3)), 0, {});
    } else {
        return false;
    }
    return true;
}

void FakePortal::answerLater(const QDBusMessage& call, const QVariantMap& options, uint response,
                             const QVariantMap& results)
{
    const QString path = desktopPath + "/request/" + senderPart(call) + QLatin1Char('/') +
                         options.value(QStringLiteral("handle_token")).toString();
    m_bus.send(call.createReply(QVariant::fromValue(QDBusObjectPath(path))));
    QTimer::singleShot(0, this, [this, path, response, results] {
        QDBusMessage signal = QDBusMessage::createSignal(path, QStringLiteral("org.freedesktop.portal.Request"),
                                                         QStringLiteral("Response"));
        signal << response << results;
        m_bus.send(signal);
    });
}

void FakePortal::activate(const QString& id)
{
    QDBusMessage signal = QDBusMessage::createSignal(desktopPath, QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                     QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(sessionPath)) << id << qulonglong(0) << QVariantMap();
    m_bus.send(signal);
}

} // namespace corvane::testing
