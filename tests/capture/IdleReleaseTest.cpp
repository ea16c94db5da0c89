// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/IdleRelease.h"
#include "capture/ScreenCapturer.h"

#include <QTest>
#include <gtest/gtest.h>

namespace corvane {
namespace {

struct CountingSource final : CaptureSource {
    int releases = 0;
    bool available() override { return true; }
    QImage grab(const QScreen&) override { return {}; }
    void releaseIdleResources() override { ++releases; }
    QString refusalExplanation() const override { return {}; }
};

TEST(IdleReleaseTest, TheSourceLetsGoOnceAfterEachQuietSpellNotDuringABurst)
{
    auto owned = std::make_unique<CountingSource>();
    CountingSource& source = *owned;
    ScreenCapturer::setSource(std::move(owned));
    using std::chrono::milliseconds;
    IdleRelease::setDelays(milliseconds(5), milliseconds(1000));

    const struct {
        int captures;       // ended one after another, 20 ms apart: well inside the quiet delay
        int releasesAfter;  // once the quiet delay has passed
    } bursts[] = {{1, 1}, {4, 2}, {0, 2}};
    for (const auto& burst : bursts) {
        for (int i = 0; i < burst.captures; ++i) {
            IdleRelease::captureEnded();
            QTest::qWait(20);
            EXPECT_EQ(source.releases, burst.releasesAfter - 1) << "released during a burst";
        }
        QTest::qWait(1500);
        EXPECT_EQ(source.releases, burst.releasesAfter);
    }
    IdleRelease::setDelays(milliseconds(2000), milliseconds(30000));
}

} // namespace
} // namespace corvane
