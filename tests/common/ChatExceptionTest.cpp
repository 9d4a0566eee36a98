#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "common/TickSource.h"

using tessra::FormatMessage;

TEST(FormatMessage, FillsPlaceholdersInOrder) {
  EXPECT_EQ(FormatMessage("Packet type %s not allowed in state %s", {"Ping", "Disconnected"}),
            "Packet type Ping not allowed in state Disconnected");
  EXPECT_EQ(FormatMessage("no placeholder", {"x"}), "no placeholder");
  EXPECT_EQ(FormatMessage("missing %s and %s", {"one"}), "missing one and %s");
}

TEST(ManualTickSource, WrapsLikeThePlatformCounter) {
  tessra::TManualTickSource ticks(0xFFFFFFF0u);
  ticks.Advance(0x20);
  EXPECT_EQ(ticks.Now(), 0x10u);
  EXPECT_EQ(static_cast<uint32_t>(ticks.Now() - 0xFFFFFFF0u), 0x20u);
}
