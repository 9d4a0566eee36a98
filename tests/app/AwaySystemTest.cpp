#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QAction>
#include <gtest/gtest.h>

#include "PresenterFixture.h"
#include "app/AwaySystem.h"
#include "common/ChatException.h"
#include "engine/VeyraBlob.h"
#include "settings/ScriptedPrompt.h"

namespace tessra::testing {
namespace {

const QString kReplyStart = QStringLiteral("I am away from my keyboard right now");
const QString kLogged = QStringLiteral(", your message has been logged.");

struct TSentTell {
  QString Name;
  QString Text;
  bool DuringReply;
};

// The away system on a hand-driven clock, with the window's side recorded.
class AwaySystemTest : public ::testing::Test {
protected:
  AwaySystemTest() : Away(Settings, Ticks, Prompt) {
    Away.CurrentChar = [] { return QStringLiteral("Tyrin"); };
    Away.IsLoggedIn = [this] { return LoggedIn; };
    Away.SetStatusText = [this](const QString& text) { Status = text; };
    Away.AddSystemLine = [this](const QString& text) { SystemLines.push_back(text); };
    Away.ClearInput = [this] { ++InputCleared; };
    Away.SendTell = [this](const QString& name, const QString& text) {
      Sent.push_back({name, text, Away.SendingAutoReply()});
      if (SendFails) {
        throw TChatException("Name not found");
      }
    };
    Away.ShowAwayMessages = [this] { ++ViewerShown; };
    Away.Clock = FixedTime;
  }

  // A tell shown while away: the handler runs the away steps only then.
  void Tell(const QString& sender, const TBytes& text = "hi", const TBlob* blob = nullptr) {
    if (Away.IsAway()) {
      Away.AwayPrivateMessage(sender, text, blob);
    }
  }

