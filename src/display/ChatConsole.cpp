#include "display/ChatConsole.h"

#include <algorithm>
#include <cstdlib>
#include <optional>

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "common/ChatException.h"
#include "display/DateTimeFormat.h"

namespace tessra {

namespace {

// The console's own event: one step of smooth scrolling waits in the event queue for it.
QEvent::Type SmoothStepEventType() {
  static const auto kType = static_cast<QEvent::Type>(QEvent::registerEventType());
  return kType;
}

// Moves an owned line back under unique ownership so that it is freed.
void Release(TMessageNode* line) {
  std::unique_ptr<TMessageNode> owned(line);
}

} // namespace

// A link's clickable area on screen, right and bottom exclusive.
struct TCustomChatConsole::THotRect {
  QRect Rect;
  TMessageNode* Line = nullptr;
  int Element = -1; // index of the ekLinkStart element in the line
};

TCustomChatConsole::TCustomChatConsole(QWidget* parent) : QAbstractScrollArea(parent) {
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  viewport()->setAttribute(Qt::WA_NoSystemBackground);
  viewport()->setMouseTracking(true);
  viewport()->setCursor(Qt::ArrowCursor);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

  TextFont.Font = QWidget::font();
  TextFont.Color = palette().color(QPalette::Text);
  Background = palette().color(QPalette::Base);
  PreTextFont.Font = QGuiApplication::font();
  LinkSettings = std::make_unique<TLinkData>([this] {
    InvalidateLayout();
    Repaint();
  });
  ScrollSettings = std::make_unique<TScrollingData>([this] {
    ClampOffsets();
    Repaint();
  });
  UrlOpener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };

  BlinkTimer.setInterval(500);
  connect(&BlinkTimer, &QTimer::timeout, this, [this] { BlinkTimerFired(); });
  BlinkTimer.start();

  QScrollBar* bar = verticalScrollBar();
  connect(bar, &QScrollBar::actionTriggered, this, [this](int action) { ScrollBarAction(action); });
  connect(bar, &QScrollBar::sliderMoved, this, [this](int position) { ScrollBarMoved(position); });
  connect(bar, &QScrollBar::sliderReleased, this,
          [this] { ScrollTo(MaxOffset - verticalScrollBar()->sliderPosition()); });

  SetEdge(etClient);
  resize(100, 80);
  SyncScrollBar();
}

TCustomChatConsole::~TCustomChatConsole() {
  HotRects.clear();
  HoverLine = nullptr;
  while (Head != nullptr) {
    TMessageNode* line = Head;
    Head = line->Older;
    Release(line);
  }
  Tail = nullptr;
  Count = 0;
}

// ---- Lines -------------------------------------------------------------------------------

TMessageNode* TCustomChatConsole::AddLine(const QString& text, TMessageNode* after,
                                          bool parseURLs) {
  // Parse before anything changes: a line the parser refuses leaves the console as it was.
  auto line = std::make_unique<TMessageNode>();
  std::vector<TMessageElement> elements =
      ParseMarkup(text, line.get(), WhitespaceMode, StampEmptyLines);
  if (parseURLs) {
    DetectURLs(elements, LinkSettings->AutoParseEffect(), LinkSettings->AutoParseHoverEffect());
  }
  line->Assign(elements);
  elements.clear();
  if (KeepText) {
    line->Text = text;
  }
  line->SetTimestampMSecs(QDateTime::currentMSecsSinceEpoch());

  BeginUpdate();
  if (Count == 0) {
    Offset = MaxOffset;
  }
  TMessageNode* added = line.release();
  Link(added, after);
  Dirty();

  Measure(*added);

  // Keep the view: scrolled up, the text on screen stays where it is; at the bottom with smooth
  // scrolling the new line slides in from below.
  const int h = added->Height + Spacing;
  if (Offset > 0) {
    if (Target == Offset) {
      Target += h;
    }
    Offset += h;
    MaxOffset += h;
  } else if (ScrollSettings->SmoothScrolling()) {
    Offset += h;
    Target = 0;
  }
  Offset = std::min(Offset, MaxOffset);
  Target = std::min(Target, MaxOffset);

  ++Count;
  Trim();
  ++LinesAdded;
  EndUpdate();
  return added;
}

TMessageNode* TCustomChatConsole::AddLineFmt(const char* format,
                                             std::initializer_list<std::string> args,
                                             TMessageNode* after, bool parseURLs) {
  return AddLine(QString::fromStdString(FormatMessage(format, args)), after, parseURLs);
}

void TCustomChatConsole::ReplaceLine(TMessageNode* line, const QString& text,
                                     bool updateTimestamp) {
  Q_ASSERT_X(line != nullptr, "TCustomChatConsole::ReplaceLine", "no line given");
  if (line == nullptr) {
    return;
  }
  // A refused text keeps the line's old content.
  std::vector<TMessageElement> elements = ParseMarkup(text, line, WhitespaceMode, StampEmptyLines);
  BeginUpdate();
  ForgetReferencesTo(line);
  line->Assign(elements);
  line->Text = KeepText ? text : QString();
  if (updateTimestamp) {
    line->SetTimestampMSecs(QDateTime::currentMSecsSinceEpoch());
  }
  Measure(*line);
  Dirty();
  EndUpdate();
}

void TCustomChatConsole::ReplaceLineFmt(TMessageNode* line, const char* format,
                                        std::initializer_list<std::string> args,
                                        bool updateTimestamp) {
  ReplaceLine(line, QString::fromStdString(FormatMessage(format, args)), updateTimestamp);
}

void TCustomChatConsole::DeleteLine(TMessageNode* line) {
  Q_ASSERT_X(line != nullptr, "TCustomChatConsole::DeleteLine", "no line given");
  if (line == nullptr) {
    return;
  }
  BeginUpdate();
  Free(line);
  Dirty();
  EndUpdate();
}

