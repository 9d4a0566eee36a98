#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include "common/ChatException.h"
#include "common/TickSource.h"
#include "display/NewTextRefForm.h"
#include "display/ReferenceBrowser.h"
#include "display/ReferenceCommands.h"
#include "display/ReferenceRequest.h"
#include "display/References.h"
#include "display/SafeUrl.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"

namespace tessra {
namespace {

// Writes every call of the commands as one line.
class TRecordingHost : public TReferenceCommands::THost {
public:
  void TellCommand(const QString& line) override { Calls << QStringLiteral("Tell ") + line; }
  void AddBuddy(const QString& name) override { Calls << QStringLiteral("AddBuddy ") + name; }
  void RemoveBuddy(const QString& name) override { Calls << QStringLiteral("RemoveBuddy ") + name; }
  void AddSystemLine(const QString& markup) override {
    Calls << QStringLiteral("System ") + markup;
  }
  void AddErrorLine(const QString& message) override {
    Calls << QStringLiteral("Error ") + message;
  }

  QStringList Calls;
};

class ReferenceCommandsTest : public ::testing::Test {
protected:
  ReferenceCommandsTest() {
    Urls.Opener = [this](const QUrl& url) {
      Host.Calls << QStringLiteral("Open ") + url.toString();
      return true;
    };
    Urls.OnRefused = [this](TSafeUrl*, const QString& line) {
      Host.Calls << QStringLiteral("Refused ") + line;
    };
    Commands.HideViewer = [this] { Host.Calls << QStringLiteral("Hide"); };
    Commands.ShowReference = [this](const QString& text) {
      Host.Calls << QStringLiteral("Show ") + text;
    };
  }

  TManualTickSource Ticks;
  TReferenceRequest Request{Ticks};
  TSafeUrl Urls;
  TRecordingHost Host;
  TReferenceCommands Commands{Host, Request, Urls};
};

TEST_F(ReferenceCommandsTest, EachCommandOfTheTable) {
  const std::pair<QString, QStringList> cases[] = {
      {QStringLiteral("/tell Tyrin hi   there"), {QStringLiteral("Tell /TELL Tyrin hi there")}},
      {QStringLiteral("  TELL  Tyrin hi"), {QStringLiteral("Tell /TELL Tyrin hi")}},
      {QStringLiteral("/tell"), {QStringLiteral("System /TELL &lt;Target&gt; &lt;Text&gt;")}},
      {QStringLiteral("/cc addbuddy Tyrin"), {QStringLiteral("AddBuddy Tyrin")}},
      {QStringLiteral("/CC REMBUDDY Tyrin"), {QStringLiteral("RemoveBuddy Tyrin")}},
      {QStringLiteral("/cc addbuddy"), {QStringLiteral("System /ADDBUDDY &lt;Target&gt;")}},
      {QStringLiteral("/cc <b>frob</b>"),
       {QStringLiteral("System Unknown /cc parameter: \"&lt;b&gt;frob&lt;/b&gt;\"")}},
      {QStringLiteral("/close infoview"), {QStringLiteral("Hide")}},
      {QStringLiteral("/close window"),
       {QStringLiteral("System Unknown /close parameter: \"window\"")}},
      {QStringLiteral("/messagebox a   b\tc "), {QStringLiteral("Show a   b c ")}},
      {QStringLiteral("/start https://veyra.example/x?a=1"),
       {QStringLiteral("Open https://veyra.example/x?a=1")}},
      {QStringLiteral("/macro wave"), {}},
      {QStringLiteral("   "), {}},
      {QStringLiteral("/frob <x>"), {QStringLiteral("System Unknown command FROB")}},
      {QStringLiteral("<b>"), {QStringLiteral("System Unknown command &lt;B&gt;")}},
  };
  for (const auto& [line, expected] : cases) {
    Host.Calls.clear();
    Commands.RunReferenceCommand(line);
    EXPECT_EQ(Host.Calls, expected) << line.toStdString();
  }
}

TEST_F(ReferenceCommandsTest, StartOpensOnlyWebAddresses) {
  for (const QString& address :
       {QStringLiteral("file:///etc/passwd"), QStringLiteral("C:\\Windows\\notepad.exe"),
        QStringLiteral("/usr/bin/xterm"), QStringLiteral("mailto:someone@veyra.example"),
        QStringLiteral("javascript:alert(1)")}) {
    Host.Calls.clear();
    Commands.RunReferenceCommand(QStringLiteral("/start ") + address);
    ASSERT_EQ(Host.Calls.size(), 1) << address.toStdString();
    EXPECT_TRUE(Host.Calls[0].startsWith(QStringLiteral("System Refused to open \"")))
        << Host.Calls[0].toStdString();
  }
  // A web address the opener cannot read is refused by the opener itself.
  Host.Calls.clear();
  Commands.RunReferenceCommand(QStringLiteral("/start http://"));
  ASSERT_EQ(Host.Calls.size(), 1);
  EXPECT_TRUE(Host.Calls[0].startsWith(QStringLiteral("Refused "))) << Host.Calls[0].toStdString();
}

TEST_F(ReferenceCommandsTest, AnActionRunsEachOfItsCommandsInOrder) {
  Commands.RunLinkActions(
      QStringLiteral("/tell Tyrin !list\\n/cc addbuddy Tyrin\\N /messagebox a\nb\\n"));
  EXPECT_EQ(Host.Calls,
            (QStringList{QStringLiteral("Tell /TELL Tyrin !list"), QStringLiteral("AddBuddy Tyrin"),
                         QStringLiteral("Show a\nb")}));
  EXPECT_EQ(Request.Target(), QStringLiteral("Tyrin"));
  EXPECT_EQ(TReferenceCommands::ActionLines(QStringLiteral("a\\nb\\")),
            (QStringList{QStringLiteral("a"), QStringLiteral("b\\")}));
}

// The hrefs of the page the browser shows, by link text.
QMap<QString, QString> PageLinks(const QTextDocument& document) {
  QMap<QString, QString> links;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.isValid() && fragment.charFormat().isAnchor()) {
        links[fragment.text()] = fragment.charFormat().anchorHref();
      }
    }
  }
  return links;
}

