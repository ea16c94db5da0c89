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
#include <QDBusUnixFileDescriptor>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

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
    SessionBusChannel::CaptureHandler captureHandler;

Q_SIGNALS:
    Q_SCRIPTABLE void CaptureFinished(uint ticket, int status, const QString& message);

public Q_SLOTS:
    Q_SCRIPTABLE void CaptureRegion() { perform(Trigger::captureRegion, QString()); }
    Q_SCRIPTABLE void CaptureScreen() { perform(Trigger::captureScreen, QString()); }
    Q_SCRIPTABLE void CaptureWindow() { perform(Trigger::captureWindow, QString()); }
    // kind: "region", "window" or "screen"; options: "delay" (seconds, 0 to 60), "all" (every monitor,
    // with "screen"), "output" ("menu", "clipboard" or "encoded"), and for "encoded" the "format" (a
    // MIME type) and the "sink" (a file descriptor the encoded picture is written into from its start).
    // Answers at once with a ticket; CaptureFinished carries it when the capture has ended.
    Q_SCRIPTABLE uint Capture(const QString& kind, const QVariantMap& options);
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
    Q_SCRIPTABLE void CaptureWindowBefore(qint64 deadline)
    {
        if (inTime(deadline))
            perform(Trigger::captureWindow, QString());
    }
    Q_SCRIPTABLE void OpenBefore(const QByteArray& path, qint64 deadline)
    {
        if (inTime(deadline))
            open(FileNameBytes::decode(path));
    }

private:
    uint m_lastTicket = 0;

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

namespace {

// The whole of BYTES at the start of the file behind FD, the file cut to that length.
std::optional<QString> writeSink(int fd, const QByteArray& bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return QString::fromLocal8Bit(std::strerror(errno));
        done += written;
    }
    if (::ftruncate(fd, off_t(bytes.size())) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    return std::nullopt;
}

std::optional<Trigger> captureTrigger(const QString& kind)
{
    if (kind == QLatin1String("region"))
        return Trigger::captureRegion;
    if (kind == QLatin1String("window"))
        return Trigger::captureWindow;
    if (kind == QLatin1String("screen"))
        return Trigger::captureScreen;
    return std::nullopt;
}

} // namespace

uint InstanceService::Capture(const QString& kind, const QVariantMap& options)
{
    // "deadline" (milliseconds since the epoch): as with the *Before methods, a call that comes after
    // its caller gave up is not acted on.
    if (options.contains(QStringLiteral("deadline")) && !inTime(options.value(QStringLiteral("deadline")).toLongLong()))
        return 0;
    const std::optional<Trigger> trigger = captureTrigger(kind);
    CaptureOptions capture;
    capture.delaySeconds = options.value(QStringLiteral("delay"), 0.0).toDouble();
    capture.allScreens = options.value(QStringLiteral("all"), false).toBool();
    CaptureJob job;
    const QString output = options.value(QStringLiteral("output"), QStringLiteral("menu")).toString();
    job.output = output == QLatin1String("clipboard") ? CaptureJob::Output::clipboard
                 : output == QLatin1String("encoded") ? CaptureJob::Output::encoded
                                                      : CaptureJob::Output::menu;
    job.mimeType = options.value(QStringLiteral("format"), QStringLiteral("image/png")).toString();
    const auto sink = qvariant_cast<QDBusUnixFileDescriptor>(options.value(QStringLiteral("sink")));
    QString wrong;
    if (!trigger)
        wrong = QStringLiteral("unknown capture kind \"%1\"").arg(kind);
    else if (!(capture.delaySeconds >= 0 && capture.delaySeconds <= 60))
        wrong = QStringLiteral("the delay must be 0 to 60 seconds");
    else if (job.output == CaptureJob::Output::encoded && !sink.isValid())
        wrong = QStringLiteral("an encoded capture needs a sink file descriptor");
    if (!wrong.isEmpty()) {
        sendErrorReply(QDBusError::InvalidArgs, wrong);
        return 0;
    }
    if (!captureHandler) {
        sendErrorReply(QDBusError::Failed, QStringLiteral("Corvane is still starting"));
        return 0;
    }
    const uint ticket = ++m_lastTicket;
    QPointer<InstanceService> self(this);
    // The descriptor object keeps its own duplicate open until the job has ended.
    auto finished = [self, ticket, sink, encoded = job.output == CaptureJob::Output::encoded](CaptureJobEnd end) {
        if (encoded && end.status == 0) {
            if (const std::optional<QString> failure = writeSink(sink.fileDescriptor(), end.bytes))
                end = {2, QStringLiteral("the picture could not be handed over: %1").arg(*failure), {}};
        }
        if (self)
            Q_EMIT self->CaptureFinished(ticket, end.status, end.message);
    };
    if (const std::optional<QString> refusal = captureHandler(*trigger, capture, job, finished)) {
        sendErrorReply(QStringLiteral("io.github.corvane.Corvane.Error.Failed"), *refusal);
        return 0;
    }
    return ticket;
}

qint64 SessionBusChannel::requestDeadline(std::chrono::milliseconds answerTime)
{
    // Well inside our wait: the bus library's timer was seen to give up a quarter of a second early, and
    // a request acted on must always be one whose caller still waits. One that comes between the
    // deadline and the end of the wait is refused, which the caller reports like no answer.
    return QDateTime::currentMSecsSinceEpoch() + answerTime.count() * 4 / 5;
}

SessionBusChannel::SessionBusChannel(std::chrono::milliseconds answerTime)
    : m_service(std::make_unique<InstanceService>())
    , m_answerTime(answerTime)
{}

SessionBusChannel::SessionBusChannel(std::chrono::milliseconds answerTime, const QDBusConnection& bus)
    : m_service(std::make_unique<InstanceService>())
    , m_answerTime(answerTime)
    , m_bus(bus)
{}

SessionBusChannel::~SessionBusChannel() = default;

InstanceChannel::Claim SessionBusChannel::claim()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || !bus.interface())
        return Claim::noBus;
    // The object is in place before the name is taken, so the first caller never finds the name without it.
    if (!bus.registerObject(objectPath, m_service.get(),
                            QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals))
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

void SessionBusChannel::setCaptureHandler(CaptureHandler handler)
{
    m_service->captureHandler = std::move(handler);
}

InstanceChannel::Delivery SessionBusChannel::send(Trigger trigger, const QString& absolutePath)
{
    // The instance drops a request that reaches it after we have given up on it.
    const qint64 deadline = requestDeadline(m_answerTime);
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
    case Trigger::captureWindow:
        method = QStringLiteral("CaptureWindowBefore");
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
        return m_bus.value_or(QDBusConnection::sessionBus()).call(call, QDBus::Block, static_cast<int>(left));
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