void TCustomChatConsole::Clear() {
  BeginUpdate();
  while (Head != nullptr) {
    Free(Head);
  }
  Dirty();
  EndUpdate();
}

void TCustomChatConsole::Link(TMessageNode* line, TMessageNode* after) {
  if (after == nullptr) {
    line->Older = Head;
    line->Newer = nullptr;
    if (Head != nullptr) {
      Head->Newer = line;
    }
    Head = line;
    if (Tail == nullptr) {
      Tail = line;
    }
    return;
  }
  // Directly newer than `after`.
  line->Older = after;
  line->Newer = after->Newer;
  if (after->Newer != nullptr) {
    after->Newer->Older = line;
  } else {
    Head = line;
  }
  after->Newer = line;
}

void TCustomChatConsole::Free(TMessageNode* line) {
  ForgetReferencesTo(line);
  if (line->Newer != nullptr) {
    line->Newer->Older = line->Older;
  } else {
    Head = line->Older;
  }
  if (line->Older != nullptr) {
    line->Older->Newer = line->Newer;
  } else {
    Tail = line->Newer;
  }
  --Count;
  Release(line);
}

void TCustomChatConsole::ForgetReferencesTo(const TMessageNode* line) {
  std::erase_if(HotRects, [line](const THotRect& hot) { return hot.Line == line; });
  DropRunsOf(line);
  if (HoverLine == line) {
    // The line goes away, so it is not measured again; only the cursor and hint come back.
    HoverLine = nullptr;
    HoverElement = -1;
    viewport()->setCursor(Qt::ArrowCursor);
    setToolTip(SavedHint);
  }
}

void TCustomChatConsole::Trim() {
  if (!ScrollSettings->RemoveLinesWhileScrolledUp() && Target > 0) {
    return; // the user is reading older lines; a later line added at the bottom trims
  }
  while (LineLimit > 0 && Count > LineLimit && Tail != nullptr) {
    const int h = Tail->Height;
    Free(Tail);
    MaxOffset = std::max(0, MaxOffset - h);
    Dirty();
  }
}

void TCustomChatConsole::Dirty() {
  IsDirty = true;
}

void TCustomChatConsole::BeginUpdate() {
  ++UpdateCount;
}

void TCustomChatConsole::EndUpdate() {
  Q_ASSERT_X(UpdateCount > 0, "TCustomChatConsole::EndUpdate", "without BeginUpdate");
  if (UpdateCount <= 0) {
    return;
  }
  if (--UpdateCount > 0 || !IsDirty) {
    return;
  }
  // The layout, the offsets and the scroll bar are brought up to date at once; the painting
  // itself is left to Qt, which folds the lines of one pass of the event loop into one paint.
  Repaint();
  const int added = LinesAdded;
  LinesAdded = 0;
  if (added > 0 && OnTextAdded) {
    const bool scrolledUp = ScrollSettings->SmoothScrolling() ? Target > 0 : Offset > 0;
    OnTextAdded(this, added, scrolledUp);
  }
}

TCustomChatConsole::TSizeCache& TCustomChatConsole::SizeCacheFor(const QFont& font) {
  for (TSizeCache& cache : SizeCaches) {
    if (cache.Font == font) {
      return cache;
    }
  }
  constexpr std::size_t kCachedFonts = 16;
  if (SizeCaches.size() >= kCachedFonts) {
    SizeCaches.erase(SizeCaches.begin());
  }
  SizeCaches.push_back(TSizeCache{font, {}});
  return SizeCaches.back();
}

void TCustomChatConsole::DropRunsOf(const TMessageNode* line) {
  for (auto run = Runs.begin(); run != Runs.end();) {
    if (run.key().first == line) {
      run = Runs.erase(run);
    } else {
      ++run;
    }
  }
}

void TCustomChatConsole::InvalidateLayout() {
  SizeCaches.clear();
  for (TMessageNode* line = Head; line != nullptr; line = line->Older) {
    line->ResetLayout();
  }
}

// ---- Layout and painting ------------------------------------------------------------------

int TCustomChatConsole::UsableWidth() const {
  return viewport()->width() - MarginRight;
}

int TCustomChatConsole::DefaultRowHeight() const {
  return QFontMetrics(TextFont.Font, viewport()).height() + 2;
}

QString TCustomChatConsole::FormattedTimestamp(const TMessageNode& line) const {
  // Without a millisecond code in the pattern, every moment of one second looks the same.
  const bool milliseconds = StampFormat.contains(QLatin1Char('z'), Qt::CaseInsensitive);
  const qint64 moment = milliseconds ? line.TimestampMSecs() : line.TimestampMSecs() / 1000;
  const auto found = StampTexts.constFind(moment);
  if (found != StampTexts.constEnd()) {
    return *found;
  }
  constexpr qsizetype kCachedStamps = 1024;
  if (StampTexts.size() >= kCachedStamps) {
    StampTexts.clear();
  }
  const QString text = FormatDateTime(StampFormat, line.Timestamp()) + QLatin1Char(' ');
  StampTexts.insert(moment, text);
  return text;
}

void TCustomChatConsole::Measure(TMessageNode& line) {
  LayoutLine(line, false, nullptr, 0);
}

std::vector<int> TCustomChatConsole::ElementRows(TMessageNode& line) {
  std::vector<int> rows;
  LayoutLine(line, false, nullptr, 0, &rows);
  return rows;
}

