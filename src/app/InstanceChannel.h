// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/LaunchMode.h"

#include <QString>
#include <functional>
#include <optional>

namespace corvane {

// Where a tray utility finds the one already running and hands it a trigger. The session bus carries
// it (SessionBusChannel); tests put a double here.
class InstanceChannel {
public:
    enum class Claim {
        owned,         // this process is now the running instance
        heldElsewhere, // another process is
        noBus,         // there is nobody to ask: run standalone
    };
    enum class Status {
        delivered,
        noInstance, // the other instance ended before it could be asked
        refused,    // it answered with an error; detail says why
        unanswered, // it hung or died while being asked; detail says how
    };
    struct Delivery {
        Status status = Status::delivered;
        QString detail;
    };
    // Performs a trigger in the running instance; answers why it could not, or nothing.
    using Handler = std::function<std::optional<QString>(Trigger trigger, const QString& absolutePath)>;

    virtual ~InstanceChannel() = default;

    // Tries to become the running instance.
    virtual Claim claim() = 0;
    // Where the triggers of later invocations go once this process owns the instance.
    virtual void setHandler(Handler handler) = 0;
    // Hands the trigger to the instance that holds the claim, waiting a bounded time for its answer.
    virtual Delivery send(Trigger trigger, const QString& absolutePath) = 0;
};

struct InstanceOutcome {
    enum class Action {
        runHere,   // become the tray utility and perform the trigger in this process
        exitDone,  // the running instance took it (or there was nothing to take): exit 0
        exitFailed // exit non-zero after printing the message
    };
    Action action = Action::runHere;
    // One line for standard error, empty when there is nothing to say.
    QString message;
};

// Either this process becomes the running instance or it passes its trigger to the one that is, so that
// only one tray icon and one set of key grabs exist per session. Without a bus every invocation runs on
// its own, as a tray utility of its own.
InstanceOutcome joinOrBecomeInstance(InstanceChannel& channel, Trigger trigger, const QString& absolutePath);

} // namespace corvane
