#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QScrollBar>
#include <QTest>

#include "common/ChatException.h"
#include "display/ChatConsole.h"

// Readable failure output for Qt strings.
inline void PrintTo(const QString& text, std::ostream* os) {
  *os << '"' << text.toStdString() << '"';
}

namespace tessra {
namespace {

// The widget application comes from the suite's environment (TestApplication.cpp).
void EnsureApplication() {
  ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
}

const QColor kPaper(255, 255, 255);
const QColor kInk(0, 0, 0);
const QColor kHighlight(0, 0, 200);

class TTestConsole : public TChatConsole {
public:
  using TChatConsole::TChatConsole;
  using TCustomChatConsole::BlinkTimerFired;
};

// A console of a fixed size with plain black on white colours and a known highlight.
class ChatConsoleTest : public ::testing::Test {
protected:
  void SetUp() override {
    EnsureApplication();
    Console = std::make_unique<TTestConsole>();
    Console->SetEdge(etNone);
    QPalette palette = Console->palette();
    palette.setColor(QPalette::Highlight, kHighlight);
    Console->setPalette(palette);
    Console->SetColor(kPaper);
    TChatFont font{QFont(QStringLiteral("DejaVu Sans"), 10), kInk};
    Console->SetFont(font);
    Console->Links().SetFont(TChatFont{font.Font, QColor(0, 0, 255)});
    TChatFont hover{font.Font, QColor(0, 0, 255)};
    hover.Font.setUnderline(true);
    Console->Links().SetHoverFont(hover);
    Console->SetUrlOpener([this](const QUrl& url) {
      Opened.push_back(url.toString());
      return true;
    });
    Console->resize(400 + Console->verticalScrollBar()->sizeHint().width(), 300);
    Console->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Console.get()));
    ASSERT_EQ(Console->viewport()->width(), 400);
    // Let the window system's own enter and move events for the new window pass first.
    QCoreApplication::processEvents();
  }