void TCustomChatConsole::LayoutLine(TMessageNode& line, bool paint, QPainter* painter, int y,
                                    std::vector<int>* elementRows) {
  struct TFontRec {
    QFont Font;
    QColor Color;
    QColor Brush;
  };

  const int usable = UsableWidth();
  const int clientWidth = viewport()->width();
  const int clientHeight = viewport()->height();
  const int defaultRow = DefaultRowHeight();
  const QColor highlight = palette().color(QPalette::Highlight);
  const bool selectionTest = paint && Selecting && DragStarted;
  const bool blinkHiding = BlinkTimer.isActive() && BlinkPhase;

  auto& rows = line.RowHeights;
  int r = 0;
  if (!paint || rows.isEmpty()) {
    rows.clear();
    rows.append(0);
  }

  TFontRec canvas{TextFont.Font, TextFont.Color, Background};
  std::optional<QFontMetrics> metrics;
  std::vector<TFontRec> fontStack;
  std::vector<int> indentStack;
  std::vector<int> linkStack;
  bool pre = false;
  int indent = MarginLeft;
  int rowStart = MarginLeft;
  int x = MarginLeft;
  bool rowStarted = false;

  // The painting pass clears the whole line to the background first, so only other colours are
  // filled element by element.
  const auto fill = [&](int left, int top, int width, int height, const QColor& color) {
    if (painter != nullptr && width > 0 && height > 0 && color != Background) {
      painter->fillRect(QRect(left, top, width, height), color);
    }
  };
  // Neighbouring words of one font and colour on one row are drawn with one call.
  struct TRun {
    QString Text;
    int X = 0;
    int Right = 0;
    int Baseline = 0;
    int Ascent = 0;
    int FontSerial = 0;
    int Start = 0; // index of the run's first element
    QColor Color;
    bool Active = false;
  } run;
  int fontSerial = 0;
  QFont runFont;
  const auto flush = [&] {
    if (run.Active && painter != nullptr) {
      TCachedRun& cached = Runs[std::make_pair(static_cast<const TMessageNode*>(&line), run.Start)];
      const int width = run.Right - run.X;
      if (cached.Generation == 0 || cached.Text != run.Text || cached.Font != runFont ||
          cached.Width != width) {
        cached.Text = run.Text;
        cached.Font = runFont;
        cached.Width = width;
        // The layout adds up each word's width rounded to whole pixels, while
        // the run's glyphs advance by fractions; over a long run the two drift
        // apart and the run would reach into (or leave a gap before) what the
        // layout placed after it. Spreading the difference over the letters
        // makes the run exactly as wide as the layout says.
        cached.DrawFont = runFont;
        const qreal exact = QFontMetricsF(runFont, viewport()).horizontalAdvance(run.Text);
        if (run.Text.size() > 1 && std::abs(exact - width) > 0.25) {
          cached.DrawFont.setLetterSpacing(QFont::AbsoluteSpacing,
                                           (width - exact) / static_cast<qreal>(run.Text.size()));
        }
        cached.Static = QStaticText(run.Text);
        cached.Static.setTextFormat(Qt::PlainText);
        cached.Static.setPerformanceHint(QStaticText::AggressiveCaching);
        cached.Static.prepare(painter->transform(), cached.DrawFont);
      }
      cached.Generation = PaintGeneration;
      painter->setFont(cached.DrawFont);
      painter->setPen(run.Color);
      painter->drawStaticText(QPointF(run.X, run.Baseline - run.Ascent), cached.Static);
    }
    run.Active = false;
    run.Text.clear();
  };
  const auto ensureRow = [&](int row) {
    while (rows.size() <= row) {
      rows.append(defaultRow);
    }
  };
  std::size_t index = 0;
  const auto account = [&](int height) {
    ensureRow(r);
    rows[r] = std::max(rows[r], height);
    if (elementRows != nullptr) {
      (*elementRows)[index] = r;
    }
  };
  const auto newRow = [&] {
    flush();
    ensureRow(r);
    if (rowStarted) {
      fill(x, y, clientWidth - x, rows[r], Background);
    } else {
      fill(0, y, clientWidth, rows[r], Background);
    }
    y += rows[r];
    x = pre ? rowStart : indent;
    rowStart = x;
    ++r;
    rowStarted = false;
  };
  const auto startRow = [&] {
    if (!rowStarted) {
      ensureRow(r);
      fill(0, y, indent, rows[r], Background);
      rowStarted = true;
    }
  };
  const auto fontMetrics = [&]() -> const QFontMetrics& {
    if (!metrics) {
      // Measure with the font the painter will draw with: QPainter resolves a
      // font against its device's font, so the metrics must as well, or
      // attributes the console font leaves unset (size, weight) would come
      // from the widget when drawing but not when measuring.
      metrics.emplace(canvas.Font.resolve(viewport()->font()), viewport());
    }
    return *metrics;
  };
  TSizeCache* sizes = nullptr;
  const auto setFont = [&](const QFont& font) {
    if (font.isCopyOf(canvas.Font)) {
      return; // the same font again (a colour change, a link without a font of its own)
    }
    canvas.Font = font;
    metrics.reset();
    sizes = nullptr;
    ++fontSerial;
  };
  const auto applyLinkFont = [&](const TChatFont& font) {
    setFont(font.Font);
    if (font.Color.isValid()) {
      canvas.Color = font.Color;
    }
  };
  const auto addHotRect = [&](const QRect& rect) {
    if (paint && !linkStack.empty() && rect.top() < clientHeight && rect.bottom() >= 0) {
      HotRects.push_back(THotRect{rect, &line, linkStack.back()});
    }
  };
  // The selection test of an element's rectangle against the drag from Anchor to Current.
  const auto isSelected = [&](const TNodeElement& element, const QRect& rect) {
    if (!selectionTest || element.NoSelect()) {
      return false;
    }
    const int left = rect.left();
    const int top = rect.top();
    const int right = rect.left() + rect.width();
    const int bottom = rect.top() + rect.height();
    QPoint p1 = Anchor;
    QPoint p2 = Current;
    const auto inRow = [&](int py) { return py >= top && py < bottom; };
    if (inRow(p1.y()) && inRow(p2.y())) {
      if (p1.x() > p2.x()) {
        std::swap(p1.rx(), p2.rx());
      }
    } else if (p2.y() < p1.y()) {
      std::swap(p1, p2);
    }
    const int x1 = p1.x();
    const int y1 = p1.y();
    const int x2 = p2.x();
    const int y2 = p2.y();
    if (y1 > bottom || y2 < top) {
      return false;
    }
    return (y1 < top && y2 >= bottom) || (y1 < bottom && bottom <= y2 && x1 < right) ||
           (y1 < top && top <= y2 && y2 < bottom && x2 >= left) ||
           (top <= y1 && y2 < bottom && x1 < right && x2 >= left);
  };
  const auto rowInView = [&](int rowHeight) { return y < clientHeight && y + rowHeight > 0; };

  std::vector<TNodeElement>& elements = line.Elements();

  if (painter != nullptr) {
    int height = 0;
    for (int rowHeight : rows) {
      height += rowHeight;
    }
    painter->fillRect(QRect(0, y, clientWidth, height), Background);
  }
  if (elements.empty()) {
    newRow();
  }
  if (Indent == itHanging) {
    indent = Hanging;
  }
  rowStarted = true;

  if (elementRows != nullptr) {
    elementRows->assign(elements.size(), -1);
  }
  for (index = 0; index < elements.size(); ++index) {
    TNodeElement& element = elements[index];
    element.SetSelected(false);
    switch (element.Kind) {
    case ekText:
    case ekSpace:
    case ekTimestamp: {
      QString text;
      if (element.Kind == ekText) {
        text = line.ElementText(element);
      } else if (element.Kind == ekSpace) {
        text = QStringLiteral(" ");
      } else if (ShowTimestamps) {
        text = FormattedTimestamp(line);
      } else {
        // An invisible time stamp is never measured, but still marks where it ends.
        if (Indent == itTimestamp) {
          indent = x;
        }
        break;
      }
      if (element.Width == 0 && element.Height == 0) {
        QSize size;
        constexpr qsizetype kCachedLength = 24;
        constexpr qsizetype kCachedTexts = 2048;
        const bool cacheable = text.size() <= kCachedLength;
        if (cacheable) {
          if (sizes == nullptr) {
            sizes = &SizeCacheFor(canvas.Font);
          }
          const auto found = sizes->Sizes.constFind(text);
          if (found != sizes->Sizes.constEnd()) {
            size = *found;
          }
        }
        if (size.isEmpty()) {
          const QFontMetrics& fm = fontMetrics();
          size = QSize(fm.horizontalAdvance(text), fm.height());
          if (cacheable) {
            if (sizes->Sizes.size() >= kCachedTexts) {
              sizes->Sizes.clear();
            }
            // A copy of its own: the text may share the line's storage.
            sizes->Sizes.insert(QString(text.constData(), text.size()), size);
          }
        }
        element.Width = static_cast<std::uint16_t>(std::clamp(size.width(), 0, 0xFFFF));
        element.Height = static_cast<std::uint16_t>(std::clamp(size.height(), 0, 0xFFFF));
      }
      const int w = element.Width;
      const int h = element.Height;
      account(h);
      if (x + w >= usable && w < usable) {
        newRow();
        account(h);
        if (element.Kind == ekSpace) {
          break; // a space that wrapped is not drawn
        }
      }
      startRow();
      if (paint) {
        const QRect rect(x, y, w, rows[r]);
        addHotRect(rect);
        const bool selected = isSelected(element, rect);
        element.SetSelected(selected);
        const bool inView = rowInView(rows[r]);
        if (element.Blink() && inView) {
          BlinkInView = true;
        }
        if (painter != nullptr && inView) {
          const QColor brush = selected ? highlight : canvas.Brush;
          fill(rect.left(), rect.top(), rect.width(), rect.height(), brush);
          const QColor color = selected ? Background : canvas.Color;
          const int baseline = y + rows[r] - h + fontMetrics().ascent();
          if (blinkHiding && element.Blink()) {
            flush();
          } else if (run.Active && run.Right == x && run.Baseline == baseline &&
                     run.FontSerial == fontSerial && run.Color == color) {
            run.Text += text;
            run.Right = x + w;
          } else if (element.Kind != ekSpace) {
            flush();
            run.Text = text;
            run.X = x;
            run.Right = x + w;
            run.Baseline = baseline;
            run.Ascent = fontMetrics().ascent();
            run.FontSerial = fontSerial;
            run.Start = static_cast<int>(index);
            run.Color = color;
            run.Active = true;
            runFont = canvas.Font.resolve(viewport()->font());
          }
        }
      }
      x += w;
      if (element.Kind == ekTimestamp && Indent == itTimestamp) {
        indent = x;
      }
      break;
    }
    case ekStyleOn:
    case ekStyleOff: {
      QFont font = canvas.Font;
      const bool on = element.Kind == ekStyleOn;
      const std::uint8_t style = element.Style();
      if ((style & fsBold) != 0) {
        font.setBold(on);
      }
      if ((style & fsItalic) != 0) {
        font.setItalic(on);
      }
      if ((style & fsUnderline) != 0) {
        font.setUnderline(on);
      }
      setFont(font);
      break;
    }
    case ekIndentPush:
      indentStack.push_back(indent);
      indent = x;
      break;
    case ekIndentPop:
      if (!indentStack.empty()) {
        indent = indentStack.back();
        indentStack.pop_back();
      }
      break;
    case ekBreak:
      newRow();
      break;
    case ekLinkStart: {
      linkStack.push_back(static_cast<int>(index));
      fontStack.push_back(canvas);
      const TNodeLink link = line.Link(element);
      const bool hovered = HoverLine == &line && HoverElement == static_cast<int>(index);
      if (hovered) {
        if (link.HoverEffect) {
          applyLinkFont(LinkSettings->HoverFont());
        }
      } else if (link.Effect) {
        applyLinkFont(LinkSettings->Font());
      }
      break;
    }
    case ekLinkEnd:
      if (!linkStack.empty()) {
        linkStack.pop_back();
        if (!fontStack.empty()) {
          setFont(fontStack.back().Font);
          canvas.Color = fontStack.back().Color;
          canvas.Brush = fontStack.back().Brush;
          fontStack.pop_back();
        }
      }
      break;
    case ekFontStart: {
      fontStack.push_back(canvas);
      const TNodeFont font = line.Font(element);
      QFont changed = canvas.Font;
      if (!font.Face.isEmpty()) {
        changed.setFamily(font.Face);
      }
      if (font.Size > 0) {
        changed.setPointSize(font.Size);
      }
      if (font.Step > 0) {
        const int size = changed.pointSize() > 0 ? changed.pointSize()
                                                 : std::max(1, changed.pixelSize() * 3 / 4);
        changed.setPointSize(size + font.Step);
      }
      setFont(changed);
      if (!font.Color.IsNone()) {
        canvas.Color = font.Color.Resolve(palette());
      }
      if (!font.Background.IsNone()) {
        canvas.Brush = font.Background.Resolve(palette());
      }
      break;
    }
    case ekFontEnd:
    case ekPreEnd:
      if (!fontStack.empty()) {
        setFont(fontStack.back().Font);
        canvas.Color = fontStack.back().Color;
        canvas.Brush = fontStack.back().Brush;
        fontStack.pop_back();
      }
      if (element.Kind == ekPreEnd) {
        pre = false;
      }
      break;
    case ekPreStart:
      fontStack.push_back(canvas);
      applyLinkFont(PreTextFont);
      pre = true;
      break;
    case ekImage: {
      if (Images.isNull()) {
        break;
      }
      flush();
      const QSize size = Images->Size();
      const int w = size.width();
      const int h = size.height();
      if (x + w >= usable && w < usable) {
        newRow();
      }
      element.Width = static_cast<std::uint16_t>(std::clamp(w, 0, 0xFFFF));
      element.Height = static_cast<std::uint16_t>(std::clamp(h, 0, 0xFFFF));
      account(h);
      startRow();
      if (paint) {
        addHotRect(QRect(x, y, w, h));
        const QRect rect(x, y, w, rows[r]);
        const bool selected = isSelected(element, rect);
        element.SetSelected(selected);
        const bool inView = rowInView(rows[r]);
        if (element.Blink() && inView) {
          BlinkInView = true;
        }
        if (painter != nullptr && inView) {
          if (blinkHiding && element.Blink()) {
            painter->fillRect(rect, canvas.Brush);
          } else {
            // Transparent parts of the picture show the selection or the console colour.
            fill(rect.left(), rect.top(), rect.width(), rect.height(),
                 selected ? highlight : Background);
            Images->Draw(*painter, QPoint(x, y), element.Value());
          }
        }
      }
      x += w;
      break;
    }
    case ekColumn: {
      const int columnX = element.Value();
      if (columnX <= x) {
        break;
      }
      flush();
      ensureRow(r);
      const QRect rect(x, y, columnX - x, rows[r]);
      const bool selected = isSelected(element, rect);
      element.SetSelected(selected);
      account(0);
      if (x > usable) {
        newRow();
      } else {
        fill(x, y, columnX - x, rows[r], selected ? highlight : canvas.Brush);
        x = columnX;
      }
      break;
    }
    case ekRule: {
      flush();
      // A rule always takes a row of its own. The current row ends first unless it holds
      // nothing at all (not even a measured height), so the pixels drawn and the heights kept
      // always agree.
      if (r < rows.size()) {
        if (rowStarted) {
          fill(x, y, clientWidth - x, rows[r], Background);
        } else {
          fill(0, y, clientWidth, rows[r], Background);
        }
        y += rows[r];
        ++r;
      }
      x = indent;
      const int end = (usable - indent) * std::clamp(element.Value(), 0, 100) / 100 + indent;
      element.Height = 2;
      account(2);
      rows[r] = 2;
      if (painter != nullptr) {
        fill(0, y, clientWidth, 2, Background);
        fill(indent, y, end - indent, 1, canvas.Color);
      }
      x = indent;
      y += 2;
      ++r;
      rowStarted = false;
      break;
    }
    default:
      break;
    }
  }

  flush();
  // The rest of the last row.
  if (painter != nullptr && r < rows.size()) {
    if (rowStarted) {
      fill(x, y, clientWidth - x, rows[r], Background);
    } else {
      fill(0, y, clientWidth, rows[r], Background);
    }
  }
  line.LayoutWidth = usable;
  int height = 0;
  for (int rowHeight : rows) {
    height += rowHeight;
  }
  line.Height = height;
}