  TSettings Settings;
  TManualTickSource Ticks{1000};
  TScriptedPrompt Prompt;
  TAwaySystem Away;
  bool LoggedIn = true;
  bool SendFails = false;
  QString Status;
  std::vector<QString> SystemLines;
  std::vector<TSentTell> Sent;
  int InputCleared = 0;
  int ViewerShown = 0;
};

TEST_F(AwaySystemTest, AwayAloneTogglesAndTheReplyFollowsAwayLogging) {
  for (const bool logging : {true, false}) {
    SCOPED_TRACE(logging);
    Settings.AwayLogging = logging;
    Sent.clear();
    Away.SetAway(QStringLiteral("/away"));
    EXPECT_TRUE(Away.IsAway());
    EXPECT_TRUE(Away.AwayReason().isEmpty());
    EXPECT_EQ(Status, QStringLiteral("Tyrin - Away"));
    EXPECT_EQ(SystemLines.back(), QStringLiteral("You are now set away"));

    Tell(QStringLiteral("Bob"));
    ASSERT_EQ(Sent.size(), 1u);
    EXPECT_EQ(Sent[0].Name, QStringLiteral("Bob"));
    EXPECT_EQ(Sent[0].Text, kReplyStart + (logging ? kLogged : QStringLiteral(".")));
    EXPECT_TRUE(Sent[0].DuringReply);
    EXPECT_FALSE(Away.SendingAutoReply());

    Away.SetAway(QStringLiteral("/away")); // toggles back
    EXPECT_FALSE(Away.IsAway());
    EXPECT_EQ(Status, QStringLiteral("Tyrin"));
    EXPECT_EQ(SystemLines.back(), QStringLiteral("You are now set back"));
  }
  // Stored while away with and without AwayLogging alike.
  ASSERT_EQ(Away.Store().Count(), 1);
  EXPECT_EQ(Away.Store().Get(0).Messages().Count(), 2);
}

TEST_F(AwaySystemTest, ReasonIsTheTrimmedTextAfterTheFirstBlank) {
  const struct {
    const char* Line;
    const char* Reason;
  } cases[] = {
      {"/away", ""},    {"/away lunch", "lunch"}, {"   /AFK    gone  fishing   ", "gone  fishing"},
      {"/away   ", ""}, {"/away\tlunch", ""}, // only a blank separates the reason
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Line);
    Away.SetBack();
    Away.SetAway(QString::fromLatin1(c.Line));
    EXPECT_TRUE(Away.IsAway());
    EXPECT_EQ(Away.AwayReason(), QString::fromLatin1(c.Reason));
  }
}

TEST_F(AwaySystemTest, ANewReasonReplacesTheOldOneAndEverySenderIsAnsweredAfresh) {
  Away.SetAway(QStringLiteral("/away first"));
  Tell(QStringLiteral("Bob"));
  Ticks.Advance(1000);
  Away.SetAway(QStringLiteral("/away    gone  fishing   "));
  EXPECT_TRUE(Away.IsAway());
  EXPECT_EQ(Away.AwayReason(), QStringLiteral("gone  fishing"));
  EXPECT_FALSE(Away.HasReplied(QStringLiteral("Bob")));
  Ticks.Advance(1000);
  Tell(QStringLiteral("Bob"));
  ASSERT_EQ(Sent.size(), 2u);
  EXPECT_EQ(Sent[0].Text, kReplyStart + QStringLiteral(", \"first\"") + kLogged);
  EXPECT_EQ(Sent[1].Text, kReplyStart + QStringLiteral(", \"gone  fishing\"") + kLogged);
  EXPECT_EQ(SystemLines, (std::vector<QString>{QStringLiteral("You are now set away"),
                                               QStringLiteral("You are now set away")}));
}

TEST_F(AwaySystemTest, OneReplyPerSenderAMinuteAlsoAcrossTheTickWrap) {
  for (const uint32_t start : {1000u, 0xFFFFFFFFu - 20000u}) {
    SCOPED_TRACE(start);
    Away.SetBack();
    Away.ClearMessages();
    Sent.clear();
    Ticks.Set(start);
    Away.SetAway(QStringLiteral("/away"));
    Tell(QStringLiteral("Bob"));
    Ticks.Advance(30000);
    Tell(QStringLiteral("Bob"));
    Tell(QStringLiteral("Ann")); // another sender has a throttle of their own
    Ticks.Advance(31000);        // 61 s after the first reply
    Tell(QStringLiteral("Bob"));
    ASSERT_EQ(Sent.size(), 3u);
    EXPECT_EQ(Sent[0].Name, QStringLiteral("Bob"));
    EXPECT_EQ(Sent[1].Name, QStringLiteral("Ann"));
    EXPECT_EQ(Sent[2].Name, QStringLiteral("Bob"));
    EXPECT_EQ(Away.Store().Get(Away.Store().IndexOf(QStringLiteral("Bob"))).Messages().Count(), 3);
    EXPECT_EQ(Away.NewAwayMessageCount(), 4);
  }
}

TEST_F(AwaySystemTest, ASenderInOtherLetterCaseIsFiledUnderTheStoredOne) {
  Away.SetAway(QStringLiteral("/away"));
  Tell(QStringLiteral("Bob"), "one");
  Ticks.Advance(1000);
  Tell(QStringLiteral("BOB"), "two");
  ASSERT_EQ(Away.Store().Count(), 1);
  const TAwayCharacter& bob = Away.Store().Get(0);
  EXPECT_EQ(bob.Name(), QStringLiteral("Bob"));
  ASSERT_EQ(bob.Messages().Count(), 2);
  EXPECT_EQ(bob.Messages().Get(1).Text(), "two");
  EXPECT_EQ(bob.Messages().Get(1).Received(), FixedTime());
  EXPECT_FALSE(bob.Viewed);
  EXPECT_EQ(Sent.size(), 1u); // the throttle knows "BOB" as "Bob"
}

TEST_F(AwaySystemTest, AutoAwayComesBetween600And605SecondsOnlyWhileLoggedIn) {
  Settings.AutoAway = true;
  Settings.AutoAwayIdle = 10;
  Settings.AutoAwayMessage = QStringLiteral("  back soon ");
  for (const bool loggedIn : {false, true}) {
    SCOPED_TRACE(loggedIn);
    LoggedIn = loggedIn;
    Away.SetBack();
    Away.UpdateAwayTimer();
    EXPECT_TRUE(Away.AwayTimer().isActive());
    EXPECT_EQ(Away.AwayTimer().interval(), 5000);
    const uint32_t activity = Ticks.Now();
    std::optional<uint32_t> awayAfter;
    // The timer's ticks come at some phase of the 5 s period; here 3 s in.
    Ticks.Advance(3000);
    for (int i = 0; i < 140 && !awayAfter; ++i) {
      Away.AwayTimerTimer();
      if (Away.IsAway()) {
        awayAfter = Ticks.Now() - activity;
      }
      Ticks.Advance(5000);
    }
    if (loggedIn) {
      ASSERT_TRUE(awayAfter.has_value());
      EXPECT_GE(*awayAfter, 600000u);
      EXPECT_LT(*awayAfter, 605000u);
      EXPECT_EQ(Away.AwayReason(), QStringLiteral("back soon"));
    } else {
      EXPECT_FALSE(awayAfter.has_value());
    }
  }
  Settings.AutoAway = false;
  Away.UpdateAwayTimer();
  EXPECT_FALSE(Away.AwayTimer().isActive());
}

TEST_F(AwaySystemTest, ActivityPostponesAutoAwayAndAnIdleOfZeroNeverFires) {
  Settings.AutoAway = true;
  Settings.AutoAwayIdle = 1;
  Away.UpdateAwayTimer();
  Ticks.Advance(59000);
  Away.MessageSent(false);
  Ticks.Advance(59000);
  Away.AwayTimerTimer();
  EXPECT_FALSE(Away.IsAway());
  Ticks.Advance(1000);
  Away.AwayTimerTimer();
  EXPECT_TRUE(Away.IsAway());

  Away.SetBack();
  Settings.AutoAwayIdle = 0;
  Ticks.Advance(3600000);
  Away.AwayTimerTimer();
  EXPECT_FALSE(Away.IsAway());
}

TEST_F(AwaySystemTest, SetBackAsksOnlyAboutNewMessagesAndNoKeepsTheCount) {
  Away.SetAway(QStringLiteral("/away"));
  Away.SetBack();
  EXPECT_TRUE(Prompt.Messages.isEmpty());
  EXPECT_EQ(InputCleared, 0);

  Away.SetAway(QStringLiteral("/away"));
  Tell(QStringLiteral("Bob"));
  Tell(QStringLiteral("Ann"));
  Prompt.Answers = {false};
  Away.SetBack(); // asked, answered No
  EXPECT_EQ(Away.NewAwayMessageCount(), 2);
  EXPECT_EQ(ViewerShown, 0);
  EXPECT_EQ(InputCleared, 1);

  Away.SetAway(QStringLiteral("/away"));
  Tell(QStringLiteral("Cid"));
  Prompt.Answers = {true};
  Away.SetBack(); // the total, answered Yes
  const QString question = QStringLiteral(
      "Question: You have %1 new away messages.  Would you like to view \r\nyour messages?");
  EXPECT_EQ(Prompt.Messages, (QStringList{question.arg(2), question.arg(3)}));
  EXPECT_EQ(Away.NewAwayMessageCount(), 0);
  EXPECT_EQ(ViewerShown, 1);
  EXPECT_EQ(InputCleared, 2);
  EXPECT_EQ(Away.Store().Count(), 3); // the store outlives coming back
}

TEST_F(AwaySystemTest, TheAutoReplyFlagIsDownAfterAFailedSendAndOnlyUserSendsCancelAway) {
  Away.SetAway(QStringLiteral("/away"));
  SendFails = true;
  EXPECT_THROW(Tell(QStringLiteral("Bob")), TChatException);
  ASSERT_EQ(Sent.size(), 1u);
  EXPECT_TRUE(Sent[0].DuringReply);
  EXPECT_FALSE(Away.SendingAutoReply());

  // With AwayAutoCancel the reply itself does not end away mode; the user's own messages do.
  Settings.AwayAutoCancel = true;
  SendFails = false;
  Away.SendTell = [this](const QString&, const QString&) { Away.MessageSent(true); };
  Ticks.Advance(60000);
  Tell(QStringLiteral("Bob"));
  EXPECT_TRUE(Away.IsAway());
  const struct { bool Tell; } sends[] = {{true}, {false}};
  for (const auto& send : sends) {
    Away.SetAway(QStringLiteral("/away x"));
    Ticks.Advance(5000);
    Away.MessageSent(send.Tell);
    EXPECT_FALSE(Away.IsAway());
    EXPECT_EQ(Away.LastActivity(), Ticks.Now());
  }
  Settings.AwayAutoCancel = false;
  Away.SetAway(QStringLiteral("/away"));
  Away.MessageSent(true);
  EXPECT_TRUE(Away.IsAway());
}

TEST_F(AwaySystemTest, StoredMessagesKeepCopiesOfReferenceBlobsOnly) {
  const TItemBlob item(11, 22, 33);
  const TTextBlob text("ref text", 7);
  const TUnknownBlob unknown("\x01\x02");
  const TVoiceBlob voice("b", "g", "q", "s");
  const TStringsBlob strings({"a", "b"});
  const struct {
    const char* Name;
    const TBlob* Blob;
    bool Kept;
  } cases[] = {{"item", &item, true},    {"text", &text, true},        {"unknown", &unknown, true},
               {"voice", &voice, false}, {"strings", &strings, false}, {"none", nullptr, false}};
  for (const auto& c : cases) {
    Away.StoreAwayMessage(QStringLiteral("Bob"), c.Name, c.Blob);
  }
  const TAwayMessageList& messages = Away.Store().Get(0).Messages();
  ASSERT_EQ(messages.Count(), 6);
  for (int i = 0; i < messages.Count(); ++i) {
    SCOPED_TRACE(cases[i].Name);
    const TBlob* stored = messages.Get(i).Blob();
    ASSERT_EQ(stored != nullptr, cases[i].Kept);
    if (stored != nullptr) {
      EXPECT_NE(stored, cases[i].Blob); // a copy of its own
      EXPECT_EQ(stored->ClassName(), cases[i].Blob->ClassName());
    }
  }
  const auto* copy = dynamic_cast<const TItemBlob*>(messages.Get(0).Blob());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->LowID, 11);
  EXPECT_EQ(copy->HiID, 22);
  EXPECT_EQ(copy->QL, 33);
  const auto* textCopy = dynamic_cast<const TTextBlob*>(messages.Get(1).Blob());
  ASSERT_NE(textCopy, nullptr);
  EXPECT_EQ(textCopy->Text, "ref text");
  EXPECT_THROW(messages.Get(6), TChatException);
}