  QWidget* View() const { return Console->viewport(); }
  int TextHeight() const { return QFontMetrics(Console->Font().Font, View()).height(); }
  int Advance(const QString& text) const {
    return QFontMetrics(Console->Font().Font, View()).horizontalAdvance(text);
  }
  QImage Grab() const { return View()->grab().toImage().convertToFormat(QImage::Format_RGB32); }
  // Screen top of a line, from the layout the last paint used.
  int LineTop(const TMessageNode* wanted) const {
    int y = View()->height() + Console->CurrentOffset();
    for (const TMessageNode* line = Console->Newest(); line != nullptr; line = line->Older) {
      y -= line->Height;
      if (line == wanted) {
        return y;
      }
    }
    return -1;
  }
  // Screen x where the given ekText element starts on its row (single-row lines only).
  int TextX(const TMessageNode* line, const QString& word) const {
    int x = Console->LeftMargin();
    for (const TNodeElement& element : line->Elements()) {
      if (element.Kind == ekText && line->ElementText(element) == word) {
        return x;
      }
      x += element.Width;
    }
    return -1;
  }
  static int CountColor(const QImage& image, const QColor& color, QRect area = QRect()) {
    if (area.isNull()) {
      area = image.rect();
    }
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        if (image.pixelColor(x, y) == color) {
          ++count;
        }
      }
    }
    return count;
  }
  // Pixels close to `color`: antialiased text has few pixels of exactly its colour.
  static int CountNear(const QImage& image, const QColor& color, QRect area = QRect()) {
    if (area.isNull()) {
      area = image.rect();
    }
    area &= image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) {
        const QColor c = image.pixelColor(x, y);
        if (std::abs(c.red() - color.red()) < 90 && std::abs(c.green() - color.green()) < 90 &&
            std::abs(c.blue() - color.blue()) < 90) {
          ++count;
        }
      }
    }
    return count;
  }
  void Paint() { View()->repaint(); }
  // Moves the mouse over the console. Without a button held QTest moves the platform cursor,
  // which sends nothing when it is already there, so hover moves are sent directly.
  void Move(QPoint point) {
    if (QGuiApplication::mouseButtons() != Qt::NoButton || Dragging) {
      QTest::mouseMove(View(), point);
      return;
    }
    QMouseEvent move(QEvent::MouseMove, QPointF(point), QPointF(View()->mapToGlobal(point)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(View(), &move);
  }
  void Press(QPoint point) {
    QTest::mousePress(View(), Qt::LeftButton, {}, point);
    Dragging = true;
  }
  void Release(QPoint point) {
    QTest::mouseRelease(View(), Qt::LeftButton, {}, point);
    Dragging = false;
  }
  bool Dragging = false;

  std::unique_ptr<TTestConsole> Console;
  std::vector<QString> Opened;
};

// ---- Layout ------------------------------------------------------------------------------------

TEST_F(ChatConsoleTest, RowHeightsFollowTheTallestElementAndWrappedRowsStartAtTheDefault) {
  Console->SetIndentType(itNone);
  TMessageNode* one = Console->AddLine(QStringLiteral("hello world"));
  EXPECT_EQ(one->RowHeights.size(), 1);
  EXPECT_EQ(one->Height, TextHeight());

  // Enough words for three rows of a 400 pixel console.
  QString many;
  for (int i = 0; i < 24; ++i) {
    many += QStringLiteral("word%1 ").arg(i);
  }
  TMessageNode* wrapped = Console->AddLine(many.trimmed());
  ASSERT_GE(wrapped->RowHeights.size(), 2);
  EXPECT_EQ(wrapped->RowHeights[0], TextHeight());
  for (int row = 1; row < wrapped->RowHeights.size(); ++row) {
    EXPECT_EQ(wrapped->RowHeights[row], Console->DefaultRowHeight());
  }
  int sum = 0;
  for (int h : wrapped->RowHeights) {
    sum += h;
  }
  EXPECT_EQ(wrapped->Height, sum);
  // Every row keeps within the usable width and wrapped rows start at the left margin.
  int x = Console->LeftMargin();
  int row = 0;
  const std::vector<int> rowOf = Console->ElementRows(*wrapped);
  for (std::size_t i = 0; i < wrapped->Elements().size(); ++i) {
    const TNodeElement& element = wrapped->Elements()[i];
    if (element.Kind != ekText) {
      if (element.Kind == ekSpace && rowOf[i] == row) {
        x += element.Width;
      }
      continue;
    }
    if (rowOf[i] != row) {
      row = rowOf[i];
      x = Console->LeftMargin();
    }
    EXPECT_LT(x + element.Width, Console->UsableWidth());
    x += element.Width;
  }

  // A bigger font inside a line makes its row taller.
  TMessageNode* big = Console->AddLine(QStringLiteral("small <font size=20>BIG</font> small"));
  EXPECT_GT(big->Height, TextHeight());
}

TEST_F(ChatConsoleTest, HangingIndentStartsWrappedRowsAtTheIndentAmount) {
  Console->SetIndentType(itHanging);
  Console->SetIndentAmount(40);
  QString many;
  for (int i = 0; i < 30; ++i) {
    many += QStringLiteral("w%1 ").arg(i);
  }
  TMessageNode* line = Console->AddLine(many.trimmed());
  ASSERT_GE(line->RowHeights.size(), 2);
  // Paint and find the leftmost ink of row 1.
  const QImage image = Grab();
  const int top = LineTop(line) + line->RowHeights[0];
  const QRect row1(0, top, 400, line->RowHeights[1]);
  int leftmost = 400;
  for (int y = row1.top(); y <= row1.bottom(); ++y) {
    for (int x = 0; x < 400; ++x) {
      if (image.pixelColor(x, y) != kPaper) {
        leftmost = std::min(leftmost, x);
      }
    }
  }
  EXPECT_GE(leftmost, 40);
  EXPECT_LE(leftmost, 43);
}

TEST_F(ChatConsoleTest, VisibleTimestampsFollowTheFormatAndIndentWrappedRows) {
  Console->SetTimestampVisible(true);
  Console->SetTimestampFormat(QStringLiteral("[hh:nn]"));
  Console->SetIndentType(itTimestamp);
  QString many;
  for (int i = 0; i < 30; ++i) {
    many += QStringLiteral("w%1 ").arg(i);
  }
  TMessageNode* line = Console->AddLine(many.trimmed());
  const QString stamp = line->Timestamp().toString(QStringLiteral("[hh:mm] "));
  ASSERT_EQ(line->Elements().front().Kind, ekTimestamp);
  EXPECT_EQ(line->Elements().front().Width, Advance(stamp));
  const std::vector<int> rows = Console->ElementRows(*line);
  ASSERT_GE(*std::max_element(rows.begin(), rows.end()), 1);

  // Wrapped rows start where the time stamp ends.
  const QImage image = Grab();
  const int top = LineTop(line) + line->RowHeights[0];
  int leftmost = 400;
  for (int y = top; y < top + line->RowHeights[1]; ++y) {
    for (int x = 0; x < 400; ++x) {
      if (image.pixelColor(x, y) != kPaper) {
        leftmost = std::min(leftmost, x);
      }
    }
  }
  EXPECT_GE(leftmost, Console->LeftMargin() + Advance(stamp) - 1);

  // A new format is measured afresh; copying includes the shown stamp.
  Console->SetTimestampFormat(QStringLiteral("'at' hh:nn:ss"));
  Grab();
  EXPECT_EQ(line->Elements().front().Width,
            Advance(line->Timestamp().toString(QStringLiteral("'at' hh:mm:ss "))));
}

TEST_F(ChatConsoleTest, AWordWiderThanTheUsableWidthStaysWhereThePenIs) {
  const QString huge(80, QLatin1Char('W'));
  ASSERT_GT(Advance(huge), Console->UsableWidth());
  TMessageNode* line = Console->AddLine(QStringLiteral("ab ") + huge + QStringLiteral(" cd"));
  std::vector<int> rows;
  const std::vector<int> rowOf = Console->ElementRows(*line);
  for (std::size_t i = 0; i < line->Elements().size(); ++i) {
    if (line->Elements()[i].Kind == ekText) {
      rows.push_back(rowOf[i]);
    }
  }
  // "ab" and the huge word share row 0; "cd" wraps.
  EXPECT_EQ(rows, (std::vector<int>{0, 0, 1}));
  Grab(); // painting a word past the edge is cut off, not a fault
}

TEST_F(ChatConsoleTest, LinesWithoutVisibleElementsTakeNoHeight) {
  struct TCase {
    const char* Markup;
    bool TimestampEmptyLines;
    bool TimestampVisible;
    bool Empty;
  };
  const TCase cases[] = {
      {"", false, false, true},
      {"<br>", false, false, true},
      {"<br><br>", false, false, false}, // the row between two breaks is an empty row
      {"<b></b><font color=#FF0000></font>", false, false, true},
      {"", true, false, true},
      {"", true, true, false}, // a visible time stamp is something to show
      {"x", false, false, false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Markup);
    Console->SetTimestampEmptyLines(c.TimestampEmptyLines);
    Console->SetTimestampVisible(c.TimestampVisible);
    TMessageNode* line = Console->AddLine(QString::fromLatin1(c.Markup));
    EXPECT_EQ(line->Height == 0, c.Empty) << line->Height;
  }
}

TEST_F(ChatConsoleTest, RuleTakesTwoPixelsAndIsDrawnInTheTextColour) {
  Console->SetIndentType(itNone);
  TMessageNode* line = Console->AddLine(QStringLiteral("above<hr 50>below"));
  ASSERT_EQ(line->RowHeights.size(), 3);
  EXPECT_EQ(line->RowHeights[1], 2);
  const QImage image = Grab();
  const int ruleY = LineTop(line) + line->RowHeights[0];
  const int end =
      (Console->UsableWidth() - Console->LeftMargin()) * 50 / 100 + Console->LeftMargin();
  EXPECT_EQ(image.pixelColor(Console->LeftMargin(), ruleY), kInk);
  EXPECT_EQ(image.pixelColor(end - 1, ruleY), kInk);
  EXPECT_EQ(image.pixelColor(end + 1, ruleY), kPaper);
  EXPECT_EQ(CountColor(image, kInk, QRect(0, ruleY + 1, 400, 1)), 0);
}

TEST_F(ChatConsoleTest, TextIsDrawnInItsFontColourAndEveryOtherPixelIsBackground) {
  Console->AddLine(QStringLiteral("<font color=#FF0000>red words</font> plain"));
  const QImage image = Grab();
  EXPECT_GT(CountNear(image, QColor(255, 0, 0)), 20);
  EXPECT_GT(CountNear(image, kInk), 20);
  // The area above the only line is cleared to the console colour.
  EXPECT_EQ(CountColor(image, kPaper, QRect(0, 0, 400, 100)), 400 * 100);
}

TEST_F(ChatConsoleTest, ALongRunKeepsTheSpaceBeforeTheNextRun) {
  // Words of one colour are drawn as one string; the layout adds up each
  // word's rounded width. The two must agree, or the run reaches into the
  // space before the next one. A widget font of another size must not leak
  // into the drawing either (the console draws with its own font).
  Console->setFont(QFont(QStringLiteral("Tahoma"), 8));
  Console->SetFont(TChatFont{QFont(), kInk});
  Console->AddLine(QStringLiteral("Corwen: Hi Alira, are you coming to the "
                                  "<font color=#FF0000>raid</font>"));
  const QImage image = Grab();
  int inkRight = -1;
  int redLeft = image.width();
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 200 && c.green() < 80 && c.blue() < 80) {
        redLeft = std::min(redLeft, x);
      } else if (c.red() < 100 && c.green() < 100 && c.blue() < 100) {
        inkRight = std::max(inkRight, x);
      }
    }
  }
  ASSERT_GE(inkRight, 0);
  ASSERT_LT(redLeft, image.width());
  EXPECT_GE(redLeft - inkRight, 2) << "the space before the red word is gone";
  EXPECT_LE(redLeft - inkRight, 10) << "the words are measured in another font than drawn";
}