void TCustomChatConsole::PaintLines(QPainter* painter) {
  ClampOffsets();
  const int usable = UsableWidth();
  const int clientHeight = viewport()->height();
  const int clientWidth = viewport()->width();
  int y = clientHeight + Offset;
  BlinkInView = false;
  HotRects.clear();

  for (TMessageNode* line = Head; line != nullptr; line = line->Older) {
    if (line->Height == 0 || line->LayoutWidth != usable) {
      Measure(*line);
    }
    y -= line->Height;
    if (y < clientHeight && y > -line->Height) {
      LayoutLine(*line, true, painter, y);
    }
    if (Spacing > 0) {
      if (painter != nullptr && y > 0 && y - Spacing < clientHeight) {
        painter->fillRect(QRect(0, y - Spacing, clientWidth, Spacing), Background);
      }
      y -= Spacing;
    }
  }
  if (painter != nullptr && y > 0) {
    painter->fillRect(QRect(0, 0, clientWidth, std::min(y, clientHeight)), Background);
  }
  IsDirty = false;
  UpdateScrollRange();
  if (Head == nullptr && HoverLine != nullptr) {
    ForgetReferencesTo(HoverLine);
  }
}

void TCustomChatConsole::paintEvent(QPaintEvent* event) {
  Q_UNUSED(event);
  QPainter painter(viewport());
  ++PaintGeneration;
  if (PaintGeneration == 0) {
    ++PaintGeneration; // 0 marks a run never drawn
  }
  PaintLines(&painter);
  painter.end();
  // Runs of lines that went out of view are laid out again if they come back.
  for (auto run = Runs.begin(); run != Runs.end();) {
    if (run->Generation != PaintGeneration) {
      run = Runs.erase(run);
    } else {
      ++run;
    }
  }
  if (ScrollSettings->SmoothScrolling() && Target != Offset) {
    SmoothStep();
  } else {
    Speed = 1;
  }
}