TEST_F(AwaySystemTest, ActionsFollowTheAwayModeTheLoginAndTheStore) {
  QAction away(QStringLiteral("Set Yourself Away"));
  QAction messages(QStringLiteral("Away Messages"));
  LoggedIn = false;
  Away.UpdateActions(&away, &messages);
  EXPECT_FALSE(away.isEnabled());
  EXPECT_FALSE(messages.isEnabled());
  LoggedIn = true;
  Away.SetAway(QStringLiteral("/away"));
  Tell(QStringLiteral("Bob"));
  Away.UpdateActions(&away, &messages);
  EXPECT_TRUE(away.isEnabled());
  EXPECT_EQ(away.text(), QStringLiteral("Set Yourself Back"));
  EXPECT_EQ(away.toolTip(), QStringLiteral("Set Yourself Back"));
  EXPECT_TRUE(messages.isEnabled());
  Away.SetBack();
  Away.ClearMessages();
  Away.UpdateActions(&away, &messages);
  EXPECT_EQ(away.text(), QStringLiteral("Set Yourself Away"));
  EXPECT_EQ(away.toolTip(), QStringLiteral("Set Yourself Away"));
  EXPECT_FALSE(messages.isEnabled());
  EXPECT_EQ(Away.NewAwayMessageCount(), 0);
}