TEST_F(ChatConsoleTest, ParserErrorsLeaveTheConsoleUnchanged) {
  Console->AddLine(QStringLiteral("first"));
  EXPECT_THROW(Console->AddLine(QStringLiteral("<color nosuchcolour>x</color>")), TChatException);
  EXPECT_EQ(Console->LineCount(), 1);
  TMessageNode* line = Console->Newest();
  EXPECT_THROW(Console->ReplaceLine(line, QStringLiteral("<font color=bogus>y"), false),
               TChatException);
  EXPECT_EQ(line->ElementText(line->Elements().back()), QStringLiteral("first"));
}

TEST_F(ChatConsoleTest, LinesAreInsertedAfterTheGivenLineAndReplaced) {
  Console->SetStoreText(true);
  TMessageNode* a = Console->AddLine(QStringLiteral("a"));
  TMessageNode* c = Console->AddLine(QStringLiteral("c"));
  TMessageNode* b = Console->AddLine(QStringLiteral("b"), a);
  EXPECT_EQ(Console->Oldest(), a);
  EXPECT_EQ(a->Newer, b);
  EXPECT_EQ(b->Newer, c);
  EXPECT_EQ(Console->Newest(), c);
  Console->ReplaceLine(b, QStringLiteral("<b>bee</b>"), true);
  EXPECT_EQ(b->Text, QStringLiteral("<b>bee</b>"));
  Console->DeleteLine(b);
  EXPECT_EQ(a->Newer, c);
  EXPECT_EQ(Console->LineCount(), 2);
  Console->Clear();
  EXPECT_EQ(Console->LineCount(), 0);
  EXPECT_EQ(Console->Newest(), nullptr);
}