void TCustomChatConsole::UpdateScrollRange() {
  const int usable = UsableWidth();
  long long total = 0;
  for (TMessageNode* line = Head; line != nullptr; line = line->Older) {
    if (line->Height == 0 || line->LayoutWidth != usable) {
      Measure(*line);
    }
    total += line->Height + Spacing;
  }
  MaxOffset = static_cast<int>(std::clamp<long long>(total - DefaultRowHeight(), 0, 1LL << 30));
  ClampOffsets();
  SyncScrollBar();
}

void TCustomChatConsole::ClampOffsets() {
  MaxOffset = std::max(MaxOffset, 0);
  Offset = std::clamp(Offset, 0, MaxOffset);
  Target = std::clamp(Target, 0, MaxOffset);
}

void TCustomChatConsole::SyncScrollBar() {
  QScrollBar* bar = verticalScrollBar();
  SyncingScrollBar = true;
  bar->setRange(0, MaxOffset);
  bar->setPageStep(std::max(1, viewport()->height()));
  bar->setSingleStep(std::max(1, DefaultRowHeight()));
  if (!bar->isSliderDown()) {
    bar->setValue(MaxOffset - (ScrollSettings->SmoothScrolling() ? Target : Offset));
  }
  bar->setEnabled(MaxOffset > 0);
  SyncingScrollBar = false;
}

