#include <gtest/gtest.h>

#include "common/ChatException.h"
#include "engine/VeyraChat.h"

using namespace tessra;

TEST(DimensionList, StartsWithTheBuiltInDimensions) {
  TDimensionList list;
  ASSERT_EQ(list.Count(), 4);
  EXPECT_EQ(list.Get(0)->Name, QStringLiteral("Merovan"));
  EXPECT_EQ(list.Get(3)->Port, 7109);
  EXPECT_EQ(list.Get(3)->Host, QStringLiteral("chat-test.veyra.example"));
  EXPECT_EQ(list.Get(1)->Host, list.Get(0)->Host);
  EXPECT_EQ(list.IndexOfName(QStringLiteral("merovan")), 0);
  EXPECT_EQ(list.IndexOfName(QStringLiteral("Nowhere")), -1);
  TDimensionInfo* added =
      list.AddNew(QStringLiteral("Local"), QString(), 7105, QStringLiteral("127.0.0.1"));
  EXPECT_EQ(list.IndexOf(added), 4);
  list.Remove(added);
  EXPECT_EQ(list.Count(), 4);
  EXPECT_THROW(list.Get(4), TChatException);
}

TEST(EngineLists, LookUpsAndTheirCaseRules) {
  TVeyraChat chat;
  std::vector<std::string> events;
  chat.OnFriendAdd = [&](TVeyraChat&, const TFriendInfo& f) { events.push_back("add " + f.Name); };
  chat.OnFriendStatusChange = [&](TVeyraChat&, const TFriendInfo& f) {
    events.push_back("status " + f.Name);
  };
  chat.OnFriendRemove = [&](TVeyraChat&, const TFriendInfo& f) {
    events.push_back("remove " + f.Name);
  };
  int groupChanges = 0;
  chat.OnGroupListChange = [&](TVeyraChat&) { ++groupChanges; };

  // Names: duplicates kept, the first one found, case ignored.
  chat.NameList().Add("Tyrin", 7);
  chat.NameList().Add("TYRIN", 8);
  EXPECT_EQ(chat.NameList().IndexOf("tyrin"), 0);
  EXPECT_EQ(chat.NameList().GetName(8), "TYRIN");
  EXPECT_EQ(chat.NameList().GetName(99), "");

  // Friends: one entry per name; a second add is a status change and keeps
  // the first spelling; removing an absent name raises nothing.
  chat.FriendList().Add("Tyrin", true, true);
  chat.FriendList().Add("tyrin", false, true);
  chat.FriendList().Remove("Nobody");
  chat.FriendList().Remove("TYRIN");
  EXPECT_EQ(events, (std::vector<std::string>{"add Tyrin", "status tyrin", "remove tyrin"}));
  EXPECT_EQ(chat.FriendList().Count(), 0);

  // Groups: keyed by id; the name look-up is exact.
  const TGroupId id = {0x0A, 0, 0, 0, 0xFF};
  chat.GroupList().Add(id, "General", 0x00010000);
  EXPECT_FALSE(chat.GroupList().GetGroup(0).Muted);
  chat.GroupList().Add(id, "General", 0x01010000);
  EXPECT_TRUE(chat.GroupList().GetGroup(0).Muted);
  EXPECT_EQ(chat.GroupList().Count(), 1);
  EXPECT_EQ(groupChanges, 2);
  EXPECT_EQ(chat.GroupList().IndexOf("General"), 0);
  EXPECT_EQ(chat.GroupList().IndexOf("general"), -1);
  EXPECT_EQ(chat.GroupList().GetGID(0), id);
  EXPECT_EQ(TGroupList::GIDToStr(id), "0A000000FF");
  EXPECT_THROW(chat.GroupList().GetGID(-1), TChatException);

  // Clean-up empties the lists without events.
  chat.CleanUp();
  EXPECT_EQ(chat.NameList().Count(), 0);
  EXPECT_EQ(chat.GroupList().Count(), 0);
  EXPECT_EQ(groupChanges, 2);
}