TEST_F(ChatConsoleTest, KeptLinesStayUnderOneKibibyte) {
  TMessageNode* line = Console->AddLine(
      QStringLiteral("<font color=#FFFF00><a name=\"charlink\" params=\"Zarkov\" hint=\"Zarkov\">"
                     "Zarkov</a>: anyone up for the tower raid tonight? :) "
                     "<img index=0> http://forums.example/viewtopic?t=1234&amp;p=9</font>"),
      nullptr, true);
  EXPECT_LT(line->MemoryUsage(), 1024u);
  // The URL link keeps its address as params and its detection hint.
  bool found = false;
  for (const TNodeElement& element : line->Elements()) {
    if (element.Kind == ekLinkStart && line->Link(element).Name == QStringLiteral("URL")) {
      found = true;
      EXPECT_EQ(line->Link(element).Params,
                QStringLiteral("http://forums.example/viewtopic?t=1234&p=9"));
      EXPECT_EQ(line->Link(element).Hint,
                QStringLiteral("Open http://forums.example/viewtopic?t=1234&p=9 in default "
                               "browser"));
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(ChatConsoleTest, TextsOutsideLatin1AndVeryLongWordsAreKeptWhole) {
  const QString cyrillic = QStringLiteral("\u041F\u0440\u0438\u0432\u0435\u0442");
  const QString emoji = QStringLiteral("\U0001F600");
  const QString huge(70000, QLatin1Char('x'));
  for (const QString& word : {cyrillic, emoji, QStringLiteral("caf\u00E9"), huge}) {
    TMessageNode* line = Console->AddLine(QStringLiteral("a ") + word);
    QString shown;
    for (const TNodeElement& element : line->Elements()) {
      if (element.Kind == ekText) {
        shown += line->ElementText(element);
      }
    }
    EXPECT_EQ(shown, QStringLiteral("a") + word);
  }
  Grab();
}

// ---- Limit, scrolling
// ----------------------------------------------------------------------------

QString LastText(const TMessageNode* line) {
  for (auto element = line->Elements().rbegin(); element != line->Elements().rend(); ++element) {
    if (element->Kind == ekText) {
      return line->ElementText(*element);
    }
  }
  return QString();
}

TEST_F(ChatConsoleTest, LimitTrimsTheOldestLineUnlessTheUserIsScrolledUp) {
  Console->SetLimit(3);
  for (int i = 0; i < 4; ++i) {
    Console->AddLine(QStringLiteral("line %1").arg(i));
  }
  EXPECT_EQ(Console->LineCount(), 3);
  EXPECT_EQ(LastText(Console->Oldest()), QStringLiteral("1"));

  // Scrolled up, the lines the user may be reading are kept ...
  Console->ScrollTo(5);
  ASSERT_EQ(Console->ScrollPosition(), 5);
  Console->AddLine(QStringLiteral("line 4"));
  EXPECT_EQ(Console->LineCount(), 4);
  // ... until a line arrives at the bottom.
  Console->ScrollTo(0);
  Console->AddLine(QStringLiteral("line 5"));
  EXPECT_EQ(Console->LineCount(), 3);
  EXPECT_EQ(LastText(Console->Oldest()), QStringLiteral("3"));

  Console->Scrolling().SetRemoveLinesWhileScrolledUp(true);
  Console->ScrollTo(5);
  Console->AddLine(QStringLiteral("line 6"));
  EXPECT_EQ(Console->LineCount(), 3);

  // Lowering the limit trims at once; 0 is unlimited and negative values count as 0.
  Console->SetLimit(1);
  EXPECT_EQ(Console->LineCount(), 1);
  Console->SetLimit(-5);
  EXPECT_EQ(Console->Limit(), 0);
}

TEST_F(ChatConsoleTest, TheViewStaysStillWhileLinesArriveScrolledUp) {
  for (int i = 0; i < 40; ++i) {
    Console->AddLine(QStringLiteral("line number %1").arg(i));
  }
  Paint();
  Console->ScrollTo(60);
  const QImage before = Grab();
  TMessageNode* added = nullptr;
  for (int i = 0; i < 5; ++i) {
    added = Console->AddLine(QStringLiteral("more text %1").arg(i));
  }
  EXPECT_EQ(Console->CurrentOffset(), 60 + 5 * added->Height);
  EXPECT_TRUE(Grab() == before);

  // At the bottom a new line simply shows at the bottom edge.
  Console->ScrollTo(0);
  added = Console->AddLine(QStringLiteral("<font color=#FF0000>newest</font>"));
  EXPECT_EQ(Console->CurrentOffset(), 0);
  const QImage after = Grab();
  const int bottom = View()->height();
  EXPECT_GT(
      CountNear(after, QColor(255, 0, 0), QRect(0, bottom - added->Height, 400, added->Height)),
      10);
}

TEST_F(ChatConsoleTest, SmoothScrollingSlidesInStepsOnePerPaint) {
  for (int i = 0; i < 60; ++i) {
    Console->AddLine(QStringLiteral("line number %1").arg(i));
  }
  Paint();
  Console->Scrolling().SetSmoothScrolling(true);
  Console->ScrollTo(400);
  EXPECT_EQ(Console->TargetOffset(), 400);
  EXPECT_EQ(Console->CurrentOffset(), 0);
  std::vector<int> offsets;
  for (int paint = 0; paint < 200 && Console->CurrentOffset() != 400; ++paint) {
    Paint();
    offsets.push_back(Console->CurrentOffset());
    QCoreApplication::sendPostedEvents(Console.get());
  }
  ASSERT_FALSE(offsets.empty());
  EXPECT_EQ(offsets.back(), 400);
  EXPECT_EQ(offsets.front(), Console->Scrolling().MaxScrollSpeed()); // a far jump starts fast
  EXPECT_GT(offsets.size(), 10u);
  EXPECT_TRUE(std::is_sorted(offsets.begin(), offsets.end()));
  // The last steps slow down to one pixel.
  ASSERT_GE(offsets.size(), 2u);
  EXPECT_LE(offsets[offsets.size() - 1] - offsets[offsets.size() - 2], 2);

  // A new line at the bottom slides in from below.
  Console->ScrollTo(0);
  for (int paint = 0; paint < 500 && Console->CurrentOffset() != 0; ++paint) {
    Paint();
  }
  ASSERT_EQ(Console->CurrentOffset(), 0);
  TMessageNode* line = Console->AddLine(QStringLiteral("sliding"));
  EXPECT_EQ(Console->CurrentOffset(), line->Height);
  EXPECT_EQ(Console->TargetOffset(), 0);
  Paint();
  EXPECT_LT(Console->CurrentOffset(), line->Height);
}

TEST_F(ChatConsoleTest, TheScrollBarMapsOffsetsFromTheBottom) {
  for (int i = 0; i < 60; ++i) {
    Console->AddLine(QStringLiteral("line number %1").arg(i));
  }
  QScrollBar* bar = Console->verticalScrollBar();
  EXPECT_TRUE(bar->isEnabled());
  EXPECT_EQ(bar->maximum(), Console->MaximumOffset());
  EXPECT_EQ(bar->value(), Console->MaximumOffset());
  bar->triggerAction(QAbstractSlider::SliderSingleStepSub);
  EXPECT_EQ(Console->CurrentOffset(), Console->DefaultRowHeight());
  EXPECT_EQ(bar->value(), Console->MaximumOffset() - Console->DefaultRowHeight());
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  EXPECT_EQ(Console->CurrentOffset(), Console->DefaultRowHeight() + View()->height());
  bar->triggerAction(QAbstractSlider::SliderToMinimum);
  EXPECT_EQ(Console->CurrentOffset(), Console->MaximumOffset());
  bar->triggerAction(QAbstractSlider::SliderToMaximum);
  EXPECT_EQ(Console->CurrentOffset(), 0);
  Console->ScrollBy(-50);
  EXPECT_EQ(Console->CurrentOffset(), 0);

  Console->Clear();
  EXPECT_FALSE(bar->isEnabled());
}

TEST_F(ChatConsoleTest, OnTextAddedReportsEachBatchOnce) {
  std::vector<std::pair<int, bool>> events;
  Console->OnTextAdded = [&](TCustomChatConsole* sender, int count, bool scrolledUp) {
    EXPECT_EQ(sender, Console.get());
    events.emplace_back(count, scrolledUp);
  };
  Console->BeginUpdate();
  for (int i = 0; i < 30; ++i) {
    Console->AddLine(QStringLiteral("line %1").arg(i));
  }
  EXPECT_TRUE(events.empty());
  Console->EndUpdate();
  Console->ScrollTo(10);
  Console->AddLine(QStringLiteral("while up"));
  EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{30, false}, {1, true}}));
}

