// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceChannel.h"

namespace corvane {

InstanceOutcome joinOrBecomeInstance(InstanceChannel& channel, Trigger trigger, const QString& absolutePath)
{
    using Action = InstanceOutcome::Action;
    // The instance may quit between our claim and our call; its name is free then, so claim once more.
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (channel.claim()) {
        case InstanceChannel::Claim::owned:
        case InstanceChannel::Claim::noBus:
            return {Action::runHere, {}};
        case InstanceChannel::Claim::heldElsewhere:
            break;
        }
        if (trigger == Trigger::none)
            return {Action::exitDone, QStringLiteral("corvane: Corvane is already running")};
        const InstanceChannel::Delivery delivery = channel.send(trigger, absolutePath);
        switch (delivery.status) {
        case InstanceChannel::Status::delivered:
            return {Action::exitDone, {}};
        case InstanceChannel::Status::noInstance:
            continue;
        case InstanceChannel::Status::refused:
            return {Action::exitFailed, QStringLiteral("corvane: ") + delivery.detail};
        case InstanceChannel::Status::unanswered:
            return {Action::exitFailed,
                    QStringLiteral("corvane: the running Corvane did not answer (%1); if it is stuck, end it "
                                   "and start Corvane again")
                        .arg(delivery.detail)};
        }
    }
    return {Action::exitFailed,
            QStringLiteral("corvane: the running Corvane went away while being asked; try again")};
}

} // namespace corvane
