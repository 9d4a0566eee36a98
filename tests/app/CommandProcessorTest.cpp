#include <array>

#include <QStringList>
#include <gtest/gtest.h>

#include "PresenterFixture.h"
#include "app/CommandProcessor.h"
#include "app/MessageTarget.h"
#include "display/MarkupParser.h"
#include "display/TextTransforms.h"
#include "settings/IgnoreList.h"

namespace tessra::testing {
namespace {

// The buddy tree's branches in memory.
class TBuddyBranches : public TIgnoreList::TTree {
public:
  QStringList Children(TBuddyBranch branch) const override { return Branch[Index(branch)]; }
  void RemoveChild(TBuddyBranch branch, int index) override {
    Branch[Index(branch)].removeAt(index);
  }
  void AppendIgnored(const QString& name) override { Branch[3].append(name); }
  void AddFriend(const QString& name, bool online, bool accepted) override {
    Branch[!accepted ? 2 : online ? 0 : 1].append(name);
  }
  static size_t Index(TBuddyBranch branch) { return static_cast<size_t>(branch); }
  std::array<QStringList, 4> Branch;
};

// The main window's side of the commands: sent tells and system lines go through a real chat
// presenter (tells are echoed as the main window's SendTell does), the query goes through a real
// message target, everything else is recorded.
class TCommandTest : public TPresenterTest,
                     public TCommandProcessor::THost,
                     public TMessageTarget::THost {
protected:
  TCommandTest()
      : Target(static_cast<TMessageTarget::THost&>(*this)), Commands(*this), Names(Engine),
        Ignored(Tree, Names, [this](const QString& line) { Presenter.AddSystemLine(line); }) {
    Presenter.IsIgnored = [this](const QString& name) { return Ignored.IsIgnored(name); };
    Presenter.Settings().TimestampChat = false;
    Presenter.Settings().LinkNames = false;
  }

  // TCommandProcessor::THost
  void AddSystemLine(const QString& markup) override { Presenter.AddSystemLine(markup); }
  QString ReplaceLiterals(const QString& text) override {
    return tessra::ReplaceLiterals(text.toUtf8(), nullptr, std::nullopt, {});
  }
  void SendTell(const QString& name, const QString& text) override {
    Calls << QStringLiteral("tell ") + name + QLatin1Char('|') + text;
    Presenter.AddSentTellLine(name, text.toUtf8(), nullptr);
  }
  QString LastTellSender() const override { return Presenter.LastTellSender(); }
  QString CurrentChar() const override { return QStringLiteral("Mychar"); }
  void AddFRiend(const QString& name, bool accepted) override {
    Calls << QStringLiteral("addfriend ") + name + (accepted ? " accepted" : "");
  }
  void RemoveFriend(const QString& name) override { Calls << QStringLiteral("remfriend ") + name; }
  void Query(const QString& name) override { Target.Query(name); }
  void Whois(const QString& name) override { Calls << QStringLiteral("whois ") + name; }
  void SetAway(const QString& line) override { Calls << QStringLiteral("away ") + line; }
  void SetBack() override { Calls << QStringLiteral("back"); }
  void ClearConsole() override {
    Calls << QStringLiteral("clear");
    Lines.clear();
  }
  // The popup character becomes the name, then the ignore list's operation runs on it.
  void Ignore(const QString& name) override {
    Calls << QStringLiteral("ignore ") + name;
    PopupChar = Ignored.Ignore(name);
  }
  void Unignore(const QString& name) override {
    Calls << QStringLiteral("unignore ") + name;
    PopupChar = Ignored.Unignore(name);
  }

  // TMessageTarget::THost
  void SetTarget(const QString& caption) override { Caption = caption; }
  void FocusInput() override {}
  bool HasPublicGroup(const QString& name) const override {
    return name == QLatin1String("General");
  }
  bool HasPrivateGroup(const QString& name) const override {
    return name.compare(QLatin1String("Tyrin"), Qt::CaseInsensitive) == 0;
  }
  void ListenGroup(const QString& name) override { Calls << QStringLiteral("listen ") + name; }
  void SendPublic(const QString& groupName, const QString& text) override {
    Calls << QStringLiteral("public ") + groupName + QLatin1Char('|') + text;
  }
  void SendPrivate(const QString& groupName, const QString& text) override {
    Calls << QStringLiteral("private ") + groupName + QLatin1Char('|') + text;
  }

  // What the console shows of a line: its texts and spaces.
  static QString Visible(const QString& markup) {
    QString shown;
    for (const TMessageElement& e : ParseMarkup(markup, nullptr, cwsCollapse, false)) {
      if (e.Kind == ekText) {
        shown += e.Text;
      } else if (e.Kind == ekSpace) {
        shown += QLatin1Char(' ');
      }
    }
    return shown;
  }
  QStringList Shown() const {
    QStringList shown;
    for (const TConsoleLine& line : Lines) {
      shown << Visible(line.Markup);
    }
    return shown;
  }
  void Run(const char* line) { Commands.ExecuteCommand(QString::fromUtf8(line)); }

  TMessageTarget Target;
  TCommandProcessor Commands;
  QStringList Calls;
  QString Caption;
  TBuddyBranches Tree;
  TIgnoreList::TEngineNames Names;
  TIgnoreList Ignored;
  QString PopupChar;
};

TEST_F(TCommandTest, TellSendsTheRestOfTheLineAndEchoesIt) {
  Run("/tell Tyrin hello there");
  EXPECT_EQ(Calls, QStringList{QStringLiteral("tell Tyrin|hello there")});
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("To [Tyrin]: hello there")});
}

