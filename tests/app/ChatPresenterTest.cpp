#include <functional>

#include "PresenterFixture.h"
#include "common/ChatException.h"
#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/TextTransforms.h"
#include "engine/VeyraBlob.h"

namespace tessra::testing {
namespace {

const QString kTyrinLink =
    QStringLiteral(R"(<a name="charlink" effect="0" params="Tyrin" hint="Query Tyrin">Tyrin</a>)");
const QString kStamp =
    QStringLiteral(R"(<noselect><font color="#808080">[14:05]</font>&nbsp;</noselect>)");

TGroupId Gid(uint8_t last) {
  return TGroupId{0x03, 0x00, 0x00, 0x00, last};
}

// --- the tell line and the time stamp ---------------------------------------------------------

struct TTellCase {
  const char* Name;
  std::function<void(TChatPresenterSettings&)> Change;
  QString Expected;
};

TEST_F(TPresenterTest, TellLineFollowsTheTimeStampAndLinkSettings) {
  const TTellCase cases[] = {
      {"stamp and indent", [](TChatPresenterSettings&) {},
       kStamp + QStringLiteral(R"(<indent><font color="#800080">)") + kTyrinLink +
           QStringLiteral(": hi</font></font>")},
      {"no indent", [](TChatPresenterSettings& s) { s.TimestampIndent = false; },
       kStamp + QStringLiteral(R"(<font color="#800080">)") + kTyrinLink +
           QStringLiteral(": hi</font></font>")},
      {"no stamp, indent ignored", [](TChatPresenterSettings& s) { s.TimestampChat = false; },
       QStringLiteral(R"(<font color="#800080">)") + kTyrinLink +
           QStringLiteral(": hi</font></font>")},
      {"names not linked",
       [](TChatPresenterSettings& s) {
         s.TimestampChat = false;
         s.LinkNames = false;
       },
       QStringLiteral(R"(<font color="#800080">Tyrin: hi</font></font>)")},
      {"own pattern and colour",
       [](TChatPresenterSettings& s) {
         s.TimestampFormat = QStringLiteral("hh:nn:ss ampm");
         s.TimestampColor = QColor(0x12, 0xAB, 0xEF);
       },
       QStringLiteral(R"(<noselect><font color="#12ABEF">02:05:00 PM</font>&nbsp;</noselect>)"
                      R"(<indent><font color="#800080">)") +
           kTyrinLink + QStringLiteral(": hi</font></font>")},
  };
  for (const TTellCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Presenter.Settings() = TChatPresenterSettings{};
    c.Change(Presenter.Settings());
    Lines.clear();
    Presenter.VeyraChatPrivateMessage(Engine, "Tyrin", "hi", nullptr);
    ASSERT_EQ(Lines.size(), 1u);
    EXPECT_EQ(Lines[0].Markup, c.Expected);
    EXPECT_TRUE(Lines[0].ParseUrls);
  }
  Presenter.Settings().ParseUrls = false;
  Presenter.AddErrorLine(QStringLiteral("x"));
  EXPECT_FALSE(Lines.back().ParseUrls);
}

TEST_F(TPresenterTest, UntimestampedOutputLineHasNoStamp) {
  Presenter.AddOutputLine(QStringLiteral("Welcome"), QColor(0x11, 0x22, 0x33), false);
  EXPECT_EQ(LastMarkup(), QStringLiteral(R"(<font color="#112233">Welcome</font>)"));
}

// The same line with the shared transforms, as the main window binds them: the tell of the
// example byte for byte, and its log line without the game's colour code.
TEST_F(TPresenterTest, TellLineWithTheSharedTransforms) {
  TChatTextTransforms shared;
  shared.DecodeChatText = [](QByteArrayView b) { return DecodeChatText(b); };
  shared.EncodeChatText = [](const QString& s) { return EncodeChatText(s); };
  shared.ReplaceLiterals = [](QByteArrayView b, const TBlob* blob, const std::optional<QColor>& c) {
    return ReplaceLiterals(b, blob, c, TReplaceLiteralsSettings{});
  };
  shared.StripColorCodes = [](const QString& s) { return StripColorCodes(s); };
  shared.ColorToHex = [](const QColor& c) { return ColorToHex(c); };
  TChatPresenter presenter(
      std::move(shared),
      [this](const QString& m, bool p) {
        Lines.push_back({m, p});
      },
      Log, Panel);
  presenter.Clock = FixedTime;
  presenter.Locale = EnglishLocale();
  Log.Settings().Logging = true;

  presenter.VeyraChatPrivateMessage(Engine, "Tyrin", "hi", nullptr);
  ASSERT_EQ(Lines.size(), 1u);
  EXPECT_EQ(Lines[0].Markup, kStamp + QStringLiteral(R"(<indent><font color="#800080">)") +
                                 kTyrinLink + QStringLiteral(": hi</font></font>"));
  presenter.VeyraChatPrivateMessage(Engine, "Tyrin", "\x10\x17red\x12 caf\xC3\xA9", nullptr);
  EXPECT_EQ(ReadLog(QStringLiteral("private.log")),
            QByteArray("[02:05 PM]: Tyrin: hi\r\n[02:05 PM]: Tyrin: red caf\xC3\xA9\r\n"));
}

// --- every builder: mark-up, the colour handed to ReplaceLiterals, the log line ----------------

struct TBuilderCase {
  const char* Name;
  std::function<void(TChatPresenter&)> Build;
  QString Markup;               // without time stamp
  std::optional<QColor> Colour; // the message colour ReplaceLiterals was asked for, if called
  const char* LogFile;
  QByteArray LogLine;
};

TEST_F(TPresenterTest, BuildersWriteTheirTemplatesColoursAndLogLines) {
  const QColor navy(0x00, 0x00, 0x80);
  const QColor green(0x00, 0x80, 0x00);
  const QString tradeLink = QStringLiteral(
      R"(<a name="publiclink" effect="0" params="Trade Shopping 1" hint="Query Trade Shopping 1">)"
      R"(Trade Shopping 1</a>)");
  const TBuilderCase cases[] = {
      {"error", [](TChatPresenter& p) { p.AddErrorLine(QStringLiteral("Oops")); },
       QStringLiteral(R"(<font color="#FF0000">Oops</font>)"), std::nullopt, "errors.log", "Oops"},
      {"system", [](TChatPresenter& p) { p.AddSystemLine(QStringLiteral("Up")); },
       QStringLiteral(R"(<font color="#800000">System Message: Up</font></font>)"), std::nullopt,
       "system.log", "System Message: Up"},
      {"trade group",
       [](TChatPresenter& p) {
         p.AddGroupLine(QStringLiteral("Trade Shopping 1"), QStringLiteral("Tyrin"), nullptr,
                        "wts");
       },
       QStringLiteral(R"(<font color="#000080">[)") + tradeLink + QStringLiteral("] ") +
           kTyrinLink + QStringLiteral(": wts</font></font>"),
       navy, "groups.log", "[Trade Shopping 1] Tyrin: wts"},
      {"seeking team",
       [](TChatPresenter& p) {
         p.AddGroupLine(QStringLiteral("Seeking Team"), QStringLiteral("Tyrin"), nullptr, "lf");
       },
       QString(), navy, "groups.log", "[Seeking Team] Tyrin: lf"},
      {"seeking team in lower case",
       [](TChatPresenter& p) {
         p.AddGroupLine(QStringLiteral("seeking team 2"), QStringLiteral("Tyrin"), nullptr, "lf");
       },
       QString(), navy, "groups.log", "[seeking team 2] Tyrin: lf"},
      {"other group",
       [](TChatPresenter& p) {
         p.AddGroupLine(QStringLiteral("Clan Korrin"), QStringLiteral(""), nullptr, "yo");
       },
       QStringLiteral(
           R"(<font color="#008000">[<a name="publiclink" effect="0" params="Clan Korrin" )"
           R"(hint="Query Clan Korrin">Clan Korrin</a>] <a name="charlink" effect="0" params="" )"
           R"(hint="Query "></a>: yo</font></font>)"),
       green, "groups.log", "[Clan Korrin] : yo"},
      {"sent tell",
       [](TChatPresenter& p) { p.AddSentTellLine(QStringLiteral("Tyrin"), "ok", nullptr); },
       QStringLiteral(R"(<font color="#0000FF">To [)") + kTyrinLink +
           QStringLiteral("]: ok</font></font>"),
       QColor(0x00, 0x00, 0xFF), "private.log", "To [Tyrin]: ok"},
      {"private group",
       [](TChatPresenter& p) {
         p.AddPrivateGroupLine(QStringLiteral("Korrin"), QStringLiteral("Tyrin"), nullptr, "hello");
       },
       QStringLiteral(R"(<font color="#008080">[<a name="privatelink" effect="0" params="Korrin" )"
                      R"(hint="Query Korrin">Korrin</a>] <a name="privcharlink" effect="0" )"
                      R"(params="Tyrin,Korrin" hint="Query Tyrin">Tyrin</a>: hello</font></font>)"),
       QColor(0x00, 0x80, 0x80), "privgrps.log", "[Korrin] Tyrin: hello"},
      {"join",
       [](TChatPresenter& p) {
         p.AddPrivateJoinLine(QStringLiteral("Korrin"), QStringLiteral("Tyrin"));
       },
       QStringLiteral(R"(<font color="#808000">Tyrin joined the private group Korrin.</font>)"),
       std::nullopt, "privgrps.log", "Tyrin joined the private group Korrin."},
      {"leave",
       [](TChatPresenter& p) {
         p.AddPrivateLeaveLine(QStringLiteral("Korrin"), QStringLiteral("Tyrin"));
       },
       QStringLiteral(R"(<font color="#808000">Tyrin left the private group Korrin.</font>)"),
       std::nullopt, "privgrps.log", "Tyrin left the private group Korrin."},
      {"kick", [](TChatPresenter& p) { p.AddPrivateKickLine(QStringLiteral("Korrin")); },
       QStringLiteral(
           R"(<font color="#808000">You have been kicked from the private group Korrin.</font>)"),
       std::nullopt, "privgrps.log", "You have been kicked from the private group Korrin."},
  };
  Presenter.Settings().TimestampChat = false;
  Log.Settings().Logging = true;
  Log.Settings().TimestampLogging = false;
  for (const TBuilderCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Lines.clear();
    Recorder.Colors.clear();
    const QByteArray before = ReadLog(QString::fromLatin1(c.LogFile));
    c.Build(Presenter);
    ASSERT_EQ(Lines.size(), 1u);
    if (!c.Markup.isEmpty()) {
      EXPECT_EQ(Lines[0].Markup, c.Markup);
    }
    if (c.Colour) {
      EXPECT_TRUE(Lines[0].Markup.startsWith(QStringLiteral("<font color=\"#") +
                                             c.Colour->name().mid(1).toUpper() +
                                             QStringLiteral("\">")));
      ASSERT_EQ(Recorder.Colors.size(), 1u);
      EXPECT_EQ(Recorder.Colors[0], c.Colour);
    } else {
      EXPECT_TRUE(Recorder.Colors.empty());
    }
    EXPECT_EQ(ReadLog(QString::fromLatin1(c.LogFile)), before + c.LogLine + "\r\n");
  }
}

TEST_F(TPresenterTest, GroupsStayLinkedWhenOnlyNamesAreNotAndTheOtherWayRound) {
  Presenter.Settings().TimestampChat = false;
  Presenter.Settings().LinkNames = false;
  Presenter.AddGroupLine(QStringLiteral("OOC"), QStringLiteral("Tyrin"), nullptr, "a");
  EXPECT_EQ(LastMarkup(), QStringLiteral(R"(<font color="#008000">[<a name="publiclink" )"
                                         R"(effect="0" params="OOC" hint="Query OOC">OOC</a>] )"
                                         R"(Tyrin: a</font></font>)"));
  Presenter.AddPrivateGroupLine(QStringLiteral("Korrin"), QStringLiteral("Tyrin"), nullptr, "b");
  EXPECT_TRUE(LastMarkup().contains(QStringLiteral("Korrin</a>] Tyrin: b")));

  Presenter.Settings().LinkNames = true;
  Presenter.Settings().LinkGroups = false;
  Presenter.AddGroupLine(QStringLiteral("OOC"), QStringLiteral("Tyrin"), nullptr, "a");
  EXPECT_EQ(LastMarkup(), QStringLiteral(R"(<font color="#008000">[OOC] )") + kTyrinLink +
                              QStringLiteral(": a</font></font>"));
  Presenter.AddPrivateGroupLine(QStringLiteral("Korrin"), QStringLiteral("Tyrin"), nullptr, "b");
  EXPECT_TRUE(LastMarkup().startsWith(QStringLiteral(R"(<font color="#008080">[Korrin] <a )")));
}

// --- logging through the builders ---------------------------------------------------------------

TEST_F(TPresenterTest, TellsAreLoggedWithThePrefixAndTheWireBytes) {
  Log.Settings().Logging = true;
  Presenter.VeyraChatPrivateMessage(Engine, "Tyrin", "hi", nullptr);
  Presenter.AddSentTellLine(QStringLiteral("Tyrin"), "ok", nullptr);
  // A colour code goes, the game's tags and bytes that are not UTF-8 stay as they came.
  Presenter.VeyraChatPrivateMessage(Engine, "Tyrin", "\x10\x0E<b>bl\xC4u</b>\x12!", nullptr);
  EXPECT_EQ(ReadLog(QStringLiteral("private.log")),
            QByteArray("[02:05 PM]: Tyrin: hi\r\n"
                       "[02:05 PM]: To [Tyrin]: ok\r\n"
                       "[02:05 PM]: Tyrin: <b>bl\xC4u</b>!\r\n"));

  Log.Settings().TimestampLogging = false;
  Panel.PrivateGroups[QStringLiteral("korrin")] = false;
  Presenter.VeyraChatPrivateGroupMessage(Engine, "Korrin", "Tyrin", "hello", nullptr);
  EXPECT_EQ(ReadLog(QStringLiteral("privgrps.log")), QByteArray("[Korrin] Tyrin: hello\r\n"));

  Log.Settings().LogError = false;
  Presenter.AddErrorLine(
      QStringLiteral("Disconnected from Veyra chat server: socket error #10054"));
  EXPECT_EQ(Lines.size(), 5u);
  EXPECT_EQ(ReadLog(QStringLiteral("errors.log")), QByteArray());
}

TEST_F(TPresenterTest, FailedErrorLogReportsOnceWithoutRecursing) {
  Log.Settings().Logging = true;
  ASSERT_TRUE(QDir().mkpath(LogFolder() + QStringLiteral("/errors.log")));
  int reports = 0;
  Log.OnWriteError = [this, &reports](TChatLogWriter&, const QString& message) {
    ++reports;
    Presenter.AddErrorLine(message);
  };
  Presenter.AddErrorLine(QStringLiteral("first"));
  EXPECT_EQ(reports, 1);
  ASSERT_EQ(Lines.size(), 2u);
  EXPECT_TRUE(Lines[1].Markup.contains(QStringLiteral("errors.log")));
  Presenter.AddErrorLine(QStringLiteral("second"));
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(Lines.size(), 3u);
}

// --- handlers -----------------------------------------------------------------------------------

TEST_F(TPresenterTest, SystemMessagePassesThroughReplaceLiteralsWithoutColour) {
  Presenter.Settings().TimestampChat = false;
  Presenter.VeyraChatSystemMessage(Engine, "Server going down");
  ASSERT_EQ(Recorder.Colors.size(), 1u);
  EXPECT_FALSE(Recorder.Colors[0].has_value());
  EXPECT_EQ(
      LastMarkup(),
      QStringLiteral(R"(<font color="#800000">System Message: Server going down</font></font>)"));
}

TEST_F(TPresenterTest, OfflineNoticesFromTheBlobStrings) {
  Presenter.Settings().TimestampChat = false;
  const auto systemLine = [](const char* text) {
    return QStringLiteral(R"(<font color="#800000">System Message: )") + QString::fromUtf8(text) +
           QStringLiteral("</font></font>");
  };
  const TStringsBlob two({"Tyrin", "2003-05-01 12:00"});
  Presenter.VeyraChatOfflinePrivMessage(Engine, "", "", &two);
  EXPECT_EQ(LastMarkup(), systemLine("Offline message from Tyrin on 2003-05-01 12:00:"));
  const TStringsBlob one({"Tyrin"});
  Presenter.VeyraChatOfflinePrivMessage(Engine, "", "", &one);
  EXPECT_EQ(LastMarkup(), systemLine("Tyrin is offline at the moment"));
  EXPECT_TRUE(Recorder.Colors.empty());

  // Nothing to read: no line rather than a read past the strings.
  const TStringsBlob none;
  const TTextBlob other;
  Presenter.VeyraChatOfflinePrivMessage(Engine, "", "", &none);
  Presenter.VeyraChatOfflinePrivMessage(Engine, "", "", &other);
  Presenter.VeyraChatOfflinePrivMessage(Engine, "", "", nullptr);
  EXPECT_EQ(Lines.size(), 2u);
}

TEST_F(TPresenterTest, IgnoredSenderInOtherCaseIsDroppedEverywhere) {
  Log.Settings().Logging = true;
  Presenter.IsIgnored = [](const QString& name) {
    return name.compare(QStringLiteral("tYRIN"), Qt::CaseInsensitive) == 0;
  };
  bool away = false;
  int awaySteps = 0;
  Presenter.IsAway = [&away] { return away; };
  Presenter.OnAwayPrivateMessage = [&awaySteps](TChatPresenter&, const QString& name,
                                                const TBytes& message, const TBlob*) {
    EXPECT_EQ(name, QStringLiteral("Aria"));
    EXPECT_EQ(message, "yo");
    ++awaySteps;
  };

  Presenter.VeyraChatPrivateMessage(Engine, "Aria", "yo", nullptr);
  EXPECT_EQ(Presenter.LastTellSender(), QStringLiteral("Aria"));
  EXPECT_EQ(awaySteps, 0);
  away = true;
  Presenter.VeyraChatPrivateMessage(Engine, "Tyrin", "hi", nullptr);
  EXPECT_EQ(Presenter.LastTellSender(), QStringLiteral("Aria"));
  EXPECT_EQ(awaySteps, 0);
  Presenter.VeyraChatPrivateMessage(Engine, "Aria", "yo", nullptr);
  EXPECT_EQ(awaySteps, 1);

  Engine.GroupList().Add(Gid(1), "OOC", 0);
  Presenter.VeyraChatGroupMessage(Engine, 0, "TYRIN", "x", nullptr);
  Panel.PrivateGroups[QStringLiteral("korrin")] = false;
  Presenter.VeyraChatPrivateGroupMessage(Engine, "Korrin", "tyrin", "x", nullptr);
  EXPECT_EQ(Lines.size(), 2u);
  EXPECT_EQ(ReadLog(QStringLiteral("private.log")).count("Tyrin"), 0);
  EXPECT_FALSE(QFile::exists(LogFolder() + QStringLiteral("/groups.log")));
}

TEST_F(TPresenterTest, GroupMessageNamesTheEngineGroupAndRejectsAnUnknownIndex) {
  Presenter.Settings().TimestampChat = false;
  Presenter.Settings().LinkGroups = false;
  Presenter.Settings().LinkNames = false;
  Engine.GroupList().Add(Gid(1), "OOC", 0);
  Engine.GroupList().Add(Gid(2), "Trade Shopping 1", 0);
  Presenter.VeyraChatGroupMessage(Engine, 1, "Tyrin", "wts", nullptr);
  EXPECT_EQ(LastMarkup(),
            QStringLiteral(R"(<font color="#000080">[Trade Shopping 1] Tyrin: wts</font></font>)"));
  EXPECT_THROW(Presenter.VeyraChatGroupMessage(Engine, 2, "Tyrin", "x", nullptr), TChatException);
  EXPECT_THROW(Presenter.VeyraChatGroupMessage(Engine, -1, "Tyrin", "x", nullptr), TChatException);
  EXPECT_EQ(Lines.size(), 1u);
}

TEST_F(TPresenterTest, PrivateGroupMuteNodesLeaveAndKick) {
  Presenter.Settings().TimestampChat = false;
  Presenter.CurrentChar = [] { return QStringLiteral("Aria"); };
  Panel.PrivateGroups[QStringLiteral("muted")] = true;
  Panel.PrivateGroups[QStringLiteral("korrin")] = false;

  // Muted or without a node: nothing of the group is shown.
  for (const char* group : {"Muted", "Nowhere"}) {
    SCOPED_TRACE(group);
    Presenter.VeyraChatPrivateGroupMessage(Engine, group, "Tyrin", "x", nullptr);
    Presenter.VeyraChatPrivateGroupJoin(Engine, group, "Tyrin");
    Presenter.VeyraChatPrivateGroupLeave(Engine, group, "Tyrin");
    EXPECT_TRUE(Lines.empty());
  }
  EXPECT_TRUE(Panel.Removed.empty());

  Presenter.VeyraChatPrivateGroupJoin(Engine, "Korrin", "Tyrin");
  EXPECT_EQ(
      LastMarkup(),
      QStringLiteral(R"(<font color="#808000">Tyrin joined the private group Korrin.</font>)"));
  Presenter.VeyraChatPrivateGroupLeave(Engine, "Korrin", "Tyrin");
  EXPECT_TRUE(Panel.Removed.empty());
  // The user leaving (in other letter case): the line, then the node goes.
  Presenter.VeyraChatPrivateGroupLeave(Engine, "Korrin", "ARIA");
  EXPECT_EQ(LastMarkup(),
            QStringLiteral(R"(<font color="#808000">ARIA left the private group Korrin.</font>)"));
  EXPECT_EQ(Panel.Removed, std::vector<QString>{QStringLiteral("Korrin")});
  EXPECT_EQ(Lines.size(), 3u);

  // A kick is shown when the node exists, muted or not, and the group is removed either way.
  Presenter.VeyraChatPrivateGroupKick(Engine, "Muted");
  EXPECT_EQ(LastMarkup(), QStringLiteral(R"(<font color="#808000">You have been kicked from )"
                                         R"(the private group Muted.</font>)"));
  Presenter.VeyraChatPrivateGroupKick(Engine, "Nowhere");
  EXPECT_EQ(Lines.size(), 4u);
  EXPECT_EQ(Panel.Removed, (std::vector<QString>{QStringLiteral("Korrin"), QStringLiteral("Muted"),
                                                 QStringLiteral("Nowhere")}));
}

struct TIconCase {
  TGroupNodeIcon Before;
  bool Muted;
  TGroupNodeIcon After;
  const char* Line; // nullptr: no line
};

TEST_F(TPresenterTest, GroupListChangeSetsIconsAndReportsOnlyServerChanges) {
  Presenter.Settings().TimestampChat = false;
  const TIconCase cases[] = {
      {TGroupNodeIcon::None, false, TGroupNodeIcon::Listening, nullptr},
      {TGroupNodeIcon::None, true, TGroupNodeIcon::Muted, nullptr},
      {TGroupNodeIcon::Listening, false, TGroupNodeIcon::Listening, nullptr},
      {TGroupNodeIcon::Muted, true, TGroupNodeIcon::Muted, nullptr},
      {TGroupNodeIcon::Muted, false, TGroupNodeIcon::Listening, "Server unmuted group \"OOC\"!"},
      {TGroupNodeIcon::Listening, true, TGroupNodeIcon::Muted, "Server muted group \"OOC\"!"},
  };
  for (const TIconCase& c : cases) {
    SCOPED_TRACE(static_cast<int>(&c - cases));
    Lines.clear();
    // The engine's entry is replaced; the panel's node keeps its own spelling.
    TGroupPanelNode* node = Panel.GetPublicGroupNode(QStringLiteral("OOC"));
    node->SetIcon(c.Before);
    Engine.GroupList().Add(Gid(1), "ooc", c.Muted ? kGroupMuteFlags : 0);
    Presenter.VeyraChatGroupListChange(Engine);
    EXPECT_EQ(node->Icon(), c.After);
    if (c.Line == nullptr) {
      EXPECT_TRUE(Lines.empty());
    } else {
      ASSERT_EQ(Lines.size(), 1u);
      EXPECT_EQ(Lines[0].Markup, QStringLiteral(R"(<font color="#FF0000">)") +
                                     QString::fromUtf8(c.Line) + QStringLiteral("</font>"));
    }
  }

  // A group the panel has no node for is passed over; the others still get their icons, inside
  // one update batch.
  Engine.GroupList().Add(Gid(2), "Hidden", 0);
  Engine.GroupList().Add(Gid(3), "New", kGroupMuteFlags);
  Panel.Refused.insert(QStringLiteral("Hidden"));
  const int batches = Panel.UpdatesEnded;
  Presenter.VeyraChatGroupListChange(Engine);
  EXPECT_EQ(Panel.UpdatesEnded, batches + 1);
  EXPECT_EQ(Panel.UpdateDepth, 0);
  EXPECT_EQ(Panel.PublicNodes.count(QStringLiteral("hidden")), 0u);
  EXPECT_EQ(Panel.PublicNodes.at(QStringLiteral("new"))->Icon(), TGroupNodeIcon::Muted);
}

} // namespace
} // namespace tessra::testing
