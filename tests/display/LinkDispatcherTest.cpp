#include <gtest/gtest.h>

#include <QApplication>
#include <QStringList>
#include <QTextBrowser>

#include "display/LinkDispatcher.h"
#include "display/ReferenceTextWindow.h"
#include "display/SafeUrl.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"

namespace tessra {
namespace {

TLinkInformation Link(const char* name, const QString& params) {
  TLinkInformation link;
  link.Valid = true;
  link.Name = QString::fromLatin1(name);
  link.Params = params;
  return link;
}

// A dispatcher whose every action writes one line into Calls.
class LinkDispatcherTest : public ::testing::Test {
protected:
  LinkDispatcherTest() {
    Urls.Opener = [this](const QUrl& url) {
      Calls << QStringLiteral("Open ") + url.toString();
      return true;
    };
    Urls.OnRefused = [this](TSafeUrl*, const QString& line) {
      Calls << QStringLiteral("Error ") + line;
    };
    TLinkActions& a = Dispatcher.Actions;
    a.QueryChar = [this](const QString& name) { Calls << QStringLiteral("QueryChar ") + name; };
    a.QueryPublic = [this](const QString& name) { Calls << QStringLiteral("QueryPublic ") + name; };
    a.QueryPrivate = [this](const QString& name) {
      Calls << QStringLiteral("QueryPrivate ") + name;
    };
    const auto popup = [this](const char* kind) {
      return [this, kind](const QString& name, const QPoint& at) {
        Calls << QStringLiteral("%1 %2 @%3,%4")
                     .arg(QLatin1String(kind), name)
                     .arg(at.x())
                     .arg(at.y());
      };
    };
    a.ShowCharPopup = popup("CharPopup");
    a.ShowPrivCharPopup = popup("PrivCharPopup");
    a.ShowPublicPopup = popup("PubPopup");
    a.ShowPrivatePopup = popup("PrivPopup");
    a.SetPopupCharGroup = [this](const QString& group) {
      Calls << QStringLiteral("Group ") + group;
    };
    a.MapToGlobal = [](const QPoint& p) { return p + QPoint(100, 200); };
    a.EndHover = [this] { Calls << QStringLiteral("EndHover"); };
    a.ShowReference = [this](const QString& text) { Calls << QStringLiteral("Viewer ") + text; };
    a.ShowMessage = [this](const QString& text) { Calls << QStringLiteral("Message ") + text; };
    Dispatcher.ItemDb = [this] { return ItemDb; };
  }

  QStringList Click(Qt::MouseButton button, const TLinkInformation& link) {
    Calls.clear();
    Dispatcher.MouseUp(button, Qt::NoModifier, 10, 20, link);
    return Calls;
  }