void TCustomChatConsole::Repaint() {
  UpdateScrollRange();
  viewport()->update();
}

void TCustomChatConsole::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  Repaint();
}

void TCustomChatConsole::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) {
    viewport()->update();
  } else if (event->type() == QEvent::FontChange) {
    // The widget font fills in what the console fonts leave unset.
    SizeCaches.clear();
    InvalidateLayout();
  }
}

void TCustomChatConsole::scrollContentsBy(int dx, int dy) {
  // The console scrolls by its own offsets; the scroll bar only reports requests.
  Q_UNUSED(dx);
  Q_UNUSED(dy);
}

// ---- Scrolling ------------------------------------------------------------------------------

void TCustomChatConsole::ScrollTo(int offset) {
  if (ScrollSettings->SmoothScrolling()) {
    if (offset == Target) {
      return;
    }
    Target = std::clamp(offset, 0, MaxOffset);
    if (std::abs(Target - Offset) >= ScrollSettings->AccelerationRange()) {
      Speed = ScrollSettings->MaxScrollSpeed();
    }
  } else {
    if (offset == Offset) {
      return;
    }
    // Without smoothing the target has no motion to lead; it follows the offset so that the
    // line limit and new lines see the user scrolled up either way.
    Offset = std::clamp(offset, 0, MaxOffset);
    Target = Offset;
  }
  SyncScrollBar();
  viewport()->update();
}

void TCustomChatConsole::ScrollBy(int delta) {
  ScrollTo(ScrollPosition() + delta);
}

int TCustomChatConsole::ScrollPosition() const {
  return ScrollSettings->SmoothScrolling() ? Target : Offset;
}

void TCustomChatConsole::SmoothStep() {
  const int direction = Target > Offset ? 1 : -1;
  Offset += direction * Speed;
  if ((direction > 0 && Offset >= Target) || (direction < 0 && Offset <= Target)) {
    Offset = Target;
    Speed = 1;
  } else {
    const int remaining = std::abs(Target - Offset);
    if (remaining <= ScrollSettings->DecelerationRange()) {
      Speed = std::max(1, Speed - 1);
    } else if (Speed < ScrollSettings->MaxScrollSpeed()) {
      Speed = remaining >= ScrollSettings->AccelerationRange() ? ScrollSettings->MaxScrollSpeed()
                                                               : Speed + 1;
    }
  }
  // The next step runs from the event queue, one step per paint.
  if (!SmoothStepPosted) {
    SmoothStepPosted = true;
    QCoreApplication::postEvent(this, new QEvent(SmoothStepEventType()));
  }
}

void TCustomChatConsole::ScrollBarAction(int action) {
  if (SyncingScrollBar) {
    return;
  }
  QScrollBar* bar = verticalScrollBar();
  const int row = DefaultRowHeight();
  const int page = viewport()->height();
  int offset = ScrollPosition();
  switch (action) {
  case QAbstractSlider::SliderSingleStepSub:
    offset = Offset + row;
    break;
  case QAbstractSlider::SliderSingleStepAdd:
    offset = Offset - row;
    break;
  case QAbstractSlider::SliderPageStepSub:
    offset = Offset + page;
    break;
  case QAbstractSlider::SliderPageStepAdd:
    offset = Offset - page;
    break;
  case QAbstractSlider::SliderToMinimum:
    offset = MaxOffset;
    break;
  case QAbstractSlider::SliderToMaximum:
    offset = 0;
    break;
  case QAbstractSlider::SliderMove:
    if (bar->isSliderDown()) {
      return; // thumb dragging is handled by ScrollBarMoved
    }
    offset = MaxOffset - bar->sliderPosition();
    break;
  default:
    return;
  }
  ScrollTo(std::clamp(offset, 0, MaxOffset));
  SyncingScrollBar = true;
  bar->setSliderPosition(MaxOffset - ScrollPosition());
  SyncingScrollBar = false;
}

