// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SessionBusChannel.h"

#include "editor/FileNameBytes.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QObject>
#include <algorithm>

namespace corvane {

namespace {

const QString serviceName = QStringLiteral("io.github.corvane.Corvane");
const QString objectPath = QStringLiteral("/io/github/corvane/Corvane");
const QString interfaceName = QStringLiteral("io.github.corvane.Corvane");

} // namespace

// The object other invocations call. Its scriptable slots are the bus methods, named as on the bus.
class InstanceService : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.corvane.Corvane")
public:
    InstanceChannel::Handler handler;

public Q_SLOTS:
    Q_SCRIPTABLE void CaptureRegion() { perform(Trigger::captureRegion, QString()); }
    Q_SCRIPTABLE void CaptureScreen() { perform(Trigger::captureScreen, QString()); }
    Q_SCRIPTABLE void Open(const QString& path) { open(path); }
    // The same with the caller's deadline, in milliseconds since the epoch: a call that arrives after
    // it (the instance was stopped, or busy) is not acted on, since the caller has already told its
    // user that it failed. The path is bytes, as the file system names files.
    Q_SCRIPTABLE void CaptureRegionBefore(qint64 deadline)
    {
        if (inTime(deadline))
            perform(Trigger::captureRegion, QString());
    }
    Q_SCRIPTABLE void CaptureScreenBefore(qint64 deadline)
    {
        if (inTime(deadline))
            perform(Trigger::captureScreen, QString());
    }
    Q_SCRIPTABLE void OpenBefore(const QByteArray& path, qint64 deadline)
    {
        if (inTime(deadline))
            open(FileNameBytes::decode(path));
    }

private:
    bool inTime(qint64 deadline)
    {
        if (QDateTime::currentMSecsSinceEpoch() <= deadline)
            return true;
        sendErrorReply(QStringLiteral("io.github.corvane.Corvane.Error.TooLate"),
                       QStringLiteral("the request arrived after its caller had given up"));
        return false;
    }

    void open(const QString& path)
    {
        // Our working directory is not the caller's: a relative name would open some other file.
        if (QDir::isRelativePath(path)) {
            sendErrorReply(QDBusError::InvalidArgs,
                           QStringLiteral("the path to open must be absolute, not \"%1\"").arg(path));
            return;
        }
        perform(Trigger::open, path);
    }

    void perform(Trigger trigger, const QString& path)
    {
        if (!handler) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("Corvane is still starting"));
            return;
        }
        if (const std::optional<QString> refusal = handler(trigger, path))
            sendErrorReply(QStringLiteral("io.github.corvane.Corvane.Error.Failed"), *refusal);
    }
};

SessionBusChannel::SessionBusChannel(std::chrono::milliseconds answerTime)
    : m_service(std::make_unique<InstanceService>())
    , m_answerTime(answerTime)
{}

SessionBusChannel::~SessionBusChannel() = default;

InstanceChannel::Claim SessionBusChannel::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Claim::noBus;
    // The object is in place before the name is taken, so the first caller never finds the name without it.
    if (!bus.registerObject(objectPath, m_service.get(), QDBusConnection::ExportScriptableSlots))
        return Claim::noBus;
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply =
        bus.interface()->registerService(serviceName, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Claim::owned;
    bus.unregisterObject(objectPath);
    // A bus that refuses the name outright (a policy, a broken daemon) leaves nobody to ask either.
    return reply.isValid() ? Claim::heldElsewhere : Claim::noBus;
}

void SessionBusChannel::setHandler(Handler handler)
{
    m_service->handler = std::move(handler);
}

InstanceChannel::Delivery SessionBusChannel::send(Trigger trigger, const QString& absolutePath)
{
    // The instance drops a request that reaches it after we have given up on it.
    const qint64 deadline = QDateTime::currentMSecsSinceEpoch() + m_answerTime.count();
    QString method;
    QVariantList arguments;
    switch (trigger) {
    case Trigger::none:
        return {Status::delivered, {}};
    case Trigger::captureRegion:
        method = QStringLiteral("CaptureRegionBefore");
        break;
    case Trigger::captureScreen:
        method = QStringLiteral("CaptureScreenBefore");
        break;
    case Trigger::open:
        method = QStringLiteral("OpenBefore");
        arguments.append(FileNameBytes::encode(absolutePath));
        break;
    }
    arguments.append(deadline);
    // Block, not BlockWithGui: no event of ours may run while we wait, and the wait is bounded.
    QElapsedTimer waited;
    waited.start();
    const auto ask = [&](const QString& name, const QVariantList& values) {
        QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName, name);
        call.setArguments(values);
        const auto left = std::max<qint64>(m_answerTime.count() - waited.elapsed(), 1);
        return QDBusConnection::sessionBus().call(call, QDBus::Block, static_cast<int>(left));
    };
    QDBusMessage answer = ask(method, arguments);
    // An instance of an earlier version, still running after an update, knows only the methods
    // without a deadline (and takes the path as text).
    if (answer.type() == QDBusMessage::ErrorMessage && QDBusError(answer).type() == QDBusError::UnknownMethod) {
        QVariantList earlier;
        if (trigger == Trigger::open)
            earlier.append(absolutePath);
        answer = ask(method.chopped(6), earlier);
    }
    if (answer.type() == QDBusMessage::ReplyMessage)
        return {Status::delivered, {}};
    const QDBusError error(answer);
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
        return {Status::noInstance, error.message()};
    case QDBusError::NoReply:
    case QDBusError::Timeout:
    case QDBusError::TimedOut:
    case QDBusError::Disconnected:
        // The bus says NoReply both when our wait ran out and when the instance ended mid-call; its
        // own text names every possible cause, so say which one it was. The bus's clock and ours
        // differ by a little, and an instance that ends does so at once, so half the wait tells them
        // apart.
        if (waited.elapsed() >= m_answerTime.count() / 2)
            return {Status::unanswered,
                    QStringLiteral("no answer within %1 seconds").arg(m_answerTime.count() / 1000.0)};
        return {Status::unanswered, QStringLiteral("it ended while being asked")};
    default:
        return {Status::refused, error.message()};
    }
}

} // namespace corvane

#include "SessionBusChannel.moc"
