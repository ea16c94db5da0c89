// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/InstanceChannel.h"

#include <gtest/gtest.h>
#include <vector>

namespace corvane {
namespace {

using Claim = InstanceChannel::Claim;
using Status = InstanceChannel::Status;
using Action = InstanceOutcome::Action;

// Answers claims and deliveries from scripts, one entry per call, and records what was sent.
class ScriptedChannel : public InstanceChannel {
public:
    std::vector<Claim> claims;
    std::vector<Delivery> deliveries;
    std::vector<std::pair<Trigger, QString>> sent;
    size_t claimed = 0;

    Claim claim() override { return claims.at(claimed++); }
    void setHandler(Handler) override {}
    Delivery send(Trigger trigger, const QString& absolutePath) override
    {
        sent.emplace_back(trigger, absolutePath);
        return deliveries.at(sent.size() - 1);
    }
};

TEST(InstanceChannelTest, BecomesTheInstanceOrHandsTheTriggerOn)
{
    const struct {
        const char* name;
        Trigger trigger;
        std::vector<Claim> claims;
        std::vector<InstanceChannel::Delivery> deliveries;
        Action action;
        const char* message;
        size_t sends;
    } cases[] = {
        // Becoming the instance, a second start, a trigger handed on, refused (e2e.instance.open-in-the-first)
        // or left unanswered, and no bus are the e2e.instance cases.
        {"the instance quit before the call: take its place", Trigger::captureRegion,
         {Claim::heldElsewhere, Claim::owned}, {{Status::noInstance, ""}}, Action::runHere, "", 1},
        {"a name that keeps vanishing is given up on", Trigger::captureScreen,
         {Claim::heldElsewhere, Claim::heldElsewhere}, {{Status::noInstance, ""}, {Status::noInstance, ""}},
         Action::exitFailed, "corvane: the running Corvane went away while being asked; try again", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedChannel channel;
        channel.claims = c.claims;
        channel.deliveries = c.deliveries;
        const InstanceOutcome outcome = joinOrBecomeInstance(channel, c.trigger, "/home/u/a.png");
        EXPECT_EQ(outcome.action, c.action);
        EXPECT_EQ(outcome.message.toStdString(), c.message);
        EXPECT_EQ(channel.claimed, c.claims.size());
        ASSERT_EQ(channel.sent.size(), c.sends);
        for (const auto& [trigger, path] : channel.sent) {
            EXPECT_EQ(trigger, c.trigger);
            EXPECT_EQ(path.toStdString(), "/home/u/a.png");
        }
    }
}

} // namespace
} // namespace corvane
