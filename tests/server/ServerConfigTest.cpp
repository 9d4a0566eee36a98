#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "common/TickSource.h"
#include "server/ByteRateLimiter.h"
#include "server/ServerConfig.h"

using namespace tessra;

namespace {

TEST(ServerConfig, DefaultHasTheDemoAccountsAndPublicGroups) {
  const TServerConfig config = DefaultServerConfig();
  ASSERT_EQ(config.Accounts.size(), 2u);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(config.Accounts[i].Name, "demo" + std::to_string(i + 1));
    EXPECT_EQ(config.Accounts[i].Password, "demo");
    EXPECT_EQ(config.Accounts[i].Characters.size(), 2u);
  }
  std::vector<TBytes> groups;
  for (const auto& g : config.Groups) {
    groups.push_back(g.Name);
  }
  for (const char* name : {"General", "Trade Shopping 1", "Seeking Team"}) {
    EXPECT_NE(std::find(groups.begin(), groups.end(), name), groups.end()) << name;
  }
  EXPECT_EQ(config.Groups[0].Id, (TGroupId{0x0A, 0, 0, 0, 0x01}));
}

TEST(ServerConfig, RefusesBrokenConfigurationsWithTheReason) {
  const auto account = [](const std::string& characters) {
    return R"({"accounts": [{"name": "a", "password": "p", "characters": [)" + characters + "]}]";
  };
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"{", "Configuration: not valid JSON"},
      {"[]", "Configuration: the top level must be an object"},
      {account("") + "}", "Configuration: account \"a\" has no characters"},
      {account(R"({"name": "X", "id": -1})") + "}", "may not have the id -1"},
      {account(R"({"name": "X", "id": 1}, {"name": "x", "id": 2})") + "}", "is named twice"},
      {account(R"({"name": "X", "id": 1}, {"name": "Y", "id": 1})") + "}",
       "has an id that is already taken"},
      {account(R"({"name": "X", "id": 1.5})") + "}", "must be a whole number"},
      {account(R"({"name": "X", "id": 1})") + R"(, "groups": [{"id": "0A0000000", "name": "G"}]})",
       "needs an id of 10 hexadecimal digits"},
      {account(R"({"name": "X", "id": 1})") + R"(, "groups": [{"id": "0A0000000Z", "name": "G"}]})",
       "needs an id of 10 hexadecimal digits"},
      {account(R"({"name": "X", "id": 1})") +
           R"(, "groups": [{"id": "0A00000001", "name": "G", "members": ["Nobody"]}]})",
       "names \"Nobody\", who does not exist"},
      {account(R"({"name": "X", "id": 1})") + R"(, "buddies": {"X": ["Y"]}})",
       "names \"Y\", who does not exist"},
      {account(R"({"name": ")" + std::string(65, 'n') + R"(", "id": 1})") + "}",
       "longer than 64 bytes"},
      {R"({"maxBytesPerSecond": -5})", "must be a whole number from 0"},
  };
  for (const auto& [json, message] : cases) {
    try {
      ParseServerConfig(QByteArray::fromStdString(json));
      ADD_FAILURE() << "accepted: " << json;
    } catch (const TChatException& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos)
          << e.what() << "\n  for " << json;
    }
  }
}

TEST(ByteRateLimiter, AllowsABurstOfTwoSecondsThenTheRate) {
  TManualTickSource ticks;
  TByteRateLimiter limit(1000, ticks);
  EXPECT_TRUE(limit.Take(1500));
  EXPECT_TRUE(limit.Take(500));
  EXPECT_FALSE(limit.Take(1));
  // Refilled by time, in small steps as in one: 10 x 50 ms = 500 bytes.
  for (int i = 0; i < 10; ++i) {
    ticks.Advance(50);
    EXPECT_TRUE(limit.Take(50));
  }
  EXPECT_FALSE(limit.Take(1));
  // Never more than the burst, however long the pause; the tick count wraps.
  ticks.Set(0xFFFFFF00u);
  EXPECT_TRUE(limit.Take(2000));
  ticks.Advance(0x200);
  EXPECT_TRUE(limit.Take(512));
  EXPECT_FALSE(limit.Take(1));

  TByteRateLimiter unlimited(0, ticks);
  EXPECT_TRUE(unlimited.Take(int64_t{1} << 40));
}

} // namespace