TEST_F(TCommandTest, TheMessageKeepsTheSpacesAfterTheFirstOne) {
  Run("/T  Tyrin  hi");
  Run("/TeLl Tyrin   a  b  ");
  EXPECT_EQ(Calls,
            (QStringList{QStringLiteral("tell Tyrin| hi"), QStringLiteral("tell Tyrin|  a  b  ")}));
}

TEST_F(TCommandTest, MissingArgumentsShowTheUsageWithAngleBrackets) {
  struct TCase {
    const char* Line;
    const char* Shown;
  };
  const TCase cases[] = {
      {"/tell Tyrin", "System Message: /TELL <Target> <Text>"},
      {"/tell", "System Message: /TELL <Target> <Text>"},
      {"/addbuddy   ", "System Message: /ADDBUDDY <Target>"},
      {"/delbuddy", "System Message: /REMBUDDY <Target>"},
      {"/q", "System Message: /QUERY <Target>"},
      {"/wi", "System Message: /WHOIS <Target>"},
      {"/ignore", "System Message: /IGNORE <CharName>"},
      {"/UNIGNORE  ", "System Message: /UNIGNORE <CharName>"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    Lines.clear();
    Run(c.Line);
    ASSERT_EQ(Lines.size(), 1u);
    EXPECT_TRUE(Lines[0].Markup.contains(QStringLiteral("&lt;"))) << Lines[0].Markup.toStdString();
    EXPECT_EQ(Shown(), QStringList{QString::fromUtf8(c.Shown)});
  }
  EXPECT_TRUE(Calls.isEmpty());
}

TEST_F(TCommandTest, ClearEmptiesTheConsoleWhateverFollows) {
  Presenter.AddSystemLine(QStringLiteral("old"));
  Run("/clear");
  Run("/CLEAR now");
  EXPECT_EQ(Calls, (QStringList{QStringLiteral("clear"), QStringLiteral("clear")}));
  EXPECT_TRUE(Lines.empty());
}

TEST_F(TCommandTest, ReplyGoesToTheLastTellSender) {
  Run("/r thanks");
  EXPECT_EQ(Shown(), QStringList{QStringLiteral("System Message: No message to reply to")});
  EXPECT_TRUE(Calls.isEmpty());

  Presenter.VeyraChatPrivateMessage(Engine, "Tyrin", "hello", nullptr);
  Lines.clear();
  Run("/r thanks");
  Run("/REPLY");
  EXPECT_EQ(Calls, QStringList{QStringLiteral("tell Tyrin|thanks")});
  EXPECT_EQ(Shown(), (QStringList{QStringLiteral("To [Tyrin]: thanks"),
                                  QStringLiteral("System Message: /REPLY <Text>")}));
}

TEST_F(TCommandTest, BuddyCommandsLeaveTheUsersOwnNameAlone) {
  Run("/addbuddy mYCHAR");
  Run("/rembuddy Mychar");
  EXPECT_TRUE(Calls.isEmpty());
  EXPECT_TRUE(Lines.empty());

  Run("/addbuddy  Tyrin ");
  Run("/delbuddy Tyrin");
  EXPECT_EQ(Calls, (QStringList{QStringLiteral("addfriend Tyrin accepted"),
                                QStringLiteral("remfriend Tyrin")}));
}

TEST_F(TCommandTest, CcRunsTheBuddySubCommands) {
  Run("/cc addbuddy Tyrin");
  Run("/CC RemBuddy Tyrin");
  Run("/cc addbuddy mychar");
  EXPECT_EQ(Calls, (QStringList{QStringLiteral("addfriend Tyrin accepted"),
                                QStringLiteral("remfriend Tyrin")}));
  EXPECT_TRUE(Lines.empty());

  Run("/cc foo");
  Run("/cc addbuddy");
  EXPECT_EQ(Shown(), (QStringList{QStringLiteral("System Message: Unknown /cc parameter: \"foo\""),
                                  QStringLiteral("System Message: /ADDBUDDY <Target>")}));
}

TEST_F(TCommandTest, UnknownCommandsAreNamedInUpperCase) {
  Run("/frobnicate now");
  Run("/");
  EXPECT_EQ(Shown(), (QStringList{QStringLiteral("System Message: Unknown command FROBNICATE"),
                                  QStringLiteral("System Message: Unknown command ")}));
}

TEST_F(TCommandTest, QueryChoosesByExactGroupNameThenPrivateGroupThenCharacter) {
  Run("/query General");
  EXPECT_EQ(Target.TargetType(), TTargetType::ttPublic);
  EXPECT_EQ(Target.TargetName(), QStringLiteral("General"));
  EXPECT_EQ(Caption, QStringLiteral("General:"));
  EXPECT_EQ(Calls, QStringList{QStringLiteral("listen General")});

  Run("/query general");
  EXPECT_EQ(Target.TargetType(), TTargetType::ttChar);
  EXPECT_EQ(Target.TargetName(), QStringLiteral("general"));

  Run("/Q   tyrin  ");
  EXPECT_EQ(Target.TargetType(), TTargetType::ttPrivate);
  EXPECT_EQ(Target.TargetName(), QStringLiteral("tyrin"));
  EXPECT_EQ(Caption, QStringLiteral("tyrin:"));
}

TEST_F(TCommandTest, TheRemainingCommandsReachTheirOperations) {
  Run("/whois  Tyrin");
  Run("/w Tyrin");
  Run("/afk  gone fishing");
  Run("/away");
  Run("/back");
  Run("/ignore Tyrin and the rest");
  Run("/unignore  Tyrin");
  EXPECT_EQ(Calls, (QStringList{QStringLiteral("whois Tyrin"), QStringLiteral("whois Tyrin"),
                                QStringLiteral("away /afk  gone fishing"),
                                QStringLiteral("away /away"), QStringLiteral("back"),
                                QStringLiteral("ignore Tyrin"), QStringLiteral("unignore Tyrin")}));
}

TEST_F(TCommandTest, IgnoredCharactersAreSilencedUntilUnignored) {
  Engine.FriendList().Add("John", true, true);
  Tree.Branch[0] = QStringList{QStringLiteral("John")};
  Run("/ignore jOHN");
  Run("/ignore John");
  EXPECT_EQ(Tree.Branch[3], QStringList{QStringLiteral("John")});
  EXPECT_EQ(PopupChar, QStringLiteral("John"));
  EXPECT_TRUE(Tree.Branch[0].isEmpty());

  Presenter.VeyraChatPrivateMessage(Engine, "JOHN", "psst", nullptr);
  EXPECT_TRUE(Lines.empty());
  EXPECT_TRUE(Presenter.LastTellSender().isEmpty());

  Run("/unignore john");
  EXPECT_TRUE(Tree.Branch[3].isEmpty());
  EXPECT_EQ(Tree.Branch[0], QStringList{QStringLiteral("John")});
  Presenter.VeyraChatPrivateMessage(Engine, "JOHN", "psst", nullptr);
  EXPECT_EQ(Lines.size(), 1u);
}

TEST(CommandWords, SplittingFollowsSpacesOnly) {
  using T = TCommandProcessor;
  EXPECT_EQ(T::NormalizeSpaces(QStringLiteral("   a   b \t  c  ")), QStringLiteral("a b \t c "));
  EXPECT_EQ(T::FirstWord(QStringLiteral("/tell\tTyrin hi")), QStringLiteral("/tell\tTyrin"));
  EXPECT_EQ(T::FirstWord(QStringLiteral("alone")), QStringLiteral("alone"));

  struct TCase {
    const char* Line;
    const char* Word;
    const char* Rest;
  };
  const TCase cases[] = {
      {"", "", ""},
      {"  one\t", "one", ""},
      {"/t  Tyrin  hi", "/t", " Tyrin  hi"},
      {"  /t Tyrin", "/t", "Tyrin"},
      {"Tyrin  hi ", "Tyrin", " hi "},
      {"a\nb c", "a\nb", "c"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Line);
    const TPoppedWord popped = T::PopWord(QString::fromUtf8(c.Line));
    EXPECT_EQ(popped.Word, QString::fromUtf8(c.Word));
    EXPECT_EQ(popped.Rest, QString::fromUtf8(c.Rest));
  }
}

} // namespace
} // namespace tessra::testing
