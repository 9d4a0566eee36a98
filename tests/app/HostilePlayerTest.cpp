// Messages crafted by another player, through the real presentation path: the presenter with the
// shared transforms and the reference parsers, the chat console, and the console's link opener
// and mouse-up handler as the main window wires them. Whatever a player writes, a click opens
// nothing but a web address, and the line it is on keeps the sender's name link and its end.

#include <memory>
#include <vector>

#include <QFontMetrics>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

#include "PresenterFixture.h"
#include "common/TickSource.h"
#include "display/ChatConsole.h"
#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/LinkDispatcher.h"
#include "display/ReferenceRequest.h"
#include "display/References.h"
#include "display/SafeUrl.h"
#include "display/TextTransforms.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"

namespace tessra::testing {
namespace {

const QString kSender = QStringLiteral("Mallory");

class HostilePlayerTest : public ::testing::Test {
protected:
  HostilePlayerTest()
      : Request(Ticks), Refs(Blobs, Request), Dispatcher(Blobs, Urls),
        Presenter(
            Transforms(), [this](const QString& m, bool p) { AddToConsole(m, p); }, Log, Panel) {
    Presenter.Clock = FixedTime;
    Presenter.Locale = EnglishLocale();
  }

  void SetUp() override {
    Console = std::make_unique<TChatConsole>();
    Console->SetEdge(etNone);
    TChatFont font{QFont(QStringLiteral("DejaVu Sans"), 10), QColor(0, 0, 0)};
    Console->SetFont(font);
    Console->SetColor(QColor(255, 255, 255));
    Console->resize(6000, 400);
    Console->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Console.get()));
    // Wired as the main window wires them.
    Urls.Opener = [this](const QUrl& url) {
      Opened.push_back(url);
      return true;
    };
    Urls.OnRefused = [this](TSafeUrl*, const QString& line) { Refused.push_back(line); };
    Console->SetUrlOpener([this](const QUrl& url) { return Urls.Open(url); });
    Console->OnMouseUp = [this](TCustomChatConsole*, Qt::MouseButton button,
                                Qt::KeyboardModifiers modifiers, int x, int y) {
      Dispatcher.MouseUp(button, modifiers, x, y, Console->LinkInformation());
    };
    Dispatcher.Actions.QueryChar = [this](const QString& n) { Actions.push_back("query " + n); };
    Dispatcher.Actions.ShowReference = [this](const QString& t) {
      Actions.push_back("reference " + t);
    };
    Dispatcher.Actions.ShowMessage = [this](const QString& t) { Actions.push_back("box " + t); };
    QCoreApplication::processEvents();
  }

  TChatTextTransforms Transforms() {
    TChatTextTransforms t;
    t.DecodeChatText = [](QByteArrayView b) { return DecodeChatText(b); };
    t.EncodeChatText = [](const QString& s) { return EncodeChatText(s); };
    t.ReplaceLiterals = [this](QByteArrayView b, const TBlob* blob,
                               const std::optional<QColor>& c) {
      return ReplaceLiterals(b, blob, c, TReplaceLiteralsSettings{}, &Refs);
    };
    t.StripColorCodes = [](const QString& s) { return StripColorCodes(s); };
    t.ColorToHex = [](const QColor& c) { return ColorToHex(c); };
    return t;
  }

  // As the main window's console: a line the console cannot take throws out of the presenter.
  void AddToConsole(const QString& markup, bool parseUrls) {
    Console->AddLine(markup, nullptr, parseUrls);
  }

  // The tell's console line; what would reach the main window's error handler is kept.
  TMessageNode* Tell(const QByteArray& message, const TBlob* blob = nullptr) {
    const int before = Console->LineCount();
    try {
      Presenter.VeyraChatPrivateMessage(Engine, kSender.toStdString(), message.toStdString(), blob);
    } catch (const std::exception& e) {
      Errors.push_back(QString::fromUtf8(e.what()));
    }
    return Console->LineCount() > before ? Console->Newest() : nullptr;
  }

