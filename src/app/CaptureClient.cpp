// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CaptureClient.h"

#include "app/CommandReport.h"
#include "app/InstanceChannel.h"
#include "app/SessionBusChannel.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusUnixFileDescriptor>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QScopeGuard>
#include <QTemporaryFile>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace corvane {

namespace {

const QString serviceName = QStringLiteral("io.github.corvane.Corvane");
const QString objectPath = QStringLiteral("/io/github/corvane/Corvane");
const QString interfaceName = QStringLiteral("io.github.corvane.Corvane");

QString errnoText()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

// The connection of a process that only passes requests on. A private one: the shared session
// connection, once made under this core application object, no longer delivers incoming calls after
// the object is replaced by the GUI one, and this process may yet have to become the instance.
const QString handOverConnection = QStringLiteral("corvane-hand-over");

QDBusConnection handOverBus()
{
    return QDBusConnection(handOverConnection);
}

// The instance is known to hold the name: claiming only says so, and the hand-over is the bus channel's.
class ForwardingChannel : public InstanceChannel {
public:
    Claim claim() override
    {
        QDBusConnectionInterface* bus = handOverBus().interface();
        return bus && bus->isServiceRegistered(serviceName).value() ? Claim::heldElsewhere : Claim::noBus;
    }
    void setHandler(Handler) override {}
    Delivery send(Trigger trigger, const QString& absolutePath) override
    {
        return m_channel.send(trigger, absolutePath);
    }

private:
    SessionBusChannel m_channel{SessionBusChannel::defaultAnswerTime, handOverBus()};
};

// Collects CaptureFinished signals until the one with our ticket has come.
class FinishedSignals : public QObject {
    Q_OBJECT
public:
    std::map<uint, std::pair<int, QString>> ended;
    QEventLoop loop;

public Q_SLOTS:
    void finished(uint ticket, int status, const QString& message)
    {
        ended[ticket] = {status, message};
        loop.quit();
    }
};

QString kindName(Trigger trigger)
{
    switch (trigger) {
    case Trigger::captureWindow:
        return QStringLiteral("window");
    case Trigger::captureScreen:
        return QStringLiteral("screen");
    case Trigger::captureRegion:
    case Trigger::none:
    case Trigger::open:
        break;
    }
    return QStringLiteral("region");
}

QByteArray readSink(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return {};
    QByteArray bytes(qsizetype(info.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::pread(fd, bytes.data() + done, size_t(bytes.size() - done), off_t(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return {};
        done += got;
    }
    return bytes;
}

// The options of the Capture method.
QVariantMap captureArguments(const CaptureOptions& options, int sink)
{
    // The instance drops a request that reaches it after we have given up waiting for its answer.
    const qint64 deadline = SessionBusChannel::requestDeadline(SessionBusChannel::defaultAnswerTime);
    QVariantMap arguments{{QStringLiteral("delay"), options.delaySeconds},
                          {QStringLiteral("all"), options.allScreens},
                          {QStringLiteral("deadline"), deadline}};
    switch (options.destination) {
    case CaptureOptions::Destination::menu:
        arguments.insert(QStringLiteral("output"), QStringLiteral("menu"));
        break;
    case CaptureOptions::Destination::clipboard:
        arguments.insert(QStringLiteral("output"), QStringLiteral("clipboard"));
        break;
    case CaptureOptions::Destination::file:
    case CaptureOptions::Destination::standardOutput:
        arguments.insert(QStringLiteral("output"), QStringLiteral("encoded"));
        arguments.insert(QStringLiteral("format"), CaptureClient::formatFor(options));
        arguments.insert(QStringLiteral("sink"), QVariant::fromValue(QDBusUnixFileDescriptor(sink)));
        break;
    }
    return arguments;
}

QString refusalLine(const QDBusError& error)
{
    if (error.type() == QDBusError::NoReply || error.type() == QDBusError::Timeout)
        return QStringLiteral("the running Corvane did not answer within %1 seconds; if it is stuck, end it and "
                              "start Corvane again")
            .arg(SessionBusChannel::defaultAnswerTime.count() / 1000);
    return error.message();
}

// A capture with options: asked for with the usual answer time, then waited for as long as it takes
// (the user may be selecting), unless the instance goes away.
std::optional<int> captureInInstance(const CommandLine& line)
{
    QDBusConnection bus = handOverBus();
    const CaptureOptions& options = line.capture;
    FinishedSignals finishedSignals;
    bus.connect(serviceName, objectPath, interfaceName, QStringLiteral("CaptureFinished"), &finishedSignals,
                SLOT(finished(uint, int, QString)));
    QDBusServiceWatcher watcher(serviceName, bus, QDBusServiceWatcher::WatchForUnregistration);
    bool gone = false;
    QObject::connect(&watcher, &QDBusServiceWatcher::serviceUnregistered, &finishedSignals, [&] {
        gone = true;
        finishedSignals.loop.quit();
    });

    int sink = -1;
    if (options.destination == CaptureOptions::Destination::file ||
        options.destination == CaptureOptions::Destination::standardOutput) {
        // An anonymous file of ours: no size limit of a bus message, no path the instance must reach.
        sink = ::memfd_create("corvane-capture", MFD_CLOEXEC);
        if (sink < 0)
            return CommandReport::finish(2, QStringLiteral("no memory for the picture: %1").arg(errnoText()));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(serviceName, objectPath, interfaceName,
                                                       QStringLiteral("Capture"));
    call.setArguments({kindName(line.mode.trigger), captureArguments(options, sink)});
    const QDBusMessage answer = bus.call(call, QDBus::Block,
                                         int(SessionBusChannel::defaultAnswerTime.count()));
    const auto closeSink = qScopeGuard([sink] {
        if (sink >= 0)
            ::close(sink);
    });
    if (answer.type() != QDBusMessage::ReplyMessage) {
        const QDBusError error(answer);
        if (error.type() == QDBusError::ServiceUnknown)
            return std::nullopt; // it quit just now: act here
        return CommandReport::finish(2, refusalLine(error));
    }
    if (!options.waitsForResult())
        return CommandReport::finish(0, {});
    const uint ticket = answer.arguments().value(0).toUInt();
    while (!finishedSignals.ended.count(ticket) && !gone)
        finishedSignals.loop.exec();
    if (!finishedSignals.ended.count(ticket))
        return CommandReport::finish(2, QStringLiteral("the running Corvane ended before the capture was done"));
    const auto [status, message] = finishedSignals.ended[ticket];
    if (status != 0 || sink < 0)
        return CommandReport::finish(status, message);
    if (const std::optional<QString> failure = CaptureClient::writeDestination(options, readSink(sink)))
        return CommandReport::finish(2, *failure);
    return CommandReport::finish(0, {});
}

std::optional<QString> writeNewFile(const QString& path, const QByteArray& bytes)
{
    // Written beside it, then linked into place: link() never replaces what appeared meanwhile.
    QTemporaryFile file(QFileInfo(path).absoluteDir().filePath(QStringLiteral(".corvane-XXXXXX.part")));
    if (!file.open() || file.write(bytes) != bytes.size() || !file.flush() || ::fsync(file.handle()) != 0)
        return QStringLiteral("%1 could not be written: %2").arg(path, file.errorString());
    if (::link(QFile::encodeName(file.fileName()).constData(), QFile::encodeName(path).constData()) != 0) {
        if (errno == EEXIST)
            return QStringLiteral("%1 already exists; --force replaces it").arg(path);
        return QStringLiteral("%1 could not be written: %2").arg(path, errnoText());
    }
    return std::nullopt;
}

} // namespace

QString CaptureClient::formatFor(const CaptureOptions& options)
{
    if (options.destination != CaptureOptions::Destination::file)
        return QStringLiteral("image/png");
    const QString type = QMimeDatabase().mimeTypeForFile(options.path, QMimeDatabase::MatchExtension).name();
    if (type == QLatin1String("image/jpeg") || type == QLatin1String("image/tiff"))
        return type;
    return QStringLiteral("image/png");
}

std::optional<QString> CaptureClient::checkDestination(const CaptureOptions& options)
{
    if (options.destination != CaptureOptions::Destination::file)
        return std::nullopt;
    const QFileInfo file(options.path);
    if (!options.force && (file.exists() || file.isSymLink()))
        return QStringLiteral("%1 already exists; --force replaces it").arg(options.path);
    if (!file.absoluteDir().exists())
        return QStringLiteral("%1 cannot be written: there is no folder %2")
            .arg(options.path, file.absolutePath());
    if (file.isDir())
        return QStringLiteral("%1 is a folder").arg(options.path);
    return std::nullopt;
}

std::optional<QString> CaptureClient::writeDestination(const CaptureOptions& options, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return QStringLiteral("the picture came back empty");
    if (options.destination == CaptureOptions::Destination::standardOutput) {
        if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
            std::fflush(stdout) != 0)
            return QStringLiteral("the picture could not be written to standard output: %1").arg(errnoText());
        return std::nullopt;
    }
    if (!options.force)
        return writeNewFile(options.path, bytes);
    QSaveFile file(options.path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        return QStringLiteral("%1 could not be written: %2").arg(options.path, reason);
    }
    return std::nullopt;
}

std::optional<int> CaptureClient::handOverToRunningInstance(const CommandLine& line, int& argc, char** argv)
{
    // Asking the bus needs Qt's event machinery, not its GUI: a command that only passes a request on
    // must not pay for a display connection.
    QCoreApplication application(argc, argv);
    const auto disconnect = qScopeGuard([] { QDBusConnection::disconnectFromBus(handOverConnection); });
    QDBusConnection bus = QDBusConnection::connectToBus(QDBusConnection::SessionBus, handOverConnection);
    if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(serviceName).value())
        return std::nullopt;
    const CaptureOptions& options = line.capture;
    if (options.waitsForResult() || options.delaySeconds > 0 || options.allScreens)
        return captureInInstance(line);
    const QString path =
        line.mode.trigger == Trigger::open ? QDir::current().absoluteFilePath(line.mode.path) : QString();
    ForwardingChannel channel;
    const InstanceOutcome outcome = joinOrBecomeInstance(channel, line.mode.trigger, path);
    QString message = outcome.message;
    message.remove(0, message.startsWith(QLatin1String("corvane: ")) ? 9 : 0);
    switch (outcome.action) {
    case InstanceOutcome::Action::runHere:
        return std::nullopt;
    case InstanceOutcome::Action::exitDone:
        return CommandReport::finish(0, message);
    case InstanceOutcome::Action::exitFailed:
        return CommandReport::finish(1, message);
    }
    return std::nullopt;
}

} // namespace corvane

#include "CaptureClient.moc"