// ---- Mouse
// ---------------------------------------------------------------------------------------

TEST_F(ChatConsoleTest, ADragAcrossLinesCopiesTheSelectedRowsOldestFirst) {
  Console->SetIndentType(itNone);
  TMessageNode* first = Console->AddLine(QStringLiteral("alpha beta gamma"));
  Console->AddLine(QStringLiteral("delta <b>epsilon</b>"));
  TMessageNode* last = Console->AddLine(QStringLiteral("zeta eta theta"));
  Paint();
  std::vector<QString> selections;
  Console->OnSelect = [&](TCustomChatConsole*, const QString& text) { selections.push_back(text); };

  const QPoint from(TextX(first, QStringLiteral("beta")) + 3, LineTop(first) + 4);
  const QPoint to(TextX(last, QStringLiteral("eta")) + 3, LineTop(last) + 4);
  Press(from);
  Move(from + QPoint(2, 2)); // under 5 pixels: no drag yet
  Move(to);
  const QImage selecting = Grab();
  Release(to);
  ASSERT_EQ(selections.size(), 1u);
  EXPECT_EQ(selections[0], QStringLiteral("beta gamma\r\ndelta epsilon\r\nzeta eta"));

  // While dragging the selected text is drawn in the console colour on the highlight.
  EXPECT_GT(CountColor(selecting, kHighlight), 200);
  EXPECT_EQ(CountColor(selecting, kHighlight, QRect(0, LineTop(first), from.x() - 5, 4)), 0);
  // After the copy nothing stays highlighted.
  EXPECT_EQ(CountColor(Grab(), kHighlight), 0);

  // A press and release without moving 5 pixels copies nothing.
  Press(from);
  Move(from + QPoint(4, 0));
  Release(from + QPoint(4, 0));
  EXPECT_EQ(selections.size(), 1u);
}

