// The whois look-up below the window: the site's addresses, the document reader (a table of
// documents), the result lines and the look-ups against a local HTTP server on loopback.

#include <memory>
#include <optional>
#include <vector>

#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <gtest/gtest.h>

#include "display/Whois.h"
#include "display/WhoisHttpServer.h"
#include "display/WhoisLines.h"
#include "display/WhoisLookup.h"
#include "display/WhoisReader.h"
#include "display/WhoisSite.h"
#include "engine/DimensionList.h"

// Readable failure output for Qt strings.
static void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tessra {
namespace {

using test::PumpUntil;
using test::TWhoisHttpServer;

TEST(WhoisSiteTest, HostsAreHostAndPortOnly) {
  struct TCase {
    const char* Text;
    const char* Host; // nullptr: refused
  };
  const TCase cases[] = {
      {"people.veyra.example", "people.veyra.example"},
      {" 127.0.0.1:8080 ", "127.0.0.1:8080"},
      {"[::1]:80", "[::1]:80"},
      {"", nullptr},
      {"http://people.veyra.example", nullptr},
      {"people.veyra.example/path", nullptr},
      {"user@people.veyra.example", nullptr},
      {"people.veyra.example:", nullptr},
      {"people.veyra.example:70000", nullptr},
      {"people.veyra.example:http", nullptr},
      {"people.veyra.example?x", nullptr},
  };
  for (const TCase& c : cases) {
    const std::optional<TWhoisSite> site = TWhoisSite::FromHost(QString::fromUtf8(c.Text));
    if (c.Host == nullptr) {
      EXPECT_FALSE(site) << c.Text << " gave " << site->Host().toStdString();
    } else {
      ASSERT_TRUE(site) << c.Text;
      EXPECT_EQ(site->Host(), QString::fromUtf8(c.Host)) << c.Text;
    }
  }
  EXPECT_EQ(TWhoisSite().Host(), QStringLiteral("people.veyra.example"));
}

TEST(WhoisSiteTest, AddressesKeepTheNameOneEncodedSegment) {
  const TWhoisSite site;
  EXPECT_EQ(site.CharacterDocument(2, QStringLiteral("Tyrin")),
            QStringLiteral("http://people.veyra.example/character/bio/d/2/name/Tyrin/bio.xml"));
  EXPECT_EQ(site.CharacterPage(1, QStringLiteral("Tyrin")),
            QStringLiteral("http://people.veyra.example/character/bio/d/1/name/Tyrin"));
  EXPECT_EQ(site.OrganizationPage(1, QStringLiteral("4711")),
            QStringLiteral("http://people.veyra.example/org/stats/d/1/name/4711"));
  // A name from a link or the command line cannot leave its path segment or add a query.
  EXPECT_EQ(site.CharacterPage(1, QStringLiteral("a/../b?c#d \"e\"")),
            QStringLiteral("http://people.veyra.example/character/bio/d/1/name/"
                           "a%2F..%2Fb%3Fc%23d%20%22e%22"));
}

// A document with the given "name" and organisation parts and full basic stats.
QByteArray Document(const QByteArray& name, const QByteArray& organization) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<character>\n  <name>" + name +
         "</name>\n  <basic_stats><level>212</level><breed>Solitus </breed><gender>Female"
         "</gender><faction>Clan</faction><profession>Agent</profession>"
         "<profession_title>Operative</profession_title></basic_stats>\n" +
         organization + "</character>\n";
}

const QByteArray kFullName =
    "<firstname>Mira</firstname><nick>Tyrin</nick><lastname>Vale</lastname>";
const QByteArray kOrganization = "<organization_membership><organization_id>4711"
                                 "</organization_id><organization_name>Night Watch"
                                 "</organization_name><rank>Advisor</rank>"
                                 "</organization_membership>";

TEST(WhoisReaderTest, ReadsTheDocumentsFields) {
  const TWhoisResult r = ReadWhoisDocument(Document(kFullName, kOrganization),
                                           QStringLiteral("Tyrin"), 2, TWhoisSite());
  ASSERT_TRUE(r.Success);
  EXPECT_EQ(r.Name, QStringLiteral("Tyrin"));
  EXPECT_EQ(r.Dimension, 2);
  EXPECT_EQ(r.PageAddress,
            QStringLiteral("http://people.veyra.example/character/bio/d/2/name/Tyrin"));
  EXPECT_EQ(r.FullName, QStringLiteral("Mira \"Tyrin\" Vale"));
  EXPECT_EQ(r.Level, 212);
  EXPECT_EQ(r.Breed, QStringLiteral("Solitus ")); // trimmed only when shown
  EXPECT_EQ(r.Gender, QStringLiteral("Female"));
  EXPECT_EQ(r.Faction, QStringLiteral("Clan"));
  EXPECT_EQ(r.Profession, QStringLiteral("Agent (Operative)"));
  EXPECT_EQ(r.OrganizationName, QStringLiteral("Night Watch"));
  EXPECT_EQ(r.OrganizationAddress,
            QStringLiteral("http://people.veyra.example/org/stats/d/2/name/4711"));
  EXPECT_EQ(r.Rank, QStringLiteral("Advisor"));
}

TEST(WhoisReaderTest, TableOfDocuments) {
  struct TCase {
    const char* What;
    QByteArray Body;
    bool Success;
    const char* FullName;
    const char* Profession = "Agent (Operative)";
    const char* Organization = "Night Watch";
  };
  const QByteArray stats = "<basic_stats><level>5</level><profession>Agent</profession>"
                           "<profession_title>Operative</profession_title></basic_stats>";
  const std::vector<TCase> cases = {
      {"nick without first name gives the name and the nick in quotes",
       Document("<nick>Tyrin</nick>", kOrganization), true, "Tyrin \"Tyrin\""},
      {"no name element keeps the queried name", Document("", kOrganization), true, "Tyrin"},
      {"an empty first name counts as none",
       Document("<firstname/><nick>Tyrin</nick><lastname></lastname>", kOrganization), true,
       "Tyrin \"Tyrin\""},
      {"first name and last name without nick",
       Document("<firstname>Mira</firstname><lastname>Vale</lastname>", kOrganization), true,
       "Mira Vale"},
      {"no organisation", Document(kFullName, ""), true, "Mira \"Tyrin\" Vale", "Agent (Operative)",
       ""},
      {"the first of two elements counts",
       "<c><basic_stats><level>5</level><profession>Agent</profession><profession>Spy"
       "</profession><profession_title>Operative</profession_title></basic_stats>"
       "<basic_stats><level>x</level></basic_stats></c>",
       true, "Tyrin", "Agent (Operative)", ""},
      {"without a title the profession stands alone",
       "<c><basic_stats><level> 7 </level><profession>Agent</profession></basic_stats></c>", true,
       "Tyrin", "Agent", ""},
      {"text of nested elements is read and unknown elements skipped",
       "<c><junk><name><nick>X</nick></name></junk><name><nick>T<i>y</i>rin</nick></name>" + stats +
           "</c>",
       true, "Tyrin \"Tyrin\"", "Agent (Operative)", ""},
      {"ISO-8859-1 declared",
       "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><c><name><nick>J\xF6rg"
       "</nick></name>" +
           stats + "</c>",
       true, "Tyrin \"J\xC3\xB6rg\"", "Agent (Operative)", ""},
      {"an empty answer", "", false, "Tyrin"},
      {"an HTML error page", "<html><body>Not Found</body></html>", false, "Tyrin"},
      {"no basic stats", "<c>" + QByteArray("<name><nick>T</nick></name>") + "</c>", false,
       "Tyrin"},
      {"no level", "<c><basic_stats><breed>Atrox</breed></basic_stats></c>", false, "Tyrin"},
      {"a level that is not a number", "<c><basic_stats><level>ten</level></basic_stats></c>",
       false, "Tyrin"},
      {"malformed: elements crossed", "<c>" + stats + "<name></c></name>", false, "Tyrin"},
      {"cut off after the stats", "<c>" + stats, false, "Tyrin"},
      {"garbage after the root", "<c>" + stats + "</c><d>", false, "Tyrin"},
      {"an undeclared entity", "<c>" + stats + "<name><nick>&bogus;</nick></name></c>", false,
       "Tyrin"},
      {"text only", "Tyrin is not a character", false, "Tyrin"},
  };
  for (const TCase& c : cases) {
    const TWhoisResult r = ReadWhoisDocument(c.Body, QStringLiteral("Tyrin"), 1, TWhoisSite());
    EXPECT_EQ(r.Success, c.Success) << c.What;
    EXPECT_EQ(r.FullName, QString::fromUtf8(c.FullName)) << c.What;
    if (c.Success) {
      EXPECT_EQ(r.Profession, QString::fromUtf8(c.Profession)) << c.What;
      EXPECT_EQ(r.OrganizationName, QString::fromUtf8(c.Organization)) << c.What;
    }
  }
}

TEST(WhoisReaderTest, EntityExpansionIsBounded) {
  // Nested internal entities ("billion laughs"): the reader refuses the document rather than
  // building gigabytes of text.
  QByteArray doc = "<?xml version=\"1.0\"?><!DOCTYPE c [<!ENTITY a0 \"laugh\">";
  for (int i = 1; i < 10; ++i) {
    doc += "<!ENTITY a" + QByteArray::number(i) + " \"";
    for (int j = 0; j < 10; ++j) {
      doc += "&a" + QByteArray::number(i - 1) + ";";
    }
    doc += "\">";
  }
  doc += "]><c><basic_stats><level>1</level><breed>&a9;</breed></basic_stats></c>";
  const TWhoisResult r = ReadWhoisDocument(doc, QStringLiteral("Tyrin"), 1, TWhoisSite());
  EXPECT_FALSE(r.Success);
}

TWhoisResult FullResult() {
  return ReadWhoisDocument(Document(kFullName, kOrganization), QStringLiteral("Tyrin"), 1,
                           TWhoisSite());
}

const QString kValue = QStringLiteral("<font color=\"#123456\">");

TEST(WhoisLinesTest, FullResultGivesSevenLines) {
  EXPECT_EQ(
      WhoisResultLines(FullResult(), QColor(0x12, 0x34, 0x56)),
      (QStringList{
          "Information for <a name=\"charurl\" hint=\"Display Tyrin's bio\" "
          "params=\"http://people.veyra.example/character/bio/d/1/name/Tyrin\">Mira \"Tyrin\" "
          "Vale</a>",
          "Level : " + kValue + "212</font>", "Breed : " + kValue + "Solitus</font>",
          "Gender : " + kValue + "Female</font>", "Faction : " + kValue + "Clan</font>",
          "Profession : " + kValue + "Agent (Operative)</font>",
          "Advisor of <a name=\"guildurl\" hint=\"Display Night Watch's roster\" "
          "params=\"http://people.veyra.example/org/stats/d/1/name/4711\">Night Watch</a>"}));
}

TEST(WhoisLinesTest, OrganisationLineVariants) {
  TWhoisResult r = FullResult();
  r.Rank.clear();
  EXPECT_EQ(WhoisResultLines(r, Qt::black).last(),
            "<a name=\"guildurl\" hint=\"Display Night Watch's roster\" "
            "params=\"http://people.veyra.example/org/stats/d/1/name/4711\">Night Watch</a>");
  r.OrganizationAddress.clear();
  r.Rank = QStringLiteral("Advisor");
  EXPECT_EQ(WhoisResultLines(r, Qt::black).last(), QStringLiteral("Advisor of Night Watch"));
  r.OrganizationName.clear();
  EXPECT_EQ(WhoisResultLines(r, Qt::black).size(), 6);
}

TEST(WhoisLinesTest, TheSitesTextsCannotAddMarkup) {
  TWhoisResult r = FullResult();
  r.Name = QStringLiteral("Ty\"><b>rin");
  r.FullName = QStringLiteral("<font color=\"bogus\">Mira</font> & co");
  r.Breed = QStringLiteral("<a name=\"reflink\" params=\"k\">x</a>");
  r.OrganizationName = QStringLiteral("\"Watch\" <x>");
  const QStringList lines = WhoisResultLines(r, Qt::black);
  EXPECT_EQ(lines[0], "Information for <a name=\"charurl\" hint=\"Display Tybrin's bio\" "
                      "params=\"http://people.veyra.example/character/bio/d/1/name/Tyrin\">"
                      "&lt;font color=\"bogus\"&gt;Mira&lt;/font&gt; &amp; co</a>");
  EXPECT_EQ(lines[2], "Breed : <font color=\"#000000\">&lt;a name=\"reflink\" "
                      "params=\"k\"&gt;x&lt;/a&gt;</font>");
  EXPECT_EQ(lines[6], "Advisor of <a name=\"guildurl\" hint=\"Display Watch x's roster\" "
                      "params=\"http://people.veyra.example/org/stats/d/1/name/4711\">"
                      "\"Watch\" &lt;x&gt;</a>");
  EXPECT_EQ(WhoisFailureLine(QStringLiteral("<b>x&")),
            QStringLiteral("Unknown character: &lt;b&gt;x&amp;"));
}

TEST(WhoisDimensionTest, OnlyTheFirstTwoBuiltInDimensionsAreServed) {
  TDimensionList list;
  for (int i = 0; i < list.Count(); ++i) {
    list.Get(i)->SetBuiltIn(true);
  }
  TDimensionInfo* own = list.AddNew(QStringLiteral("Own"), QString(), 7000, QStringLiteral("h"));
  EXPECT_EQ(TWhois::WhoisDimension(list, list.Get(0)), 1);
  EXPECT_EQ(TWhois::WhoisDimension(list, list.Get(1)), 2);
  EXPECT_EQ(TWhois::WhoisDimension(list, list.Get(2)), 0);
  EXPECT_EQ(TWhois::WhoisDimension(list, list.Get(3)), 0);
  EXPECT_EQ(TWhois::WhoisDimension(list, own), 0);
  EXPECT_EQ(TWhois::WhoisDimension(list, nullptr), 0);
  TDimensionInfo elsewhere(QStringLiteral("Merovan"), QString(), 7105, QStringLiteral("h"));
  EXPECT_EQ(TWhois::WhoisDimension(list, &elsewhere), 0);
  // A list whose first entries are the user's own has no Merovan or Pellis in front.
  TDimensionList userOnly;
  userOnly.Clear();
  TDimensionInfo* first = userOnly.AddNew(QStringLiteral("A"), QString(), 1, QStringLiteral("h"));
  EXPECT_EQ(TWhois::WhoisDimension(userOnly, first), 0);
}

// Look-ups through the network manager against the local server.
class WhoisLookupTest : public ::testing::Test {
protected:
  WhoisLookupTest() : Site(*TWhoisSite::FromHost(Server.Host())) {
    Whois = std::make_unique<TWhois>(Site);
    Whois->Network().setProxy(QNetworkProxy::NoProxy);
    Whois->OnWhoisTerminate = [this](TWhois&, const TWhoisResult& r) { Results.push_back(r); };
  }

  void Serve(const QByteArray& name, const TWhoisHttpServer::TAnswer& answer, int dim = 1) {
    Server.Answers["/character/bio/d/" + QByteArray::number(dim) + "/name/" + name + "/bio.xml"] =
        answer;
  }

  // Starts one look-up of Tyrin and waits for its end.
  TWhoisResult LookUp(int dimension = 1) {
    Whois->Start(QStringLiteral("Tyrin"), dimension);
    EXPECT_TRUE(PumpUntil([this] { return !Results.empty(); }));
    return Results.empty() ? TWhoisResult() : Results.back();
  }

  TWhoisHttpServer Server;
  TWhoisSite Site;
  std::unique_ptr<TWhois> Whois;
  std::vector<TWhoisResult> Results;
};

TEST_F(WhoisLookupTest, FullDocumentIsReadWithOneGet) {
  Serve("Tyrin", {200, Document(kFullName, kOrganization)}, 2);
  const TWhoisResult r = LookUp(2);
  ASSERT_TRUE(r.Success);
  EXPECT_EQ(Server.Requests,
            QStringList{QStringLiteral("GET /character/bio/d/2/name/Tyrin/bio.xml HTTP/1.1")});
  EXPECT_EQ(r.FullName, QStringLiteral("Mira \"Tyrin\" Vale"));
  EXPECT_EQ(r.PageAddress, Site.CharacterPage(2, QStringLiteral("Tyrin")));
  EXPECT_EQ(r.OrganizationAddress, Site.OrganizationPage(2, QStringLiteral("4711")));
  EXPECT_EQ(Results.size(), 1U);
  // The ended look-up is gone once the event loop is back.
  EXPECT_TRUE(PumpUntil([this] { return Whois->Running().empty(); }));
}

TEST_F(WhoisLookupTest, EveryFailureEndsWithoutSuccess) {
  struct TCase {
    const char* What;
    TWhoisHttpServer::TAnswer Answer;
  };
  const QByteArray doc = Document(kFullName, kOrganization);
  // A valid document padded past the bound with a comment: only the size refuses it.
  const QByteArray large = doc + "<!--" + QByteArray(TWhoisLookup::kMaxDocumentSize, 'x') + "-->";
  const std::vector<TCase> cases = {
      {"not found", {404, "<html>Not Found</html>"}},
      {"a server error with a document", {500, doc}},
      {"a redirect", {301, doc}},
      {"malformed XML", {200, "<character><basic_stats><level>1</level></character>"}},
      {"an empty document", {200, ""}},
      {"too large, announced", {200, large}},
      {"too large, ended by the close", {200, large, false}},
  };
  for (const TCase& c : cases) {
    Results.clear();
    Serve("Tyrin", c.Answer);
    const TWhoisResult r = LookUp();
    EXPECT_FALSE(r.Success) << c.What;
    EXPECT_EQ(r.Name, QStringLiteral("Tyrin")) << c.What;
  }
  // The same document just inside the bound is read.
  Results.clear();
  Serve("Tyrin", {200, large.left(TWhoisLookup::kMaxDocumentSize - 3) + "-->"});
  EXPECT_TRUE(LookUp().Success);
}

TEST_F(WhoisLookupTest, NothingListeningIsAFailure) {
  Server.Close();
  EXPECT_FALSE(LookUp().Success);
  EXPECT_TRUE(Server.Requests.isEmpty());
}

TEST_F(WhoisLookupTest, SilentSiteEndsAtTheTimeout) {
  Serve("Tyrin", {200, "", true, true});
  Whois->Start(QStringLiteral("Tyrin"), 1);
  ASSERT_TRUE(PumpUntil([this] { return Server.Requests.size() == 1; }));
  QCoreApplication::processEvents();
  ASSERT_EQ(Whois->Running().size(), 1U);
  EXPECT_TRUE(Results.empty());
  Whois->Running().front()->TimeoutEvent();
  ASSERT_EQ(Results.size(), 1U);
  EXPECT_FALSE(Results[0].Success);
  EXPECT_TRUE(PumpUntil([this] { return Whois->Running().empty(); }));
}

TEST_F(WhoisLookupTest, SeveralRunAtOnceAndEachEndsOnItsOwn) {
  Serve("Tyrin", {200, Document(kFullName, "")});
  Serve("Bob", {200, "", true, true});
  Whois->Start(QStringLiteral("Bob"), 1);
  Whois->Start(QStringLiteral("Tyrin"), 1);
  ASSERT_TRUE(PumpUntil([this] { return Results.size() == 1; }));
  EXPECT_EQ(Results[0].Name, QStringLiteral("Tyrin"));
  EXPECT_TRUE(Results[0].Success);
  ASSERT_EQ(Whois->Running().size(), 1U);
  EXPECT_EQ(Whois->Running().front()->Result().Name, QStringLiteral("Bob"));
}

TEST_F(WhoisLookupTest, RunningLookupIsAbandonedWithoutAnEvent) {
  Serve("Tyrin", {200, "", true, true});
  Whois->Start(QStringLiteral("Tyrin"), 1);
  ASSERT_TRUE(PumpUntil([this] { return Server.Requests.size() == 1; }));
  Whois.reset();
  for (int i = 0; i < 10; ++i) {
    QCoreApplication::processEvents();
  }
  EXPECT_TRUE(Results.empty());
}

} // namespace
} // namespace tessra
