// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/InstanceChannel.h"

#include <chrono>
#include <memory>

namespace corvane {

class InstanceService;

// The running instance on the session bus: it owns the well-known name io.github.corvane.Corvane and
// serves CaptureRegion(), CaptureScreen() and Open(s path) on /io/github/corvane/Corvane under the
// interface of the same name. Anyone in the session may call those methods, which is how a key bound
// in a compositor's settings reaches the program. Later invocations call CaptureRegionBefore(x),
// CaptureScreenBefore(x) and OpenBefore(ay path, x): the path as bytes, and the time (milliseconds
// since the epoch) after which the caller no longer waits, so the instance ignores a late request.
class SessionBusChannel : public InstanceChannel {
public:
    // How long a later invocation waits for the running instance to answer before giving up on it.
    static constexpr std::chrono::milliseconds defaultAnswerTime{5000};

    explicit SessionBusChannel(std::chrono::milliseconds answerTime = defaultAnswerTime);
    ~SessionBusChannel() override;
    SessionBusChannel(const SessionBusChannel&) = delete;
    SessionBusChannel& operator=(const SessionBusChannel&) = delete;

    Claim claim() override;
    void setHandler(Handler handler) override;
    Delivery send(Trigger trigger, const QString& absolutePath) override;

private:
    std::unique_ptr<InstanceService> m_service;
    std::chrono::milliseconds m_answerTime;
};

} // namespace corvane