TEST_F(ChatConsoleTest, WrappedRowsOfOneSourceRowCopyAsOneRowAndBreaksSplitRows) {
  Console->SetIndentType(itNone);
  QString many;
  for (int i = 0; i < 30; ++i) {
    many += QStringLiteral("w%1 ").arg(i);
  }
  TMessageNode* line = Console->AddLine(many.trimmed() + QStringLiteral("<br>after <noselect>"
                                                                        "hidden</noselect>"));
  ASSERT_GE(line->RowHeights.size(), 3);
  Paint();
  std::vector<QString> selections;
  Console->OnSelect = [&](TCustomChatConsole*, const QString& text) { selections.push_back(text); };
  Press(QPoint(1, LineTop(line) - 3));
  Move(QPoint(399, View()->height() - 1));
  Release(QPoint(399, View()->height() - 1));
  ASSERT_EQ(selections.size(), 1u);
  // The space before the unselectable word is still selected.
  EXPECT_EQ(selections[0], many.trimmed() + QStringLiteral("\r\nafter "));
}

class ChatConsoleLinkTest : public ChatConsoleTest {
protected:
  void SetUp() override {
    ChatConsoleTest::SetUp();
    Console->SetIndentType(itNone);
    Console->setToolTip(QStringLiteral("console hint"));
    Console->OnLink = [this](TCustomChatConsole*, const QString& name, const QString& params,
                             const QString& hint) {
      Links.push_back(name + QLatin1Char('|') + params + QLatin1Char('|') + hint);
    };
  }
  TMessageNode* AddLinkLine() {
    TMessageNode* line = Console->AddLine(
        QStringLiteral("<a name=\"charlink\" params=\"Bob\" hint=\"Talk to Bob\">Bob</a>"
                       " says hi"));
    Paint();
    return line;
  }
  QPoint OverLink(const TMessageNode* line) const {
    return QPoint(TextX(line, QStringLiteral("Bob")) + 3, LineTop(line) + 4);
  }

  std::vector<QString> Links;
};

