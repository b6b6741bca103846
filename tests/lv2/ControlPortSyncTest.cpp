// Which control port values the plug-in applies: the host's changes, not the echoes of its
// own, and after a restore the state rather than the ports.

#include "formats/lv2/ControlPortSync.h"

#include <gtest/gtest.h>

#include <cmath>

using zk::lv2::ControlPortSync;

TEST(ControlPortSync, FirstBlockAppliesWhatDiffersThenOnlyChanges) {
    ControlPortSync sync;
    EXPECT_FALSE(sync.take(0, 0.9f, 0.9f)) << "the port holds the plug-in's value";
    EXPECT_TRUE(sync.take(1, 0.2f, 0.0f)) << "the host set the port before it started";
    sync.endBlock(64);
    EXPECT_FALSE(sync.take(0, 0.9f, 0.1f)) << "an unchanged port leaves the plug-in's own value";
    EXPECT_TRUE(sync.take(0, 0.5f, 0.1f));
    EXPECT_FALSE(sync.take(0, 0.5f, 0.1f));
    EXPECT_FALSE(sync.take(-1, 0.5f, 0.1f));
    EXPECT_FALSE(sync.take(54, 0.5f, 0.1f));
    EXPECT_TRUE(sync.take(2, NAN, 0.0f));
    sync.endBlock(64);
    EXPECT_FALSE(sync.take(2, NAN, 0.0f)) << "a NaN left in a port is one change, not one per block";
}

TEST(ControlPortSync, AfterARestoreThePortsAreTakenAsTheyAre) {
    ControlPortSync sync;
    sync.take(3, 0.1f, 0.1f);
    sync.endBlock(32);
    sync.adoptPorts();
    EXPECT_FALSE(sync.take(3, 0.7f, 0.2f)) << "set around the restore: the restored state is the sound";
    sync.endBlock(32);
    EXPECT_FALSE(sync.take(3, 0.7f, 0.2f));
    EXPECT_TRUE(sync.take(3, 0.8f, 0.2f)) << "moved after it: the host's change";
}

TEST(ControlPortSync, EchoesOfReportedValuesAreSkippedInOrder) {
    ControlPortSync sync;
    sync.setEchoLifetime(1000);
    sync.take(0, 0.0f, 0.0f);
    sync.endBlock(10);
    for (float v : {0.3f, 0.5f, 0.3f, 0.8f}) sync.noteReported(0, v);
    EXPECT_FALSE(sync.take(0, 0.3f, 0.8f));
    EXPECT_FALSE(sync.take(0, 0.5f, 0.8f));
    EXPECT_FALSE(sync.take(0, 0.3f, 0.8f)) << "a sweep back echoes the same value a second time";
    EXPECT_FALSE(sync.take(0, 0.8f, 0.8f));
    EXPECT_TRUE(sync.take(0, 0.3f, 0.8f)) << "every echo has come: this is the host's";

    // The UI may pass on only the latest: the older ones are then stale.
    for (float v : {0.1f, 0.2f, 0.4f}) sync.noteReported(1, v);
    EXPECT_FALSE(sync.take(1, 0.4f, 0.4f));
    EXPECT_TRUE(sync.take(1, 0.2f, 0.4f));

    // The host's own change drops what was still expected.
    for (float v : {0.6f, 0.7f}) sync.noteReported(2, v);
    EXPECT_TRUE(sync.take(2, 0.9f, 0.7f));
    EXPECT_TRUE(sync.take(2, 0.6f, 0.9f));
}

TEST(ControlPortSync, EchoesExpireAndGoWithTheUi) {
    ControlPortSync sync;
    sync.setEchoLifetime(100);
    sync.take(0, 0.0f, 0.0f);
    sync.take(1, 0.0f, 0.0f);
    sync.endBlock(1);
    sync.noteReported(0, 0.5f);
    sync.endBlock(200);
    EXPECT_TRUE(sync.take(0, 0.5f, 0.5f)) << "too late to be the UI's echo";
    sync.noteReported(1, 0.5f);
    sync.forgetReports();
    EXPECT_TRUE(sync.take(1, 0.5f, 0.5f)) << "no UI to echo it";
    for (int i = 0; i < 20; ++i) sync.noteReported(0, float(i));
    EXPECT_TRUE(sync.take(0, 1.0f, 19.0f)) << "only the latest few are kept";
    for (int i = 0; i < 20; ++i) sync.noteReported(0, float(i));
    EXPECT_FALSE(sync.take(0, 19.0f, 19.0f));
}