  static QString PlainText(const TMessageNode& line) {
    QString text;
    for (const TNodeElement& e : line.Elements()) {
      if (e.Kind == ekText) {
        text += line.ElementText(e);
      } else if (e.Kind == ekSpace) {
        text += QLatin1Char(' ');
      }
    }
    return text;
  }
  static std::vector<TNodeLink> LinksOf(const TMessageNode& line) {
    std::vector<TNodeLink> links;
    for (const TNodeElement& e : line.Elements()) {
      if (e.Kind == ekLinkStart) {
        links.push_back(line.Link(e));
      }
    }
    return links;
  }
  int LineTop(const TMessageNode* wanted) const {
    int y = Console->viewport()->height() + Console->CurrentOffset();
    for (const TMessageNode* line = Console->Newest(); line != nullptr; line = line->Older) {
      y -= line->Height;
      if (line == wanted) {
        return y;
      }
    }
    return -1;
  }
  void Move(QPoint point) {
    QMouseEvent move(QEvent::MouseMove, QPointF(point),
                     QPointF(Console->viewport()->mapToGlobal(point)), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QCoreApplication::sendEvent(Console->viewport(), &move);
  }

  // Left-clicks every link of the line's first row, as the user would. Returns how many links
  // were clicked.
  int ClickEveryLink(TMessageNode* line) {
    Console->viewport()->repaint();
    const std::vector<int> rows = Console->ElementRows(*line);
    const auto& elements = line->Elements();
    int clicked = 0;
    int x = Console->LeftMargin();
    bool inLink = false;
    for (size_t i = 0; i < elements.size(); ++i) {
      if (rows[i] > 0) {
        break;
      }
      if (elements[i].Kind == ekLinkStart) {
        inLink = true;
      } else if (elements[i].Kind == ekLinkEnd) {
        inLink = false;
      } else if (inLink && elements[i].Kind == ekText && elements[i].Width > 2) {
        const QPoint point(x + 1, LineTop(line) + 4);
        Move(point);
        EXPECT_TRUE(Console->LinkInformation().Valid) << i;
        QTest::mouseClick(Console->viewport(), Qt::LeftButton, {}, point);
        Move(QPoint(5, 1));
        ++clicked;
        inLink = false; // one click per link
      }
      x += elements[i].Width;
    }
    return clicked;
  }

  // Only web addresses were ever handed to the desktop.
  void ExpectOnlyWebAddressesOpened() const {
    for (const QUrl& url : Opened) {
      const QString scheme = url.scheme().toLower();
      EXPECT_TRUE((scheme == QLatin1String("http") || scheme == QLatin1String("https")) &&
                  !url.host().isEmpty())
          << url.toString().toStdString();
    }
  }

  TManualTickSource Ticks;
  TBlobList Blobs;
  TReferenceRequest Request;
  TReferences Refs;
  TSafeUrl Urls;
  TLinkDispatcher Dispatcher;
  TChatLogWriter Log;
  TFakeGroupPanel Panel;
  TVeyraChat Engine;
  TChatPresenter Presenter;
  std::unique_ptr<TChatConsole> Console;
  std::vector<QUrl> Opened;
  std::vector<QString> Refused;
  std::vector<QString> Actions;
  std::vector<QString> Errors;
};

struct TCraftedCase {
  const char* Name;
  QByteArray Message;
  const char* Visible; // text the line must still show at its end
};

TEST_F(HostilePlayerTest, CraftedLinksOpenNothingButWebAddresses) {
  const TCraftedCase cases[] = {
      {"file link", R"(<a href="file:///etc/passwd">open me</a> end)", "end"},
      {"javascript link", R"(<a href="javascript:alert">js</a> end)", "end"},
      {"custom scheme", R"(<a href="veyra-admin://wipe">admin</a> end)", "end"},
      {"local path", R"(<a href="C:\Windows\system32\cmd.exe">cmd</a> end)", "end"},
      {"network path", R"(<a href="\\evil\share\run.exe">share</a> end)", "end"},
      {"forged console address link",
       R"(<a name="URL" type="URL" params="file:///etc/passwd">click</a> end)", "end"},
      {"forged console link to a program",
       R"(<a name="URL" type="URL" params="C:\Windows\notepad.exe">click</a> end)", "end"},
      {"forged character page", R"(<a name="charurl" params="file:///etc/passwd">page</a> end)",
       "end"},
      {"forged organisation page", R"(<a name="guildurl" params="javascript:alert">org</a> end)",
       "end"},
      {"forged page with a control character",
       "<a name=\"charurl\" params=\"http://ok.example/\x01x\">page</a> end", "end"},
      {"addresses written in the text",
       "see file:///etc/passwd javascript:alert(1) veyra://x C:\\boot.ini www.ok.example end",
       "end"},
      {"text reference holding a file link",
       R"(<a href="text://<a href='file:///etc/passwd'>inner</a>">ref</a> end)", "end"},
      {"command reference that tries START",
       R"(<a href="chatcmd:///start file:///etc/passwd">cmd</a> end)", "end"},
      {"item reference", R"(<a href="itemref://1/2/3">Sword</a> end)", "end"},
      {"forged own name link", R"(<a name="charlink" params="Me" hint="Query Me">Me</a> end)",
       "end"},
      {"forged reference to another message's blob",
       R"(<a name="reflink" params="0123456789ABCDEF0123456789ABCDEF">item</a> end)", "end"},
      {"forged reference with a mark-up key",
       R"(<a name="reflink" params="<a name=URL type=URL params=file:///x>">item</a> end)", "end"},
  };
  for (const TCraftedCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Opened.clear();
    Refused.clear();
    Actions.clear();
    Errors.clear();
    TMessageNode* line = Tell(c.Message);
    ASSERT_NE(line, nullptr) << (Errors.empty() ? "" : Errors[0].toStdString());
    EXPECT_TRUE(Errors.empty());
    // The sender's name link comes first and is the sender's.
    const std::vector<TNodeLink> links = LinksOf(*line);
    ASSERT_FALSE(links.empty());
    EXPECT_EQ(links[0].Name, QStringLiteral("charlink"));
    EXPECT_EQ(links[0].Params, kSender);
    const qsizetype at = PlainText(*line).indexOf(kSender);
    EXPECT_TRUE(at >= 0 && at < 12) << PlainText(*line).toStdString();
    EXPECT_TRUE(PlainText(*line).endsWith(QLatin1String(c.Visible)))
        << PlainText(*line).toStdString();

    EXPECT_GE(ClickEveryLink(line), 1);
    ExpectOnlyWebAddressesOpened();
  }
}

TEST_F(HostilePlayerTest, WhatTheCraftedLinksDoWhenClicked) {
  // A refused address says so; the web address of an item is opened; a reference is shown, not
  // run.
  TMessageNode* line = Tell(R"(<a name="charurl" params="file:///etc/passwd">page</a>)");
  ASSERT_NE(line, nullptr);
  ClickEveryLink(line);
  EXPECT_TRUE(Opened.empty());
  ASSERT_EQ(Refused.size(), 1u);
  EXPECT_TRUE(Refused[0].contains(QStringLiteral("file:///etc/passwd")));

  Actions.clear();
  line = Tell(R"(<a href="chatcmd:///start C:\evil.exe">run</a>)");
  ASSERT_NE(line, nullptr);
  ClickEveryLink(line);
  EXPECT_TRUE(Opened.empty());
  EXPECT_EQ(Actions.back(), QStringLiteral("reference /start C:\\evil.exe"));

  Actions.clear();
  Opened.clear();
  line = Tell(R"(<a href="itemref://11/12/13">Sword</a>)");
  ASSERT_NE(line, nullptr);
  ClickEveryLink(line);
  ASSERT_EQ(Opened.size(), 1u);
  EXPECT_EQ(Opened[0].scheme(), QStringLiteral("https"));

  // The forged own-name link only makes that name the target, as any name link does.
  Actions.clear();
  line = Tell(R"(<a name="charlink" params="Me">Me</a>)");
  ASSERT_NE(line, nullptr);
  ClickEveryLink(line);
  EXPECT_EQ(Actions,
            (std::vector<QString>{QStringLiteral("query Mallory"), QStringLiteral("query Me")}));

  // A reference key is a fresh random number nobody else sees: a guessed one does nothing.
  Actions.clear();
  const TItemBlob item;
  const QString key = Blobs.AddBlob(item);
  EXPECT_EQ(key.size(), 32);
  line = Tell(R"(<a name="reflink" params="00000000000000000000000000000000">x</a>)");
  ASSERT_NE(line, nullptr);
  Opened.clear();
  ClickEveryLink(line);
  EXPECT_EQ(Actions, (std::vector<QString>{QStringLiteral("query Mallory")}));
  EXPECT_TRUE(Opened.empty());
}

TEST_F(HostilePlayerTest, HugeAndBrokenMarkupKeepsTheLineAndTheConsoleBounded) {
  QByteArray emoticons;
  while (emoticons.size() < 30000) {
    emoticons += ":) ;) :D :( ";
  }
  QByteArray nesting;
  while (nesting.size() < 32 * 1024) {
    nesting += "<font color=\"#FF0000\"><b><i><u><a href=\"http://x.example/\">";
  }
  const TCraftedCase cases[] = {
      {"huge emoticon run", emoticons + " end", "end"},
      {"32 KiB of nesting never closed", nesting + " end", "end"},
      {"colour code at the very end", "red \x10", "red"},
      {"colour code and its byte at the end", "red \x10\x17", "red"},
      {"reference start marker at the end", "ref \x11", "ref"},
      {"reference end marker alone", "ref \x12", "ref"},
      {"tag never closed", "text <a href=\"http://x.example/", ""},
      {"quote never closed", "text <font color=\"#FF0000>more", "more"},
      {"colour name the console does not know", "<font color=\"notacolour\">odd</font> end", "end"},
      {"colour the console cannot read", "<font color=\"#ZZZZZZ\">odd</font> end", "end"},
      {"entity never ended", "a &amp b &lt c &", ""},
      {"many line breaks", QByteArray(5000, '\n') + "end", "end"},
  };
  for (const TCraftedCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Errors.clear();
    TMessageNode* line = Tell(c.Message);
    ASSERT_NE(line, nullptr) << (Errors.empty() ? "" : Errors[0].toStdString());
    EXPECT_TRUE(Errors.empty());
    const std::vector<TNodeLink> links = LinksOf(*line);
    ASSERT_FALSE(links.empty());
    EXPECT_EQ(links[0].Params, kSender);
    EXPECT_TRUE(PlainText(*line).contains(kSender));
    if (*c.Visible != '\0') {
      EXPECT_TRUE(PlainText(*line).trimmed().endsWith(QLatin1String(c.Visible)))
          << PlainText(*line).right(60).toStdString();
    }
  }

  // A flood of such lines: the console keeps its limit, the blob list its capacity.
  for (int i = 0; i < 600; ++i) {
    Tell(R"(<a href="text://payload">ref</a> )" + nesting.left(2000));
  }
  EXPECT_LE(Console->LineCount(), Console->Limit());
  EXPECT_LE(Blobs.Count(), 500);
}

TEST_F(HostilePlayerTest, AMessageTheConsoleCannotShowIsShownPlainAndLogged) {
  QTemporaryDir dir;
  Log.Settings().Logging = true;
  Log.Settings().TimestampLogging = false;
  Log.Settings().LoggingFolder = dir.path();
  TMessageNode* line = Tell("look <font color=\"#FF0000>here</font>");
  ASSERT_NE(line, nullptr);
  EXPECT_TRUE(Errors.empty());
  EXPECT_TRUE(PlainText(*line).endsWith(QStringLiteral("look <font color=\"#FF0000>here</font>")))
      << PlainText(*line).toStdString();
  QFile log(dir.filePath(QStringLiteral("private.log")));
  ASSERT_TRUE(log.open(QIODevice::ReadOnly));
  EXPECT_EQ(log.readAll(), QByteArray("Mallory: look <font color=\"#FF0000>here</font>\r\n"));
}

} // namespace
} // namespace tessra::testing