  TBlobList Blobs;
  TSafeUrl Urls;
  TLinkDispatcher Dispatcher{Blobs, Urls};
  QString ItemDb = QStringLiteral("veyradb");
  QStringList Calls;
};

TEST_F(LinkDispatcherTest, LeftClickQueriesTheNameOrOpensThePage) {
  struct TCase {
    const char* Name;
    QString Params;
    QStringList Expected;
  };
  const TCase cases[] = {
      {"charlink", QStringLiteral("Tyrin"), {QStringLiteral("QueryChar Tyrin")}},
      {"CharLink", QStringLiteral("Tyrin"), {QStringLiteral("QueryChar Tyrin")}},
      {"privcharlink", QStringLiteral("Tyrin,Vessa"), {QStringLiteral("QueryChar Tyrin")}},
      {"publiclink", QStringLiteral("General"), {QStringLiteral("QueryPublic General")}},
      {"privatelink", QStringLiteral("Vessa"), {QStringLiteral("QueryPrivate Vessa")}},
      {"charurl",
       QStringLiteral("https://people.example/tyrin"),
       {QStringLiteral("Open https://people.example/tyrin")}},
      {"GUILDURL",
       QStringLiteral("http://guilds.example/?id=4"),
       {QStringLiteral("Open http://guilds.example/?id=4")}},
      {"URL", QStringLiteral("https://web.example"), {}}, // the console opens its own
      {"somethingelse", QStringLiteral("x"), {}},
      {"reflink", QStringLiteral("00000000000000000000000000000000"), {}}, // dropped blob
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Click(Qt::LeftButton, Link(c.Name, c.Params)), c.Expected) << c.Name;
  }
  EXPECT_TRUE(Click(Qt::LeftButton, TLinkInformation{}).isEmpty());
  EXPECT_TRUE(Click(Qt::MiddleButton, Link("charlink", QStringLiteral("Tyrin"))).isEmpty());
}

TEST_F(LinkDispatcherTest, RightClickOpensThePopupForItsSubjectThenEndsTheHover) {
  struct TCase {
    const char* Name;
    QString Params;
    QStringList Expected;
  };
  const TCase cases[] = {
      {"charlink",
       QStringLiteral("Tyrin"),
       {QStringLiteral("CharPopup Tyrin @110,220"), QStringLiteral("EndHover")}},
      {"privcharlink",
       QStringLiteral("Tyrin,Vessa"),
       {QStringLiteral("Group Vessa"), QStringLiteral("PrivCharPopup Tyrin @110,220"),
        QStringLiteral("EndHover")}},
      {"privcharlink",
       QStringLiteral("Tyrin"), // no group: empty
       {QStringLiteral("Group "), QStringLiteral("PrivCharPopup Tyrin @110,220"),
        QStringLiteral("EndHover")}},
      {"PUBLICLINK",
       QStringLiteral("General"),
       {QStringLiteral("PubPopup General @110,220"), QStringLiteral("EndHover")}},
      {"privatelink",
       QStringLiteral("Vessa"),
       {QStringLiteral("PrivPopup Vessa @110,220"), QStringLiteral("EndHover")}},
      {"charurl", QStringLiteral("https://people.example/tyrin"), {}},
      {"reflink", QStringLiteral("k"), {}},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(Click(Qt::RightButton, Link(c.Name, c.Params)), c.Expected)
        << c.Name << " " << c.Params.toStdString();
  }
}

TEST_F(LinkDispatcherTest, ItemReferenceOpensTheChosenItemDatabase) {
  const QString key = Blobs.AddBlob(TItemBlob(123, 456, 200));
  const auto reflink = Link("reflink", key.toLower()); // keys match without regard to case
  EXPECT_EQ(Click(Qt::LeftButton, reflink),
            QStringList{QStringLiteral(
                "Open https://veyradb.example/showitem.asp?LowID=123&HiID=456&QL=200")});
  for (const char* tarvik : {"tarvik", "TARVIK"}) {
    ItemDb = QString::fromLatin1(tarvik);
    EXPECT_EQ(
        Click(Qt::LeftButton, reflink),
        QStringList{QStringLiteral("Open https://tarvik.example/veyra/db.php?id=123&ql=200")});
  }
  ItemDb = QStringLiteral("anything else");
  EXPECT_EQ(Click(Qt::LeftButton, reflink),
            QStringList{QStringLiteral(
                "Open https://veyradb.example/showitem.asp?LowID=123&HiID=456&QL=200")});
}

TEST_F(LinkDispatcherTest, TextReferenceGoesToTheViewerAndOtherBlobsSayUnknown) {
  const QString text = Blobs.AddBlob(TTextBlob(TBytes("/tell Tyrin\thi \xC3\xA9")));
  EXPECT_EQ(Click(Qt::LeftButton, Link("reflink", text)),
            QStringList{QStringLiteral("Viewer /tell Tyrin hi ") + QChar(0xE9)});
  const QString unknown = Blobs.AddBlob(TUnknownBlob(TBytes("\x01\x02")));
  EXPECT_EQ(Click(Qt::LeftButton, Link("reflink", unknown)),
            QStringList{QStringLiteral("Message Unknown")});
}

TEST_F(LinkDispatcherTest, PagesOutsideTheWebAreRefusedWithAnErrorLine) {
  EXPECT_EQ(Click(Qt::LeftButton, Link("charurl", QStringLiteral("file:///etc/passwd"))),
            QStringList{QStringLiteral("Error Refused to open \"file:///etc/passwd\": only web, "
                                       "mail and news addresses are opened.")});
  EXPECT_EQ(
      Click(Qt::LeftButton, Link("guildurl", QStringLiteral("javascript:alert(\"<x>\")"))),
      QStringList{QStringLiteral("Error Refused to open \"javascript:alert(&quot;&lt;x&gt;"
                                 "&quot;)\": only web, mail and news addresses are opened.")});
}

TEST(SafeUrl, OpensOnlyWebMailAndNewsAddresses) {
  struct TCase {
    const char* Address;
    bool Allowed;
  };
  const TCase cases[] = {
      {"http://web.example/page?a=1&b=2", true},
      {"HTTPS://Web.Example/", true},
      {"  https://web.example/trimmed  ", true},
      {"mailto:someone@mail.example", true},
      {"news:comp.games.veyra", true},
      {"file:///etc/passwd", false},
      {"FILE:///C:/Windows/System32/calc.exe", false},
      {"javascript:alert(1)", false},
      {"data:text/html,<script>x</script>", false},
      {"veyra://join/General", false},
      {"ms-settings:privacy", false},
      {"C:\\Windows\\System32\\calc.exe", false},
      {"C:/Windows/System32/calc.exe", false},
      {"\\\\server\\share\\run.bat", false},
      {"//server/share/run.bat", false},
      {"/etc/passwd", false},
      {"calc.exe", false},
      {"http:///nohost", false},
      {"http:evil", false},
      {"https://web.example/\nfile:///x", false},
      {"mailto://host/x", false},
      {"", false},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(TSafeUrl::Parse(QString::fromLatin1(c.Address)).has_value(), c.Allowed) << c.Address;
  }
  TSafeUrl urls;
  QStringList opened;
  QStringList errors;
  urls.Opener = [&](const QUrl& url) {
    opened << url.toString();
    return true;
  };
  urls.OnRefused = [&](TSafeUrl*, const QString& line) { errors << line; };
  EXPECT_TRUE(urls.Open(QUrl(QStringLiteral("https://web.example/x"))));
  EXPECT_FALSE(urls.Open(QUrl(QStringLiteral("file:///tmp/x"))));
  EXPECT_FALSE(urls.Open(QUrl::fromLocalFile(QStringLiteral("/tmp/x"))));
  EXPECT_EQ(opened, QStringList{QStringLiteral("https://web.example/x")});
  EXPECT_EQ(errors.size(), 2);
}

TEST(ReferenceTextWindow, ShowsTheTextAsItStandsWithoutFollowingLinks) {
  ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
  TReferenceTextWindow window;
  window.ShowReference(QStringLiteral("<a href=\"file:///etc/passwd\">x</a> <img src=\"/x.png\">"));
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(window.Text(),
            QStringLiteral("<a href=\"file:///etc/passwd\">x</a> <img src=\"/x.png\">"));
  const auto* browser = window.findChild<QTextBrowser*>();
  ASSERT_NE(browser, nullptr);
  EXPECT_FALSE(browser->openLinks());
  EXPECT_FALSE(browser->openExternalLinks());
}

} // namespace
} // namespace tessra
