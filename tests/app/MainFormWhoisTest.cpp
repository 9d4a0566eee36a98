// The whois look-up in the real main window, offscreen, against a local HTTP server on loopback:
// the WHOIS command and the popup menus' Whois entry, the exact console lines, the information
// box of a dimension the site does not serve, and a look-up abandoned when the window goes.

#include <memory>

#include <QCoreApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "app/ChatWiring.h"
#include "app/MainForm.h"
#include "app/PopupMenus.h"
#include "app/WhoisPresenter.h"
#include "display/WhoisHttpServer.h"
#include "settings/FileRegistry.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

static void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tessra {
namespace {

using test::PumpUntil;
using test::TWhoisHttpServer;

const QByteArray kDocument =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<character><name><firstname>Mira</firstname>"
    "<nick>Tyrin</nick><lastname>Vale</lastname></name><basic_stats><level>212</level>"
    "<breed>Solitus</breed><gender>Female</gender><faction>Clan</faction><profession>Agent"
    "</profession><profession_title>Operative</profession_title></basic_stats>"
    "<organization_membership><organization_id>4711</organization_id><organization_name>Night "
    "Watch</organization_name><rank>Advisor</rank></organization_membership></character>\n";

class MainFormWhoisTest : public ::testing::Test {
protected:
  MainFormWhoisTest() {
    auto registry = std::make_unique<TFileRegistry>(Dir.filePath(QStringLiteral("settings.json")));
    registry->Load();
    auto key = registry->OpenKey(kSettingsKey, true);
    key->WriteInteger(QStringLiteral("OnStartup"), 0);
    // A fixed time stamp, and a console font colour of its own (BBGGRR: 123456).
    key->WriteString(QStringLiteral("TimestampFormat"), QStringLiteral("'T'"));
    key->WriteDword(QStringLiteral("OutputMemo_FontColor"), 0x00563412);
    TMainForm::TOptions options;
    options.Registry = std::move(registry);
    options.Prompt = &Prompt;
    options.KeepConsoleText = true;
    options.SavePlacement = false;
    options.WhoisHost = Server.Host();
    Form = std::make_unique<TMainForm>(std::move(options));
    Form->show();
  }

  void OnDimension(int index) {
    TVeyraChat& chat = Form->VeyraChat();
    chat.Dimension = chat.DimensionList().Get(index);
  }

  // The lines added since the start of the test.
  QStringList NewLines() const { return Form->ConsoleLines().mid(Before); }

  static QString Line(const QString& text, const char* color = "000080") {
    return QStringLiteral("<noselect><font color=\"#808080\">T</font>&nbsp;</noselect><indent>"
                          "<font color=\"#") +
           QLatin1String(color) + QStringLiteral("\">") + text + QStringLiteral("</font>");
  }

  TWhoisHttpServer Server;
  QTemporaryDir Dir;
  TScriptedPrompt Prompt;
  std::unique_ptr<TMainForm> Form;
  int Before = 0;
};

TEST_F(MainFormWhoisTest, WhoisCommandPrintsTheCharactersInformation) {
  Server.Answers["/character/bio/d/1/name/Tyrin/bio.xml"] = {200, kDocument};
  OnDimension(0);
  Before = int(Form->ConsoleLines().size());
  Form->Chatting().Commands().ExecuteCommand(QStringLiteral("/whois  Tyrin "));
  ASSERT_TRUE(PumpUntil([this] { return NewLines().size() == 7; }))
      << NewLines().join('\n').toStdString();
  const QString page =
      QStringLiteral("http://") + Server.Host() + QStringLiteral("/character/bio/d/1/name/Tyrin");
  const QString org =
      QStringLiteral("http://") + Server.Host() + QStringLiteral("/org/stats/d/1/name/4711");
  const QString v = QStringLiteral("<font color=\"#123456\">");
  EXPECT_EQ(
      NewLines(),
      (QStringList{Line("Information for <a name=\"charurl\" hint=\"Display Tyrin's bio\" "
                        "params=\"" +
                        page + "\">Mira \"Tyrin\" Vale</a>"),
                   Line("Level : " + v + "212</font>"), Line("Breed : " + v + "Solitus</font>"),
                   Line("Gender : " + v + "Female</font>"), Line("Faction : " + v + "Clan</font>"),
                   Line("Profession : " + v + "Agent (Operative)</font>"),
                   Line("Advisor of <a name=\"guildurl\" hint=\"Display Night Watch's "
                        "roster\" params=\"" +
                        org + "\">Night Watch</a>")}));
  EXPECT_EQ(Server.Requests,
            QStringList{QStringLiteral("GET /character/bio/d/1/name/Tyrin/bio.xml HTTP/1.1")});
  EXPECT_TRUE(Prompt.Messages.isEmpty());
}

TEST_F(MainFormWhoisTest, PopupWhoisOfAnUnknownCharacterIsAnErrorLine) {
  OnDimension(1);
  Before = int(Form->ConsoleLines().size());
  TPopupMenus& menus = Form->Chatting().Menus();
  menus.PopupChar = QStringLiteral("Nobody");
  menus.WhoisActionExecute();
  ASSERT_TRUE(PumpUntil([this] { return !NewLines().isEmpty(); }));
  EXPECT_EQ(NewLines(), QStringList{Line("Unknown character: Nobody", "FF0000")});
  EXPECT_EQ(Server.Requests,
            QStringList{QStringLiteral("GET /character/bio/d/2/name/Nobody/bio.xml HTTP/1.1")});
}

TEST_F(MainFormWhoisTest, OtherDimensionsShowTheInformationBoxAndSendNothing) {
  for (const int index : {2, 3}) {
    OnDimension(index);
    Form->Chatting().Commands().ExecuteCommand(QStringLiteral("/w Tyrin"));
  }
  Form->VeyraChat().Dimension = nullptr;
  Form->Chatting().Commands().ExecuteCommand(QStringLiteral("/wi Tyrin"));
  const QString box = QStringLiteral("Information: Whois information is only available on the "
                                     "Merovan and Pellis \r\nDimensions.");
  EXPECT_EQ(Prompt.Messages, (QStringList{box, box, box}));
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(Server.Requests.isEmpty());
  EXPECT_TRUE(Form->Chatting().WhoisLookups().Lookups().Running().empty());
}

TEST_F(MainFormWhoisTest, LookUpStillRunningWhenTheWindowGoesIsAbandoned) {
  Server.Answers["/character/bio/d/1/name/Tyrin/bio.xml"] = {200, "", true, true};
  OnDimension(0);
  Form->Chatting().Commands().ExecuteCommand(QStringLiteral("/whois Tyrin"));
  ASSERT_TRUE(PumpUntil([this] { return Server.Requests.size() == 1; }));
  ASSERT_EQ(Form->Chatting().WhoisLookups().Lookups().Running().size(), 1U);
  Form->close();
  Form.reset();
  for (int i = 0; i < 20; ++i) {
    QCoreApplication::processEvents();
  }
}

} // namespace
} // namespace tessra