void TCustomChatConsole::ScrollBarMoved(int position) {
  if (SyncingScrollBar) {
    return;
  }
  Offset = std::clamp(MaxOffset - position, 0, MaxOffset);
  Target = Offset;
  viewport()->update();
}

void TCustomChatConsole::wheelEvent(QWheelEvent* event) {
  const int delta = event->angleDelta().y();
  bool handled = false;
  if (OnMouseWheel) {
    OnMouseWheel(this, delta, handled);
  }
  if (!handled && delta != 0) {
    const QFont& font = TextFont.Font;
    const int size = font.pointSize() > 0 ? font.pointSize() : font.pixelSize() * 3 / 4;
    ScrollBy(static_cast<int>(std::lround(delta / 120.0 * (3 * size + 14))));
  }
  event->accept();
}

bool TCustomChatConsole::event(QEvent* event) {
  if (event->type() == SmoothStepEventType()) {
    SmoothStepPosted = false;
    viewport()->update();
    return true;
  }
  return QAbstractScrollArea::event(event);
}

bool TCustomChatConsole::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::Leave) {
    MouseLeave();
  }
  return QAbstractScrollArea::viewportEvent(event);
}

// ---- Links, selection, blinking -------------------------------------------------------------

TLinkInformation TCustomChatConsole::LinkInformation() const {
  TLinkInformation info;
  if (HoverLine == nullptr || HoverElement < 0 ||
      std::size_t(HoverElement) >= HoverLine->Elements().size()) {
    return info;
  }
  const TNodeLink link = HoverLine->Link(HoverLine->Elements()[std::size_t(HoverElement)]);
  info.Valid = true;
  info.Name = link.Name;
  info.Params = link.Params;
  info.Hint = link.Hint;
  return info;
}

void TCustomChatConsole::MouseLeave() {
  SetHovered(nullptr, -1);
}

void TCustomChatConsole::SetHovered(TMessageNode* line, int element) {
  if (line == HoverLine && element == HoverElement) {
    return;
  }
  if (HoverLine != nullptr) {
    viewport()->setCursor(Qt::ArrowCursor);
    setToolTip(SavedHint);
    HoverLine->ResetLayout(); // the link fonts may differ in size
  }
  HoverLine = line;
  HoverElement = line != nullptr ? element : -1;
  if (HoverLine != nullptr) {
    HoverLine->ResetLayout();
    viewport()->setCursor(Qt::PointingHandCursor);
    SavedHint = toolTip();
    const QString hint = LinkInformation().Hint;
    if (!hint.isEmpty()) {
      setToolTip(hint);
    }
  }
  Repaint();
}

void TCustomChatConsole::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    ClickArmed = true;
    if (ConsoleOptions.testFlag(coSelection)) {
      ClearSelectionMarks();
      Selecting = true;
      DragStarted = false;
      Anchor = event->position().toPoint();
      Current = Anchor;
      viewport()->update();
    }
  }
  event->accept();
}

void TCustomChatConsole::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (Selecting) {
    if (!DragStarted &&
        (std::abs(point.x() - Anchor.x()) >= 5 || std::abs(point.y() - Anchor.y()) >= 5)) {
      DragStarted = true;
    }
    if (DragStarted) {
      Current = point;
      viewport()->update();
    }
    return;
  }
  for (auto hot = HotRects.rbegin(); hot != HotRects.rend(); ++hot) {
    if (hot->Rect.contains(point)) {
      SetHovered(hot->Line, hot->Element);
      return;
    }
  }
  if (HoverLine != nullptr) {
    SetHovered(nullptr, -1);
  }
}

void TCustomChatConsole::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (event->button() == Qt::LeftButton) {
    if (ClickArmed && viewport()->rect().contains(point)) {
      ClickArmed = false;
      Click();
    }
    ClickArmed = false;
    if (Selecting) {
      if (DragStarted) {
        // Mark the selection from the final drag as a paint would, whether or not a paint
        // happened since the last move.
        PaintLines(nullptr);
        Selecting = false;
        CopySelection();
        DragStarted = false;
      }
      Selecting = false;
      viewport()->update();
    }
  }
  if (OnMouseUp) {
    OnMouseUp(this, event->button(), event->modifiers(), point.x(), point.y());
  }
  event->accept();
}

void TCustomChatConsole::Click() {
  if (OnClick) {
    OnClick(this);
  }
  if (!DragStarted) {
    ActivateHoveredLink();
  }
}

bool TCustomChatConsole::IsOpenableUrl(const QUrl& url) {
  if (!url.isValid()) {
    return false;
  }
  const QString scheme = url.scheme().toLower();
  if (scheme == QLatin1String("http") || scheme == QLatin1String("https")) {
    return !url.host().isEmpty();
  }
  return scheme == QLatin1String("mailto") || scheme == QLatin1String("news");
}

void TCustomChatConsole::ActivateHoveredLink() {
  const TLinkInformation info = LinkInformation();
  if (!info.Valid) {
    return;
  }
  const TNodeLink link = HoverLine->Link(HoverLine->Elements()[std::size_t(HoverElement)]);
  if (ConsoleOptions.testFlag(coAutoOpenURLLinks) && !link.NotURL && !link.Params.isEmpty()) {
    // Text from other players is untrusted: only web, mail and news addresses are opened.
    const QUrl url(link.Params, QUrl::TolerantMode);
    if (IsOpenableUrl(url) && UrlOpener) {
      UrlOpener(url);
    }
  }
  if (OnLink) {
    OnLink(this, info.Name, info.Params, info.Hint);
  }
}

