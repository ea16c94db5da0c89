// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/CaptureJob.h"
#include "app/CommandLine.h"
#include "app/InstanceChannel.h"

#include <QDBusConnection>
#include <chrono>
#include <memory>

namespace corvane {

class InstanceService;

// The running instance on the session bus: it owns the well-known name io.github.corvane.Corvane and
// serves CaptureRegion(), CaptureScreen(), CaptureWindow() and Open(s path) on /io/github/corvane/Corvane
// under the interface of the same name, and Capture(s kind, a{sv} options) -> u ticket for captures with
// options, whose end is announced by the signal CaptureFinished(u ticket, i status, s message). Anyone
// in the session may call those methods, which is how a key bound in a compositor's settings reaches
// the program. Later invocations call CaptureRegionBefore(x), CaptureScreenBefore(x),
// CaptureWindowBefore(x), OpenBefore(ay path, x) and Capture with a "deadline": the path as bytes, and
// the time (milliseconds since the epoch) after which the caller no longer waits, so the instance
// ignores a late request.
class SessionBusChannel : public InstanceChannel {
public:
    // How long a later invocation waits for the running instance to answer before giving up on it.
    static constexpr std::chrono::milliseconds defaultAnswerTime{5000};
    // The deadline (milliseconds since the epoch) a request sent now carries when its caller waits
    // ANSWERTIME for the answer.
    static qint64 requestDeadline(std::chrono::milliseconds answerTime);

    explicit SessionBusChannel(std::chrono::milliseconds answerTime = defaultAnswerTime);
    // Sends over the given connection instead of the process's shared session bus connection.
    SessionBusChannel(std::chrono::milliseconds answerTime, const QDBusConnection& bus);
    ~SessionBusChannel() override;
    SessionBusChannel(const SessionBusChannel&) = delete;
    SessionBusChannel& operator=(const SessionBusChannel&) = delete;

    Claim claim() override;
    void setHandler(Handler handler) override;
    Delivery send(Trigger trigger, const QString& absolutePath) override;

    // Runs a capture with options for a later invocation; FINISHED must be called once, with how it
    // ended. The answer says why it cannot start, or nothing.
    using CaptureHandler = std::function<std::optional<QString>(
        Trigger trigger, const CaptureOptions& options, const CaptureJob& job,
        std::function<void(CaptureJobEnd)> finished)>;
    void setCaptureHandler(CaptureHandler handler);

private:
    std::unique_ptr<InstanceService> m_service;
    std::chrono::milliseconds m_answerTime;
    std::optional<QDBusConnection> m_bus;
};

} // namespace corvane
