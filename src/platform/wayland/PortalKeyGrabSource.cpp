// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/wayland/PortalKeyGrabSource.h"

#include "platform/wayland/PortalRequest.h"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <iterator>

namespace corvane::wayland {
namespace {

const QString shortcutsInterface = QStringLiteral("org.freedesktop.portal.GlobalShortcuts");

// The portal's a(sa{sv}): an id and its properties.
struct PortalShortcut {
    QString id;
    QVariantMap properties;
};

} // namespace
} // namespace corvane::wayland

Q_DECLARE_METATYPE(corvane::wayland::PortalShortcut)

namespace corvane::wayland {
namespace {

QDBusArgument& operator<<(QDBusArgument& out, const PortalShortcut& shortcut)
{
    out.beginStructure();
    out << shortcut.id << shortcut.properties;
    out.endStructure();
    return out;
}

const QDBusArgument& operator>>(const QDBusArgument& in, PortalShortcut& shortcut)
{
    in.beginStructure();
    in >> shortcut.id >> shortcut.properties;
    in.endStructure();
    return in;
}

// The names the desktop lists the shortcuts under, by the number the program registers them with.
struct Known {
    std::uint32_t number;
    const char* id;
    const char* description;
};
constexpr Known known[] = {
    {1, "regionCapture", "Capture a region"},
    {2, "regionCaptureAlt", "Capture a region (second shortcut)"},
    {3, "fullScreenCapture", "Capture the screen under the pointer"},
};

QString keyName(std::uint32_t keysym)
{
    if (keysym >= 0xffbe && keysym <= 0xffe0) // F1 ... F35
        return QStringLiteral("F%1").arg(keysym - 0xffbe + 1);
    if ((keysym >= 0x30 && keysym <= 0x39) || (keysym >= 0x41 && keysym <= 0x5a))
        return QString(QChar(char16_t(keysym)));
    if (keysym >= 0x61 && keysym <= 0x7a)
        return QString(QChar(char16_t(keysym - 0x20)));
    if (keysym == 0xff61)
        return QStringLiteral("Print");
    return {};
}

QString sessionPathOf(const QVariant& value)
{
    if (value.canConvert<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

} // namespace

QString preferredTrigger(const Shortcut& shortcut)
{
    const QString key = shortcut.keysyms.empty() ? QString() : keyName(shortcut.keysyms.front());
    if (key.isEmpty())
        return {};
    QString trigger;
    if (shortcut.control)
        trigger += QStringLiteral("CTRL+");
    if (shortcut.alt)
        trigger += QStringLiteral("ALT+");
    if (shortcut.shift)
        trigger += QStringLiteral("SHIFT+");
    if (shortcut.super)
        trigger += QStringLiteral("LOGO+");
    return trigger + key;
}

PortalKeyGrabSource::PortalKeyGrabSource(QDBusConnection bus)
    : m_bus(std::move(bus))
{
    qDBusRegisterMetaType<PortalShortcut>();
    qDBusRegisterMetaType<QList<PortalShortcut>>();
    qRegisterMetaType<QDBusObjectPath>();
    // Some desktops emit it on the session's path, others on the portal's: any path, our session only.
    m_bus.connect(portalService, QString(), shortcutsInterface, QStringLiteral("Activated"), this,
                  SLOT(onActivated(QDBusObjectPath, QString, qulonglong, QVariantMap)));
}

PortalKeyGrabSource::~PortalKeyGrabSource()
{
    ungrabAll();
}

bool PortalKeyGrabSource::offered(const QDBusConnection& bus)
{
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        portalService, portalPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << shortcutsInterface << QStringLiteral("version");
    // Asked before any window exists, so the local loop of BlockWithGui has nothing of ours to run.
    return bus.call(get, QDBus::BlockWithGui, 2000).type() == QDBusMessage::ReplyMessage;
}

void PortalKeyGrabSource::setPressHandler(PressHandler handler)
{
    m_handler = std::move(handler);
}

bool PortalKeyGrabSource::grab(const Shortcut& shortcut, std::uint32_t id)
{
    const auto* name = std::find_if(std::begin(known), std::end(known),
                                    [id](const Known& entry) { return entry.number == id; });
    if (name == std::end(known))
        return false;
    m_entries.push_back({id, QString::fromLatin1(name->id), QString::fromLatin1(name->description),
                         preferredTrigger(shortcut)});
    if (!m_scheduled) {
        m_scheduled = true;
        QTimer::singleShot(0, this, &PortalKeyGrabSource::createSession);
    }
    // The desktop decides later, and may change the keys; what it grants is its own business.
    return true;
}

void PortalKeyGrabSource::ungrabAll()
{
    m_entries.clear();
    if (m_session.isEmpty())
        return;
    QDBusMessage close = QDBusMessage::createMethodCall(
        portalService, m_session, QStringLiteral("org.freedesktop.portal.Session"), QStringLiteral("Close"));
    m_bus.call(close, QDBus::NoBlock);
    m_session.clear();
}

QVariant PortalKeyGrabSource::shortcutList() const
{
    QList<PortalShortcut> list;
    for (const Entry& entry : m_entries) {
        QVariantMap properties{{QStringLiteral("description"), entry.description}};
        if (!entry.trigger.isEmpty())
            properties.insert(QStringLiteral("preferred_trigger"), entry.trigger);
        list.push_back({entry.id, properties});
    }
    return QVariant::fromValue(list);
}

void PortalKeyGrabSource::createSession()
{
    m_scheduled = false;
    if (m_entries.empty())
        return;
    // KDE takes the shortcuts only from CreateSession's options; the portal's documentation and GNOME
    // bind them with BindShortcuts. Both are sent, with the same list.
    const QVariantMap options{{QStringLiteral("session_handle_token"), QStringLiteral("corvane")},
                              {QStringLiteral("shortcuts"), shortcutList()}};
    QPointer<PortalKeyGrabSource> self(this);
    // The desktop may ask the user first; a minute is long enough to answer.
    PortalRequest::start(
        m_bus, shortcutsInterface, QStringLiteral("CreateSession"), {}, options, std::chrono::minutes(1),
        [self](const PortalAnswer& answer) {
            if (!self || !answer.granted())
                return;
            self->m_session = sessionPathOf(answer.results.value(QStringLiteral("session_handle")));
            if (self->m_session.isEmpty())
                return;
            PortalRequest::start(
                self->m_bus, shortcutsInterface, QStringLiteral("BindShortcuts"),
                {QVariant::fromValue(QDBusObjectPath(self->m_session)), self->shortcutList(), QString()}, {},
                std::chrono::minutes(1), [](const PortalAnswer&) {});
        });
}

void PortalKeyGrabSource::onActivated(const QDBusObjectPath& session, const QString& id, qulonglong,
                                      const QVariantMap&)
{
    if (m_session.isEmpty() || session.path() != m_session || !m_handler)
        return;
    for (const Entry& entry : m_entries) {
        if (entry.id == id) {
            m_handler(entry.number);
            return;
        }
    }
}

} // namespace corvane::wayland