// The private message handler runs the away steps after the line, and not at all for an
// ignored sender.
class AwayHandlerTest : public TPresenterTest {
protected:
  AwayHandlerTest() : Away(Settings, Ticks, Prompt) {
    Away.SendTell = [this](const QString& name, const QString&) { Replies.push_back(name); };
    Presenter.IsIgnored = [](const QString& name) {
      return name.compare(QStringLiteral("Pest"), Qt::CaseInsensitive) == 0;
    };
    Presenter.IsAway = [this] { return Away.IsAway(); };
    Presenter.OnAwayPrivateMessage = [this](TChatPresenter&, const QString& name,
                                            const TBytes& message, const TBlob* blob) {
      LinesBeforeStep = Lines.size();
      Away.AwayPrivateMessage(name, message, blob);
    };
  }

  TSettings Settings;
  TManualTickSource Ticks;
  TScriptedPrompt Prompt;
  TAwaySystem Away;
  std::vector<QString> Replies;
  size_t LinesBeforeStep = 0;
};

TEST_F(AwayHandlerTest, AnIgnoredSenderIsNeitherStoredNorAnswered) {
  Away.SetAway(QStringLiteral("/away"));
  Presenter.VeyraChatPrivateMessage(Engine, "pest", "buy gold", nullptr);
  EXPECT_EQ(Away.Store().Count(), 0);
  EXPECT_TRUE(Replies.empty());
  EXPECT_TRUE(Lines.empty());

  Presenter.VeyraChatPrivateMessage(Engine, "Bob", "hi", nullptr);
  EXPECT_EQ(LinesBeforeStep, 1u); // shown first, then stored and answered
  EXPECT_EQ(Away.Store().Count(), 1);
  EXPECT_EQ(Replies, std::vector<QString>{QStringLiteral("Bob")});

  Away.SetBack();
  Presenter.VeyraChatPrivateMessage(Engine, "Bob", "again", nullptr);
  EXPECT_EQ(Away.Store().Get(0).Messages().Count(), 1); // not away: nothing stored
}

} // namespace
} // namespace tessra::testing
