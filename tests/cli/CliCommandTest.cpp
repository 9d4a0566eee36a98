#include <gtest/gtest.h>

#include "cli/CliCommand.h"

using tessra::ParseCliCommand;

TEST(CliCommand, SplitsWordsQuotesAndText) {
  struct TCase {
    const char* Line;
    const char* Name;
    std::vector<std::string> Words;
    const char* Text;
    const char* Error;
  };
  const std::vector<TCase> cases = {
      {"/tell Tyrin hello there", "tell", {"Tyrin"}, "hello there", ""},
      {"/TELL  Tyrin  two  spaces\r\n", "tell", {"Tyrin"}, " two  spaces", ""},
      {"/group \"Trade Shopping 1\" wts sword", "group", {"Trade Shopping 1"}, "wts sword", ""},
      {"/kickall", "kickall", {}, "", ""},
      {"/lookup Nobody", "lookup", {"Nobody"}, "", ""},
      {"/tell Tyrin", "", {}, "", "/tell: missing text"},
      {"/addbuddy", "", {}, "", "/addbuddy: missing argument"},
      {"/mute \"General", "", {}, "", "unterminated quote"},
      {"/frobnicate x", "", {}, "", "unknown command /frobnicate"},
      {"hello", "", {}, "", "commands start with /"},
  };
  for (const auto& c : cases) {
    const auto result = ParseCliCommand(c.Line);
    if (*c.Error != '\0') {
      EXPECT_FALSE(result.Command) << c.Line;
      EXPECT_EQ(result.Error, c.Error) << c.Line;
      continue;
    }
    ASSERT_TRUE(result.Command) << c.Line << ": " << result.Error;
    EXPECT_EQ(result.Command->Name, c.Name) << c.Line;
    EXPECT_EQ(result.Command->Words, c.Words) << c.Line;
    EXPECT_EQ(result.Command->Text, c.Text) << c.Line;
  }
}
