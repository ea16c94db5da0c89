// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakePortal.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QTimer>

namespace corvane::testing {

QDBusArgument& operator<<(QDBusArgument& out, const FakePortal::Shortcut& shortcut)
{
    out.beginStructure();
    out << shortcut.id << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, FakePortal::Shortcut& shortcut)
{
    in.beginStructure();
    in >> shortcut.id >> shortcut.properties;
    in.endStructure();
    return in;
}

void registerShortcutTypes()
{
    qDBusRegisterMetaType<FakePortal::Shortcut>();
    qDBusRegisterMetaType<QList<FakePortal::Shortcut>>();
}

namespace {

class ScreenshotAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")
public:
    explicit ScreenshotAdaptor(FakePortal* portal)
        : QDBusAbstractAdaptor(portal)
        , m_portal(portal)
    {}

public slots:
    QDBusObjectPath Screenshot(const QString&, const QVariantMap& options, const QDBusMessage& message)
    {
        return m_portal->screenshot(options, message);
    }

private:
    FakePortal* m_portal;
};

class GlobalShortcutsAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")
    Q_PROPERTY(uint version READ version)
public:
    uint version() const { return 1; }

    explicit GlobalShortcutsAdaptor(FakePortal* portal)
        : QDBusAbstractAdaptor(portal)
        , m_portal(portal)
    {}

public slots:
    QDBusObjectPath CreateSession(const QVariantMap& options, const QDBusMessage& message)
    {
        return m_portal->createSession(options, message);
    }
    QDBusObjectPath BindShortcuts(const QDBusObjectPath& session,
                                  const QList<corvane::testing::FakePortal::Shortcut>&, const QString&,
                                  const QVariantMap&, const QDBusMessage& message)
    {
        return m_portal->bindShortcuts(session, message);
    }

private:
    FakePortal* m_portal;
};

QString senderPart(const QDBusMessage& message)
{
    QString sender = message.service();
    sender.remove(0, 1);
    return sender.replace(QLatin1Char('.'), QLatin1Char('_'));
}

} // namespace

bool FakePortal::publish(QDBusConnection bus, bool withGlobalShortcuts)
{
    registerShortcutTypes();
    m_bus = bus;
    new ScreenshotAdaptor(this);
    if (withGlobalShortcuts)
        new GlobalShortcutsAdaptor(this);
    return m_bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), this,
                                QDBusConnection::ExportAdaptors) &&
           m_bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
}

QDBusObjectPath FakePortal::answerLater(const QVariantMap& options, const QDBusMessage& message,
                                        uint response, const QVariantMap& results)
{
    const QString path =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
            .arg(senderPart(message), options.value(QStringLiteral("handle_token")).toString());
    QTimer::singleShot(0, this, [this, path, response, results] {
        QDBusMessage signal = QDBusMessage::createSignal(
            path, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
        signal << response << results;
        m_bus.send(signal);
    });
    return QDBusObjectPath(path);
}

QDBusObjectPath FakePortal::screenshot(const QVariantMap& options, const QDBusMessage& message)
{
    ++screenshotCalls;
    if (silent)
        return QDBusObjectPath(QStringLiteral("/org/freedesktop/portal/desktop/request/silent"));
    QVariantMap results;
    if (!screenshotUri.isEmpty())
        results.insert(QStringLiteral("uri"), screenshotUri);
    return answerLater(options, message, screenshotResponse, results);
}

QDBusObjectPath FakePortal::createSession(const QVariantMap& options, const QDBusMessage& message)
{
    sessionShortcuts.clear();
    const QVariant given = options.value(QStringLiteral("shortcuts"));
    if (given.canConvert<QDBusArgument>())
        given.value<QDBusArgument>() >> sessionShortcuts;
    sessionPath =
        QStringLiteral("/org/freedesktop/portal/desktop/session/%1/%2")
            .arg(senderPart(message), options.value(QStringLiteral("session_handle_token")).toString());
    return answerLater(
        options, message, 0,
        {{QStringLiteral("session_handle"), QVariant::fromValue(QDBusObjectPath(sessionPath))}});
}

QDBusObjectPath FakePortal::bindShortcuts(const QDBusObjectPath&, const QDBusMessage& message)
{
    ++bindCalls;
    // The handle token is among the last options; the answer carries nothing the program reads.
    const QVariantMap options = qdbus_cast<QVariantMap>(message.arguments().value(3));
    return answerLater(options, message, 0, {});
}

void FakePortal::activate(const QString& id)
{
    QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/portal/desktop"),
                                                     QStringLiteral("org.freedesktop.portal.GlobalShortcuts"),
                                                     QStringLiteral("Activated"));
    signal << QVariant::fromValue(QDBusObjectPath(sessionPath)) << id << qulonglong(0) << QVariantMap();
    m_bus.send(signal);
}

} // namespace corvane::testing

#include "FakePortal.moc"