TEST_F(ChatConsoleLinkTest, HoverChangesTheCursorAndTheHint) {
  TMessageNode* line = AddLinkLine();
  EXPECT_FALSE(Console->LinkInformation().Valid);
  Move(OverLink(line));
  const TLinkInformation info = Console->LinkInformation();
  EXPECT_TRUE(info.Valid);
  EXPECT_EQ(info.Name, QStringLiteral("charlink"));
  EXPECT_EQ(info.Params, QStringLiteral("Bob"));
  EXPECT_EQ(View()->cursor().shape(), Qt::PointingHandCursor);
  EXPECT_EQ(Console->toolTip(), QStringLiteral("Talk to Bob"));

  Paint();
  Move(QPoint(350, LineTop(line) + 4));
  EXPECT_FALSE(Console->LinkInformation().Valid);
  EXPECT_EQ(View()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(Console->toolTip(), QStringLiteral("console hint"));

  Paint();
  Move(OverLink(line));
  ASSERT_TRUE(Console->LinkInformation().Valid);
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(View(), &leave);
  EXPECT_FALSE(Console->LinkInformation().Valid);
  EXPECT_EQ(Console->toolTip(), QStringLiteral("console hint"));
}

TEST_F(ChatConsoleLinkTest, HoverSwitchesToTheHoverFont) {
  TMessageNode* line = AddLinkLine();
  const QColor blue(0, 0, 255);
  const QRect area(0, LineTop(line), 400, line->Height);
  const int plain = CountColor(Grab(), blue, area);
  EXPECT_GT(plain, 5);
  Move(OverLink(line));
  const int hovered = CountColor(Grab(), blue, area);
  // The underline adds about a pixel row under the name.
  EXPECT_GE(hovered, plain + Advance(QStringLiteral("Bob")) - 4);

  // A link with its effect off keeps the surrounding font until hovered.
  Console->Clear();
  TMessageNode* off =
      Console->AddLine(QStringLiteral("<a name=x params=y effect=OFF>Bob</a> rest"));
  Paint();
  EXPECT_EQ(CountColor(Grab(), blue), 0);
  Move(OverLink(off));
  ASSERT_TRUE(Console->LinkInformation().Valid);
  EXPECT_GT(CountColor(Grab(), blue), 5);
}

TEST_F(ChatConsoleLinkTest, AClickActivatesTheLinkButAClickEndingADragDoesNot) {
  TMessageNode* line = AddLinkLine();
  int clicks = 0;
  Console->OnClick = [&](TCustomChatConsole*) { ++clicks; };
  Move(OverLink(line));
  QTest::mouseClick(View(), Qt::LeftButton, {}, OverLink(line));
  EXPECT_EQ(Links, (std::vector<QString>{QStringLiteral("charlink|Bob|Talk to Bob")}));
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(Opened.empty()); // not a URL link

  Press(QPoint(300, LineTop(line) + 4));
  Move(OverLink(line));
  Release(OverLink(line));
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(Links.size(), 1u);
}

TEST_F(ChatConsoleLinkTest, OnlyWebMailAndNewsAddressesAreOpened) {
  struct TCase {
    const char* Markup;
    bool ParseURLs;
    const char* Opened; // nullptr: nothing is opened
  };
  const TCase cases[] = {
      {"<a name=URL params=\"http://www.example.com/a\" type=URL>go</a>", false,
       "http://www.example.com/a"},
      {"<a name=URL params=\"https://www.example.com/\" type=url>go</a>", false,
       "https://www.example.com/"},
      {"<a name=URL params=\"mailto:bob@example.com\" type=URL>go</a>", false,
       "mailto:bob@example.com"},
      {"<a name=URL params=\"news://news.example/veyra\" type=URL>go</a>", false,
       "news://news.example/veyra"},
      {"<a name=URL params=\"file:///etc/passwd\" type=URL>go</a>", false, nullptr},
      {"<a name=URL params=\"javascript:alert(1)\" type=URL>go</a>", false, nullptr},
      {"<a name=URL params=\"C:\\Windows\\notepad.exe\" type=URL>go</a>", false, nullptr},
      {"<a name=URL params=\"ftp://ftp.example/\" type=URL>go</a>", false, nullptr},
      {"<a name=URL params=\"http://www.example.com/\">go</a>", false, nullptr}, // not type URL
      {"<a name=URL params=\"\" type=URL>go</a>", false, nullptr},
      {"go http://www.example.com/x?a=1&amp;b=2", true, "http://www.example.com/x?a=1&b=2"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Markup);
    Opened.clear();
    Console->Clear();
    TMessageNode* line = Console->AddLine(QString::fromLatin1(c.Markup), nullptr, c.ParseURLs);
    Paint();
    const int x = c.ParseURLs ? TextX(line, QStringLiteral("http://www.example.com/x?a=1&b=2"))
                              : TextX(line, QStringLiteral("go"));
    const QPoint point(x + 3, LineTop(line) + 4);
    Move(point);
    ASSERT_TRUE(Console->LinkInformation().Valid);
    QTest::mouseClick(View(), Qt::LeftButton, {}, point);
    if (c.Opened == nullptr) {
      EXPECT_TRUE(Opened.empty());
    } else {
      EXPECT_EQ(Opened, (std::vector<QString>{QString::fromLatin1(c.Opened)}));
    }
    Move(QPoint(399, 1));
  }

  // Without the option nothing is opened, but the link event still comes.
  Console->SetOptions(kAllConsoleOptions & ~TConsoleOptions(coAutoOpenURLLinks));
  Opened.clear();
  Links.clear();
  Console->Clear();
  TMessageNode* line = Console->AddLine(QStringLiteral("<a name=URL params=\"http://a.example/\" "
                                                       "type=URL>go</a>"));
  Paint();
  const QPoint point(TextX(line, QStringLiteral("go")) + 3, LineTop(line) + 4);
  Move(point);
  QTest::mouseClick(View(), Qt::LeftButton, {}, point);
  EXPECT_TRUE(Opened.empty());
  EXPECT_EQ(Links.size(), 1u);
}

TEST_F(ChatConsoleLinkTest, DeletingOrTrimmingTheHoveredLineDropsTheHover) {
  TMessageNode* line = AddLinkLine();
  Move(OverLink(line));
  ASSERT_TRUE(Console->LinkInformation().Valid);
  const QPoint where = OverLink(line);
  Console->DeleteLine(line);
  EXPECT_FALSE(Console->LinkInformation().Valid);
  EXPECT_EQ(View()->cursor().shape(), Qt::ArrowCursor);
  EXPECT_EQ(Console->toolTip(), QStringLiteral("console hint"));
  Move(where); // the old hot rectangle is gone with its line
  QTest::mouseClick(View(), Qt::LeftButton, {}, where);
  EXPECT_TRUE(Links.empty());

  // Trimming: the hovered line is the oldest when the limit is reached.
  Console->SetLimit(2);
  line = AddLinkLine();
  Console->AddLine(QStringLiteral("second"));
  Paint();
  Move(OverLink(line));
  ASSERT_TRUE(Console->LinkInformation().Valid);
  const QPoint old = OverLink(line);
  Console->AddLine(QStringLiteral("third")); // trims the hovered line
  EXPECT_EQ(Console->LineCount(), 2);
  EXPECT_FALSE(Console->LinkInformation().Valid);
  Move(old);
  QTest::mouseClick(View(), Qt::LeftButton, {}, old);
  EXPECT_TRUE(Links.empty());

  // Replacing a hovered line drops the hover too.
  line = AddLinkLine();
  Move(OverLink(line));
  ASSERT_TRUE(Console->LinkInformation().Valid);
  Console->ReplaceLine(line, QStringLiteral("plain now"), false);
  EXPECT_FALSE(Console->LinkInformation().Valid);
}

// ---- Blinking, pictures
// ----------------------------------------------------------------------------

class TPaintCounter : public QObject {
public:
  int Paints = 0;

protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++Paints;
    }
    return QObject::eventFilter(watched, event);
  }
};