class NewTextRefFormTest : public ReferenceCommandsTest {
protected:
  NewTextRefFormTest() : Viewer(Host, Request, Urls, Temp.path()) {
    Viewer.ItemDb = [] { return QStringLiteral("veyradb"); };
  }

  // The page as text; the line break that ends the page's text line shows as a trailing space.
  QString PageText() const { return Viewer.Browser()->toPlainText().trimmed(); }

  // A click on the link with that text on the page shown now.
  void Click(const QString& linkText) {
    const QMap<QString, QString> links = PageLinks(*Viewer.Browser()->document());
    ASSERT_TRUE(links.contains(linkText)) << linkText.toStdString() << " not in "
                                          << QStringList(links.keys()).join(u',').toStdString();
    Q_EMIT Viewer.Browser()->anchorClicked(QUrl(links.value(linkText)));
  }

  QTemporaryDir Temp;
  TNewTextRefForm Viewer;
};

TEST_F(NewTextRefFormTest, AReferenceBecomesAPageOfItsOwnInTheRefsFolder) {
  Viewer.ShowReference(QStringLiteral("Three   spaces\nand a \x10\x04"
                                      "coloured\x12 word"));
  EXPECT_TRUE(Viewer.isVisible());
  EXPECT_EQ(Viewer.windowTitle(), QStringLiteral("Reference Information"));
  EXPECT_TRUE(Viewer.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  EXPECT_EQ(PageText(), QStringLiteral("Three   spaces\nand a coloured word"));

  ASSERT_EQ(Viewer.History().Count(), 1);
  const QFileInfo page(QUrl(Viewer.History().Current()->Address).toLocalFile());
  EXPECT_EQ(page.absolutePath(), QDir(Temp.filePath(QStringLiteral("tessra_refs"))).absolutePath());
  EXPECT_EQ(page.fileName().size(), 38 + 5) << page.fileName().toStdString();
  EXPECT_TRUE(page.exists());
  EXPECT_FALSE(Viewer.BackAction()->isEnabled());
  EXPECT_FALSE(Viewer.ForwardAction()->isEnabled());

  // Closing only hides; the pages stay until the viewer goes.
  Viewer.close();
  EXPECT_FALSE(Viewer.isVisible());
  EXPECT_TRUE(page.exists());
}

TEST_F(NewTextRefFormTest, TheFolderGoesWithTheViewer) {
  QString folder;
  {
    TNewTextRefForm viewer(Host, Request, Urls, Temp.path());
    viewer.ShowReference(QStringLiteral("x"));
    folder = viewer.Folder().Path();
    EXPECT_TRUE(QDir(folder).exists());
  }
  EXPECT_FALSE(QDir(folder).exists());
}

TEST_F(NewTextRefFormTest, ACommandLinkWithTwoCommandsRunsBothInOrder) {
  Viewer.ShowReference(QStringLiteral(
      "<a href=\"chatcmd:///cc addbuddy Tyrin\\n/tell Tyrin welcome\">Befriend</a>"));
  Click(QStringLiteral("Befriend"));
  EXPECT_EQ(Host.Calls, (QStringList{QStringLiteral("AddBuddy Tyrin"),
                                     QStringLiteral("Tell /TELL Tyrin welcome")}));
  // The click ran actions and loaded nothing.
  EXPECT_EQ(Viewer.History().Count(), 1);
}

TEST_F(NewTextRefFormTest, ATellLinkOpensTheAnswerThatComesWithinTenSeconds) {
  TBlobList blobs(16);
  TReferences references(blobs, Request);
  references.OnShowTextReference = [this](TReferences*, const TTextBlob& blob) {
    Viewer.ShowReference(QString::fromUtf8(blob.Text.data(), qsizetype(blob.Text.size())));
  };
  const std::pair<std::uint32_t, bool> cases[] = {{9999, true}, {10000, false}};
  for (const auto& [delay, opens] : cases) {
    Viewer.ShowReference(QStringLiteral("<a href='chatcmd:///tell Tyrin !list'>Ask</a>"));
    const qsizetype pages = Viewer.History().Count();
    Host.Calls.clear();
    Click(QStringLiteral("Ask"));
    EXPECT_EQ(Host.Calls, QStringList{QStringLiteral("Tell /TELL Tyrin !list")});

    Ticks.Advance(delay);
    references.MessageSender = QStringLiteral("tyrin");
    references.ParseNewTextReference(QStringLiteral("<a href=\"text://The list\">list</a>"));
    EXPECT_EQ(Viewer.History().Count(), opens ? pages + 1 : pages) << delay;
    EXPECT_EQ(PageText() == QStringLiteral("The list"), opens) << delay;
  }
}

TEST_F(NewTextRefFormTest, BackAfterAMessageboxLinkShowsThePreviousPageWithWorkingLinks) {
  Viewer.ShowReference(QStringLiteral("First <a href=\"text://Second <a "
                                      "href='chatcmd:///macro'>inner</a>\">more</a> "
                                      "<a href=\"chatcmd:///tell Tyrin hi\">hi</a>"));
  const QString firstText = PageText();
  Click(QStringLiteral("more"));
  EXPECT_EQ(PageText(), QStringLiteral("Second inner"));
  EXPECT_EQ(Viewer.History().Count(), 2);
  EXPECT_TRUE(Viewer.BackAction()->isEnabled());
  EXPECT_EQ(Viewer.CurrentActions(), QStringList{QStringLiteral("/macro")});

  Viewer.BackAction()->trigger();
  EXPECT_EQ(PageText(), firstText);
  EXPECT_EQ(Viewer.History().CurrentIndex(), 0);
  EXPECT_TRUE(Viewer.ForwardAction()->isEnabled());
  Click(QStringLiteral("hi"));
  EXPECT_EQ(Host.Calls, QStringList{QStringLiteral("Tell /TELL Tyrin hi")});
  Click(QStringLiteral("more")); // the first page's text link works again too
  EXPECT_EQ(PageText(), QStringLiteral("Second inner"));
  // A new page after going back replaced the forward one.
  EXPECT_EQ(Viewer.History().Count(), 2);

  Viewer.BackAction()->trigger();
  Viewer.ForwardAction()->trigger();
  EXPECT_EQ(PageText(), QStringLiteral("Second inner"));
  EXPECT_FALSE(Viewer.ForwardAction()->isEnabled());
}

TEST_F(NewTextRefFormTest, LinksToAnythingButItsOwnPagesAreNeverLoaded) {
  QTemporaryDir other;
  const QString secret = other.filePath(QStringLiteral("secret.html"));
  {
    QFile file(secret);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<b>secret</b>");
  }
  const QString fileUrl = QUrl::fromLocalFile(secret).toString();
  Viewer.ShowReference(QStringLiteral("<a href=\"") + fileUrl +
                       QStringLiteral("\">file</a> <a href=\"https://veyra.example/\">web</a> "
                                      "<a href=\"chatcmd:///start ") +
                       fileUrl + QStringLiteral("\">start</a> <img src=\"") + fileUrl +
                       QStringLiteral("\">"));
  const QString pageText = PageText();
  Click(QStringLiteral("file"));
  Click(QStringLiteral("web"));
  Click(QStringLiteral("start"));
  ASSERT_EQ(Host.Calls.size(), 3) << Host.Calls.join(u'\n').toStdString();
  EXPECT_TRUE(Host.Calls[0].startsWith(QStringLiteral("Refused Refused to open")))
      << Host.Calls[0].toStdString();
  EXPECT_EQ(Host.Calls[1], QStringLiteral("Open https://veyra.example/"));
  EXPECT_TRUE(Host.Calls[2].startsWith(QStringLiteral("System Refused to open \"file:")))
      << Host.Calls[2].toStdString();
  EXPECT_EQ(PageText(), pageText);
  EXPECT_EQ(Viewer.History().Count(), 1);
  EXPECT_FALSE(
      Viewer.Browser()->loadResource(QTextDocument::ImageResource, QUrl(fileUrl)).isValid());
  EXPECT_FALSE(
      Viewer.Browser()->loadResource(QTextDocument::HtmlResource, QUrl(fileUrl)).isValid());
}

TEST_F(NewTextRefFormTest, APageThatCannotBeMadeIsAnErrorLineAndNothingChanges) {
  Viewer.ShowReference(QStringLiteral("<a href=\"itemref://1/x/3\">Sword</a>"));
  EXPECT_EQ(Host.Calls, QStringList{QStringLiteral("Error 'x' is not a valid integer value")});
  EXPECT_FALSE(Viewer.isVisible());
  EXPECT_EQ(Viewer.History().Count(), 0);

  // A command that fails becomes an error line; the commands after it do not run.
  struct TFailingHost : TRecordingHost {
    void AddBuddy(const QString&) override { throw TChatException("Name not found"); }
  } failing;
  TNewTextRefForm viewer(failing, Request, Urls, Temp.path());
  viewer.ShowReference(
      QStringLiteral("<a href=\"chatcmd:///cc addbuddy Nobody\\n/tell Nobody hi\">Add</a>"));
  const QMap<QString, QString> links = PageLinks(*viewer.Browser()->document());
  Q_EMIT viewer.Browser()->anchorClicked(QUrl(links.value(QStringLiteral("Add"))));
  EXPECT_EQ(failing.Calls, QStringList{QStringLiteral("Error Name not found")});
  // A link number with no action does nothing.
  Q_EMIT viewer.Browser()->anchorClicked(QUrl(QStringLiteral("link://7/")));
  Q_EMIT viewer.Browser()->anchorClicked(QUrl(QStringLiteral("link://x")));
  EXPECT_EQ(failing.Calls.size(), 1);

  viewer.ShowReference(QStringLiteral("<a href=\"chatcmd:///close infoview\">Close</a>"));
  EXPECT_TRUE(viewer.isVisible());
  Q_EMIT viewer.Browser()->anchorClicked(
      QUrl(PageLinks(*viewer.Browser()->document()).value(QStringLiteral("Close"))));
  EXPECT_FALSE(viewer.isVisible());
}

} // namespace
} // namespace tessra