void TCustomChatConsole::ClearSelectionMarks() {
  for (TMessageNode* line = Head; line != nullptr; line = line->Older) {
    for (TNodeElement& element : line->Elements()) {
      element.SetSelected(false);
    }
  }
}

QString TCustomChatConsole::SelectedText() const {
  QStringList rows;
  for (const TMessageNode* line = Tail; line != nullptr; line = line->Newer) {
    QString row;
    bool content = false;
    for (const TNodeElement& element : line->Elements()) {
      if (element.Kind == ekBreak && !element.Selected()) {
        if (content) {
          rows.append(row);
        }
        row.clear();
        content = false;
        continue;
      }
      if (!element.Selected()) {
        continue;
      }
      content = true;
      switch (element.Kind) {
      case ekText:
        row += line->ElementText(element);
        break;
      case ekSpace:
        row += QLatin1Char(' ');
        break;
      case ekColumn:
        row += QLatin1Char('\t');
        break;
      case ekTimestamp:
        row += FormattedTimestamp(*line);
        break;
      default:
        break;
      }
    }
    if (content) {
      rows.append(row);
    }
  }
  QString text = rows.join(QLatin1String("\r\n"));
  while (!text.isEmpty() &&
         (text.endsWith(QLatin1Char('\r')) || text.endsWith(QLatin1Char('\n')))) {
    text.chop(1);
  }
  return text;
}

void TCustomChatConsole::CopySelection() {
  const QString text = SelectedText();
  ClearSelectionMarks();
  if (text.isEmpty()) {
    return;
  }
  if (OnSelect) {
    OnSelect(this, text);
  } else if (ConsoleOptions.testFlag(coAutoCopy)) {
    QGuiApplication::clipboard()->setText(text);
  }
}

void TCustomChatConsole::BlinkTimerFired() {
  BlinkPhase = !BlinkPhase;
  if (BlinkInView) {
    viewport()->update();
  }
  if (HoverLine != nullptr) {
    viewport()->setCursor(Qt::PointingHandCursor);
  }
}

// ---- Settings ---------------------------------------------------------------------------------

namespace {
// Forces every line to be laid out again, keeping the measured element sizes.
void RelayoutAll(TMessageNode* head) {
  for (TMessageNode* line = head; line != nullptr; line = line->Older) {
    line->LayoutWidth = 0;
  }
}
} // namespace

void TCustomChatConsole::SetOptions(TConsoleOptions options) {
  ConsoleOptions = options;
  if (options.testFlag(coBlinking)) {
    if (!BlinkTimer.isActive()) {
      BlinkTimer.start();
    }
  } else {
    BlinkTimer.stop();
  }
  if (!options.testFlag(coSelection) && Selecting) {
    Selecting = false;
    DragStarted = false;
    ClearSelectionMarks();
  }
  viewport()->update();
}

void TCustomChatConsole::SetBlinkInterval(int ms) {
  BlinkTimer.setInterval(std::max(ms, 1));
}

void TCustomChatConsole::SetLimit(int limit) {
  LineLimit = std::max(limit, 0);
  BeginUpdate();
  Trim();
  EndUpdate();
}

void TCustomChatConsole::SetLineSpacing(int pixels) {
  Spacing = std::max(pixels, 0);
  Repaint();
}

void TCustomChatConsole::SetLeftMargin(int pixels) {
  MarginLeft = std::clamp(pixels, 0, 30);
  RelayoutAll(Head);
  Repaint();
}

void TCustomChatConsole::SetRightMargin(int pixels) {
  MarginRight = std::clamp(pixels, 0, 30);
  RelayoutAll(Head);
  Repaint();
}

void TCustomChatConsole::SetEdge(TEdgeType edge) {
  EdgeType = edge;
  switch (edge) {
  case etNone:
    setFrameStyle(QFrame::NoFrame);
    break;
  case etClient:
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    break;
  case etStatic:
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    break;
  }
  Repaint();
}

void TCustomChatConsole::SetIndentType(TIndentType type) {
  Indent = type;
  RelayoutAll(Head);
  Repaint();
}

void TCustomChatConsole::SetIndentAmount(int pixels) {
  Hanging = pixels;
  RelayoutAll(Head);
  Repaint();
}

void TCustomChatConsole::SetTimestampVisible(bool on) {
  ShowTimestamps = on;
  RelayoutAll(Head);
  Repaint();
}

void TCustomChatConsole::SetTimestampFormat(const QString& pattern) {
  if (pattern == StampFormat) {
    return;
  }
  StampFormat = pattern;
  StampTexts.clear();
  for (TMessageNode* line = Head; line != nullptr; line = line->Older) {
    line->ResetTimestampSizes();
    line->LayoutWidth = 0;
  }
  Repaint();
}

void TCustomChatConsole::SetImageList(TChatConsoleImageList* list) {
  if (ImagesGone) {
    disconnect(ImagesGone);
  }
  Images = list;
  if (list != nullptr) {
    ImagesGone = connect(list, &QObject::destroyed, this, [this] {
      Images = nullptr;
      RelayoutAll(Head);
      Repaint();
    });
  }
  RelayoutAll(Head);
  Repaint();
}

void TCustomChatConsole::SetPreFont(const TChatFont& font) {
  PreTextFont = font;
  InvalidateLayout();
  Repaint();
}

void TCustomChatConsole::SetFont(const TChatFont& font) {
  TextFont = font;
  InvalidateLayout();
  Repaint();
}

void TCustomChatConsole::SetColor(const QColor& color) {
  Background = color;
  viewport()->update();
}

} // namespace tessra