TEST_F(ChatConsoleTest, BlinkingRepaintsOnlyWhenABlinkingElementIsInView) {
  TPaintCounter counter;
  View()->installEventFilter(&counter);
  TMessageNode* line = Console->AddLine(QStringLiteral("<blink>flash</blink>"));
  Paint();
  const QRect area(0, LineTop(line), 400, line->Height);
  EXPECT_GT(CountNear(Grab(), kInk, area), 20);

  counter.Paints = 0;
  Console->BlinkTimerFired(); // hidden phase
  QCoreApplication::processEvents();
  EXPECT_GE(counter.Paints, 1);
  EXPECT_EQ(CountNear(Grab(), kInk, area), 0);
  Console->BlinkTimerFired();
  EXPECT_GT(CountNear(Grab(), kInk, area), 20);

  // Scrolled out of view, the timer causes no paint.
  for (int i = 0; i < 40; ++i) {
    Console->AddLine(QStringLiteral("steady %1").arg(i));
  }
  Paint();
  QCoreApplication::processEvents();
  counter.Paints = 0;
  Console->BlinkTimerFired();
  QCoreApplication::processEvents();
  EXPECT_EQ(counter.Paints, 0);
  View()->removeEventFilter(&counter);
}

TEST_F(ChatConsoleTest, PicturesAreDrawnFromTheImageList) {
  auto emoticons = TChatConsoleImageList::CreateEmoticonList();
  ASSERT_EQ(emoticons->Count(), 12);
  Console->SetImageList(emoticons.get());
  Console->SetIndentType(itNone);
  TMessageNode* line = Console->AddLine(QStringLiteral("hi <img index=0> <img 99> there"));
  EXPECT_EQ(line->Height, std::max(19, TextHeight()));
  const QImage image = Grab();
  const int x = TextX(line, QStringLiteral("hi")) + Advance(QStringLiteral("hi "));
  const QRect picture(x, LineTop(line), 19, 19);
  // The smile's yellow face.
  int yellow = 0;
  for (int y = picture.top(); y <= picture.bottom(); ++y) {
    for (int px = picture.left(); px <= picture.right(); ++px) {
      const QColor c = image.pixelColor(px, y);
      if (c.red() > 200 && c.green() > 150 && c.blue() < 120) {
        ++yellow;
      }
    }
  }
  EXPECT_GT(yellow, 100);
  // A number outside the list draws nothing but keeps its width.
  EXPECT_EQ(TextX(line, QStringLiteral("there")),
            x + 19 + Advance(QStringLiteral(" ")) + 19 + Advance(QStringLiteral(" ")));

  // Destroying the list clears it from the console.
  emoticons.reset();
  EXPECT_EQ(Console->ImageList(), nullptr);
  Grab();
  EXPECT_EQ(line->Height, TextHeight());
}

} // namespace
} // namespace tessra
