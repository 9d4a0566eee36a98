#include <gtest/gtest.h>

#include <QColor>
#include <QString>
#include <QStringList>

#include "display/ReferencePage.h"

namespace tessra {
namespace {

struct TConversionCase {
  const char* Name;
  QString Input;
  QString Expected;
  QStringList Actions;
};

const QChar kDouble = QLatin1Char('"');
const QChar kSingle = QLatin1Char('\'');

TEST(ReferencePageConversions, TextLinksBecomeMessageboxActions) {
  const TConversionCase cases[] = {
      {"plain",
       QStringLiteral(R"(see <a href="text://Hello there">Read</a>!)"),
       QStringLiteral(R"(see <a href="link://0" title="Display reference">Read</a>!)"),
       {QStringLiteral("/messagebox Hello there")}},
      {"style kept",
       QStringLiteral(R"(<a style="text-decoration:none" href="text://Hi">X</a>)"),
       QStringLiteral(
           R"(<a href="link://0" style="text-decoration:none" title="Display reference">X</a>)"),
       {QStringLiteral("/messagebox Hi")}},
      {"style that would break out of its attribute dropped",
       QStringLiteral(R"(<a style="a>b" href="text://Hi">X</a>)"),
       QStringLiteral(R"(<a href="link://0" title="Display reference">X</a>)"),
       {QStringLiteral("/messagebox Hi")}},
      {"quoted mark-up inside the reference",
       QStringLiteral(R"(<a href="text://<font color="#FF0000">Red</font>">R</a>)"),
       QStringLiteral(R"(<a href="link://0" title="Display reference">R</a>)"),
       {QStringLiteral(R"(/messagebox <font color="#FF0000">Red</font>)")}},
      {"other links pass, later ones still convert",
       QStringLiteral(R"(<a href="http://x.example">W</a> <a href="text://T">L</a>)"),
       QStringLiteral(
           R"(<a href="http://x.example">W</a> <a href="link://0" title="Display reference">L</a>)"),
       {QStringLiteral("/messagebox T")}},
      {"two links, two actions",
       QStringLiteral(R"(<a href="text://A">1</a><a href="text://B">2</a>)"),
       QStringLiteral(R"(<a href="link://0" title="Display reference">1</a>)"
                      R"(<a href="link://1" title="Display reference">2</a>)"),
       {QStringLiteral("/messagebox A"), QStringLiteral("/messagebox B")}},
      {"the other quote is left for its own pass",
       QStringLiteral(R"(<a href='text://A'>1</a>)"),
       QStringLiteral(R"(<a href='text://A'>1</a>)"),
       {}},
      {"a missing </a> stops the step",
       QStringLiteral(R"(<a href="text://A">1 <a href="text://B">2</a>)"),
       QStringLiteral(R"(<a href="text://A">1 <a href="text://B">2</a>)"),
       {}},
      {"an unclosed opening tag stops the step",
       QStringLiteral(R"(<a href="text://A>1</a> <a href="text://B">2</a>)"),
       QStringLiteral(R"(<a href="text://A>1</a> <a href="text://B">2</a>)"),
       {}},
  };
  for (const TConversionCase& c : cases) {
    QStringList actions;
    EXPECT_EQ(ConvertTextLinks(c.Input, kDouble, actions), c.Expected) << c.Name;
    EXPECT_EQ(actions, c.Actions) << c.Name;
  }
  QStringList actions{QStringLiteral("earlier")};
  EXPECT_EQ(ConvertTextLinks(QStringLiteral("<a href='text://A'>1</a>"), kSingle, actions),
            QStringLiteral(R"(<a href="link://1" title="Display reference">1</a>)"));
  EXPECT_EQ(actions, (QStringList{QStringLiteral("earlier"), QStringLiteral("/messagebox A")}));
}

TEST(ReferencePageConversions, CommandLinksKeepTheirCommandsAndShowThemAsTooltips) {
  const TConversionCase cases[] = {
      {"one command",
       QStringLiteral(R"(<a href="chatcmd:///tell Tyrin hi">Ask</a>)"),
       QStringLiteral(R"(<a href="link://0" title="/tell Tyrin hi">Ask</a>)"),
       {QStringLiteral("/tell Tyrin hi")}},
      {"backslash-n-space and line breaks become tooltip lines",
       QStringLiteral("<a href=\"chatcmd:///tell A x\\n /cc addbuddy A\nnext\">Go</a>"),
       QStringLiteral("<a href=\"link://0\" title=\"/tell A x\x17\x19/cc addbuddy "
                      "A\x17\x19next\">Go</a>"),
       {QStringLiteral("/tell A x\\n /cc addbuddy A\nnext")}},
      {"colour codes only leave the tooltip",
       QStringLiteral("<a href=\"chatcmd://\x11/macro\x12\">M</a>"),
       QStringLiteral(R"(<a href="link://0" title="/macro">M</a>)"),
       {QStringLiteral("\x11/macro\x12")}},
      {"quotes and brackets of the command stay inside the tooltip",
       QStringLiteral(R"(<a href="chatcmd:///tell A 'x' <b>">Q</a>)"),
       QStringLiteral(R"(<a href="link://0" title="/tell A 'x' &lt;b&gt;">Q</a>)"),
       {QStringLiteral("/tell A 'x' <b>")}},
      {"a missing closing quote stops the step",
       QStringLiteral(R"(<a href="chatcmd:///tell A hi>x</a>)"),
       QStringLiteral(R"(<a href="chatcmd:///tell A hi>x</a>)"),
       {}},
      {"a missing </a> stops the step",
       QStringLiteral(R"(<a href="chatcmd:///tell A hi">x)"),
       QStringLiteral(R"(<a href="chatcmd:///tell A hi">x)"),
       {}},
  };
  for (const TConversionCase& c : cases) {
    QStringList actions;
    EXPECT_EQ(ConvertCmdLinks(c.Input, kDouble, actions), c.Expected) << c.Name;
    EXPECT_EQ(actions, c.Actions) << c.Name;
  }
  QStringList actions;
  EXPECT_EQ(ConvertCmdLinks(QStringLiteral(R"(<a href='chatcmd:///tell A "hi"'>Q</a>)"), kSingle,
                            actions),
            QStringLiteral(R"(<a href="link://0" title="/tell A &quot;hi&quot;">Q</a>)"));
  EXPECT_EQ(actions, QStringList{QStringLiteral(R"(/tell A "hi")")});
}

TEST(ReferencePageConversions, ItemLinksOpenTheChosenItemDatabase) {
  struct TItemCase {
    const char* Name;
    QString Input;
    QString ItemDb;
    QString Expected;
    QString Action;
    QString Error;
  } cases[] = {
      {"first site", QStringLiteral(R"(<a href="itemref://1234/1235/200">Sword</a>)"), QString(),
       QStringLiteral(R"(<a href="link://0" title="/start https://veyradb.example/showitem.asp?)"
                      R"(LowID=1234&HiID=1235&QL=200">Sword</a>)"),
       QStringLiteral("/start https://veyradb.example/showitem.asp?LowID=1234&HiID=1235&QL=200"),
       QString()},
      {"second site", QStringLiteral(R"(<a href="itemref://1234/1235/200">Sword</a>)"),
       QStringLiteral("TARVIK"),
       QStringLiteral(R"(<a href="link://0" title="/start https://tarvik.example/veyra/db.php?)"
                      R"(id=1234&ql=200">Sword</a>)"),
       QStringLiteral("/start https://tarvik.example/veyra/db.php?id=1234&ql=200"), QString()},
      {"a number that is not decimal",
       QStringLiteral(R"(<a href="itemref://12a/1235/200">Sword</a>)"), QString(),
       QStringLiteral(R"(<a href="itemref://12a/1235/200">Sword</a>)"), QString(),
       QStringLiteral("'12a' is not a valid integer value")},
      {"a missing number", QStringLiteral(R"(<a href="itemref://1234/200">Sword</a>)"), QString(),
       QStringLiteral(R"(<a href="itemref://1234/200">Sword</a>)"), QString(),
       QStringLiteral("'1234/200' is not a valid item reference (low id/high id/quality level)")},
      {"a missing closing quote stops the step",
       QStringLiteral(R"(<a href="itemref://1/2/3>Sword</a>)"), QString(),
       QStringLiteral(R"(<a href="itemref://1/2/3>Sword</a>)"), QString(), QString()},
  };
  for (const TItemCase& c : cases) {
    QStringList actions;
    QString error;
    EXPECT_EQ(ConvertItemLinks(c.Input, kDouble, c.ItemDb, actions, error), c.Expected) << c.Name;
    EXPECT_EQ(actions, c.Action.isEmpty() ? QStringList() : QStringList{c.Action}) << c.Name;
    EXPECT_EQ(error, c.Error) << c.Name;
  }
}

TEST(ReferencePageConversions, TextualColourCodesAndSpaceRuns) {
  const std::pair<QString, QString> colours[] = {
      {QStringLiteral("a#C05 b"), QStringLiteral("a</font><font color=\"#FFFF41\">b")},
      {QStringLiteral("#c20x"), QStringLiteral("</font><font color=\"#61AD61\">x")},
      {QStringLiteral("#C32#C40#C52#C53"),
       QStringLiteral("</font><font color=\"#FFBBFF\"></font><font color=\"#FF00FF\">"
                      "</font><font color=\"#FF0099\"></font><font color=\"#00FFFF\">")},
      {QStringLiteral("#C33 #C41"), QStringLiteral("#C33 #C41")},
  };
  for (const auto& [input, expected] : colours) {
    EXPECT_EQ(ReplaceTextColorCodes(input), expected) << input.toStdString();
  }
  const std::pair<QString, QString> spaces[] = {
      {QStringLiteral("a b"), QStringLiteral("a b")},
      {QStringLiteral("a   b"), QStringLiteral("a &nbsp; b")},
      {QStringLiteral("a    b"), QStringLiteral("a &nbsp; &nbsp;b")},
      {QStringLiteral("<font  color=\"x\">  z"), QStringLiteral("<font  color=\"x\"> &nbsp;z")},
      {QStringLiteral("a  <b>  c"), QStringLiteral("a &nbsp;<b> &nbsp;c")},
  };
  for (const auto& [input, expected] : spaces) {
    EXPECT_EQ(KeepSpaceRuns(input), expected) << input.toStdString();
  }
}

TEST(ReferencePageConversions, TheWholeTextInItsOrder) {
  const QColor white(0xFF, 0xFF, 0xFF);
  const TConversionCase cases[] = {
      {"line breaks", QStringLiteral("one\ntwo"), QStringLiteral("one<br>two"), {}},
      {"a colour code before a line break loses the break",
       QStringLiteral("A\x10\nB"),
       QStringLiteral("AB"),
       {}},
      {"game colour codes and the switch back",
       QStringLiteral("\x10\x04x\x12y"),
       QStringLiteral("</font><font color=\"#00FFFF\">x</font><font color=\"#FFFFFF\">y"),
       {}},
      {"entity quote", QStringLiteral("it&#039;s"), QStringLiteral("it's"), {}},
      {"tooltip lines",
       QStringLiteral("<a href=\"chatcmd:///tell A x\\n /macro\">Go</a>\nend"),
       QStringLiteral("<a href=\"link://0\" title=\"/tell A x\n/macro\">Go</a><br>end"),
       {QStringLiteral("/tell A x\\n /macro")}},
      {"every kind of link, text links first",
       QStringLiteral("<a href='itemref://1/2/3'>I</a> <a href='chatcmd:///macro'>C</a> "
                      "<a href='text://T'>T</a>"),
       QStringLiteral("<a href=\"link://2\" title=\"/start "
                      "https://veyradb.example/showitem.asp?LowID=1&HiID=2&QL=3\">I</a> "
                      "<a href=\"link://1\" title=\"/macro\">C</a> "
                      "<a href=\"link://0\" title=\"Display reference\">T</a>"),
       {QStringLiteral("/messagebox T"), QStringLiteral("/macro"),
        QStringLiteral("/start https://veyradb.example/showitem.asp?LowID=1&HiID=2&QL=3")}},
  };
  for (const TConversionCase& c : cases) {
    QStringList actions;
    QString error;
    EXPECT_EQ(ConvertReferenceText(c.Input, white, QString(), actions, error), c.Expected)
        << c.Name;
    EXPECT_EQ(actions, c.Actions) << c.Name;
    EXPECT_TRUE(error.isEmpty()) << c.Name;
  }
}

TEST(ReferencePageConversions, ThePageAroundTheText) {
  const TReferencePage page =
      BuildReferencePage(QStringLiteral("Hi   <a href=\"text://x\">y</a>"), Qt::white, QString());
  EXPECT_EQ(
      page.Html,
      QStringLiteral("<body leftmargin=\"0\" rightmargin=\"0\" topmargin=\"0\" bottommargin=\"0\" "
                     "bgcolor=\"#000000\">\n"
                     "<STYLE TYPE=\"text/css\"><!-- .tessra { font-size: 14px; font-family: "
                     "\"Verdana\", sans-serif; }--></STYLE><span class=\"tessra\"><font "
                     "color=\"#FFFFFF\">\n"
                     "Hi &nbsp; <a href=\"link://0\" title=\"Display reference\">y</a>\n"
                     "</font></span></body>"));
  EXPECT_EQ(page.Actions, QStringList{QStringLiteral("/messagebox x")});
  EXPECT_TRUE(page.Error.isEmpty());

  // An item link that cannot be read spoils the whole page.
  const TReferencePage bad = BuildReferencePage(
      QStringLiteral("<a href=\"text://x\">y</a><a href=\"itemref://1/2/q\">I</a>"), Qt::white,
      QString());
  EXPECT_TRUE(bad.Html.isEmpty());
  EXPECT_TRUE(bad.Actions.isEmpty());
  EXPECT_EQ(bad.Error, QStringLiteral("'q' is not a valid integer value"));
}

} // namespace
} // namespace tessra
