#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QAbstractScrollArea>
#include <QHash>
#include <QPointer>
#include <QStaticText>
#include <QTimer>
#include <QUrl>

#include "display/ChatConsoleImageList.h"
#include "display/ChatConsoleLinkData.h"
#include "display/ChatConsoleScrollingData.h"
#include "display/ChatConsoleTypes.h"
#include "display/MarkupParser.h"
#include "display/MessageNode.h"

class QPainter;

namespace tessra {

// The chat console: a read-only, custom-painted pane of lines written in the console mark-up.
// Lines are parsed once when added, laid out into wrapped rows at the current width, and painted
// bottom-up with the newest line at the bottom edge. Everything is laid out in device-independent
// pixels; Qt scales the painting to the screen.
//
// TCustomChatConsole holds all behaviour; TChatConsole below publishes its settings.
class TCustomChatConsole : public QAbstractScrollArea {
  Q_OBJECT

public:
  explicit TCustomChatConsole(QWidget* parent = nullptr);
  ~TCustomChatConsole() override;

  // Parses `text` and adds it as the newest line, or directly newer than `after`. With
  // `parseURLs`, web, mail and news addresses become links. A colour value the parser cannot
  // resolve throws TChatException and adds nothing.
  virtual TMessageNode* AddLine(const QString& text, TMessageNode* after = nullptr,
                                bool parseURLs = false);
  // Fills the %s and %d placeholders of `format` first.
  TMessageNode* AddLineFmt(const char* format, std::initializer_list<std::string> args,
                           TMessageNode* after = nullptr, bool parseURLs = false);
  // Parses `text` afresh for `line` (no URL detection).
  virtual void ReplaceLine(TMessageNode* line, const QString& text, bool updateTimestamp);
  void ReplaceLineFmt(TMessageNode* line, const char* format,
                      std::initializer_list<std::string> args, bool updateTimestamp);
  virtual void DeleteLine(TMessageNode* line);
  void Clear();

  // Nestable batch: the outermost EndUpdate repaints once and raises OnTextAdded.
  void BeginUpdate();
  void EndUpdate();

  // Drops every cached measurement.
  virtual void InvalidateLayout();

  // Offsets count pixels the view is scrolled up from the bottom (0 = newest line at the bottom).
  void ScrollTo(int offset);
  void ScrollBy(int delta);
  int ScrollPosition() const;

  TLinkInformation LinkInformation() const;
  // Ends the hover, as when the mouse leaves the console (the main window calls it after a
  // popup menu it opened from a link closes).
  void MouseLeave();

  // The newest and the oldest line and the number of lines.
  TMessageNode* Newest() const { return Head; }
  TMessageNode* Oldest() const { return Tail; }
  int LineCount() const { return Count; }

  // Opens a URL link. The default opener asks the desktop; tests give one that records.
  // Only http, https, mailto and news addresses ever reach it.
  void SetUrlOpener(std::function<bool(const QUrl&)> opener) { UrlOpener = std::move(opener); }
  // Whether a link's params may be opened as an address.
  static bool IsOpenableUrl(const QUrl& url);

  // Offsets for tests and owners that show them.
  int CurrentOffset() const { return Offset; }
  int TargetOffset() const { return Target; }
  int MaximumOffset() const { return MaxOffset; }
  // The usable width lines are laid out for: client width minus the right margin.
  int UsableWidth() const;
  // The default row height: the console font's height plus 2.
  int DefaultRowHeight() const;
  // The row each element of `line` is placed on at the current width (-1 for elements that take
  // no place, such as style changes).
  std::vector<int> ElementRows(TMessageNode& line);

  // Events, raised only when set, the console first.
  std::function<void(TCustomChatConsole* sender, const QString& name, const QString& params,
                     const QString& hint)>
      OnLink;
  std::function<void(TCustomChatConsole* sender, const QString& selectedText)> OnSelect;
  std::function<void(TCustomChatConsole* sender, int lineCount, bool scrolledUp)> OnTextAdded;
  std::function<void(TCustomChatConsole* sender)> OnClick;
  std::function<void(TCustomChatConsole* sender, Qt::MouseButton button,
                     Qt::KeyboardModifiers modifiers, int x, int y)>
      OnMouseUp;
  // Set `handled` to keep the console's own wheel scrolling from running.
  std::function<void(TCustomChatConsole* sender, int delta, bool& handled)> OnMouseWheel;

protected:
  TConsoleOptions Options() const { return ConsoleOptions; }
  void SetOptions(TConsoleOptions options);
  int BlinkInterval() const { return BlinkTimer.interval(); }
  void SetBlinkInterval(int ms);
  int Limit() const { return LineLimit; }
  void SetLimit(int limit);
  int LineSpacing() const { return Spacing; }
  void SetLineSpacing(int pixels);
  int LeftMargin() const { return MarginLeft; }
  void SetLeftMargin(int pixels);
  int RightMargin() const { return MarginRight; }
  void SetRightMargin(int pixels);
  TEdgeType Edge() const { return EdgeType; }
  void SetEdge(TEdgeType edge);
  TIndentType IndentType() const { return Indent; }
  void SetIndentType(TIndentType type);
  int IndentAmount() const { return Hanging; }
  void SetIndentAmount(int pixels);
  bool TimestampVisible() const { return ShowTimestamps; }
  void SetTimestampVisible(bool on);
  const QString& TimestampFormat() const { return StampFormat; }
  void SetTimestampFormat(const QString& pattern);
  bool TimestampEmptyLines() const { return StampEmptyLines; }
  void SetTimestampEmptyLines(bool on) { StampEmptyLines = on; }
  TChatConsoleWhitespace Whitespace() const { return WhitespaceMode; }
  void SetWhitespace(TChatConsoleWhitespace mode) { WhitespaceMode = mode; }
  bool StoreText() const { return KeepText; }
  void SetStoreText(bool on) { KeepText = on; }
  TChatConsoleImageList* ImageList() const { return Images.data(); }
  void SetImageList(TChatConsoleImageList* list);
  const TChatFont& PreFont() const { return PreTextFont; }
  void SetPreFont(const TChatFont& font);
  const TChatFont& Font() const { return TextFont; }
  void SetFont(const TChatFont& font);
  QColor Color() const { return Background; }
  void SetColor(const QColor& color);
  TLinkData& Links() { return *LinkSettings; }
  const TLinkData& Links() const { return *LinkSettings; }
  TScrollingData& Scrolling() { return *ScrollSettings; }
  const TScrollingData& Scrolling() const { return *ScrollSettings; }

  bool event(QEvent* event) override;
  bool viewportEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void changeEvent(QEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  virtual void Click();
  // One tick of the blink timer: flips the blink phase.
  void BlinkTimerFired();

private:
  struct THotRect;

  // Sizes of short texts measured in one font: chat repeats its words and names a lot.
  struct TSizeCache {
    QFont Font;
    QHash<QString, QSize> Sizes;
  };
  // A run of words laid out for drawing, kept while its line stays in view.
  struct TCachedRun {
    QString Text;
    QFont Font;
    int Width = 0;
    QFont DrawFont; // Font, spaced so that the run is exactly Width wide
    QStaticText Static;
    unsigned Generation = 0;
  };
  TSizeCache& SizeCacheFor(const QFont& font);
  void DropRunsOf(const TMessageNode* line);

  // Links `line` into the list as newest or directly newer than `after`.
  void Link(TMessageNode* line, TMessageNode* after);
  // Unlinks and frees `line`, dropping everything that refers to it.
  void Free(TMessageNode* line);
  void ForgetReferencesTo(const TMessageNode* line);
  void Trim();
  void Dirty();

  // Lays out one line: the measuring pass when `painter` is null and `paint` is false, the
  // painting pass at top `y` otherwise (a null painter then only marks the selection and
  // collects hot rectangles).
  void LayoutLine(TMessageNode& line, bool paint, QPainter* painter, int y,
                  std::vector<int>* elementRows = nullptr);
  void Measure(TMessageNode& line);
  // Walks all lines bottom-up as a paint does; draws when `painter` is set.
  void PaintLines(QPainter* painter);
  // Recomputes the line total, the maximum offset and the scroll bar.
  void UpdateScrollRange();
  void SyncScrollBar();
  void ClampOffsets();
  void SmoothStep();
  void Repaint();

  void SetHovered(TMessageNode* line, int element);
  void ClearSelectionMarks();
  QString SelectedText() const;
  void CopySelection();
  void ActivateHoveredLink();
  void ScrollBarAction(int action);
  void ScrollBarMoved(int position);
  QString FormattedTimestamp(const TMessageNode& line) const;

  // Lines: Head is the newest, Tail the oldest.
  TMessageNode* Head = nullptr;
  TMessageNode* Tail = nullptr;
  int Count = 0;

  TConsoleOptions ConsoleOptions = kAllConsoleOptions;
  int LineLimit = 500;
  int Spacing = 0;
  int MarginLeft = 2;
  int MarginRight = 2;
  TEdgeType EdgeType = etClient;
  TIndentType Indent = itHanging;
  int Hanging = 10;
  bool ShowTimestamps = false;
  QString StampFormat;
  bool StampEmptyLines = false;
  TChatConsoleWhitespace WhitespaceMode = cwsCollapseOutsidePRE;
  bool KeepText = false;
  QPointer<TChatConsoleImageList> Images;
  QMetaObject::Connection ImagesGone;
  TChatFont TextFont;
  TChatFont PreTextFont;
  QColor Background;
  std::unique_ptr<TLinkData> LinkSettings;
  std::unique_ptr<TScrollingData> ScrollSettings;
  std::function<bool(const QUrl&)> UrlOpener;

  // Scrolling.
  int Offset = 0;
  int MaxOffset = 0;
  int Target = 0;
  int Speed = 1;
  bool SmoothStepPosted = false;
  bool SyncingScrollBar = false;

  // Batches.
  int UpdateCount = 0;
  bool IsDirty = false;
  int LinesAdded = 0;

  // Measuring and drawing caches; neither holds anything per kept line.
  std::vector<TSizeCache> SizeCaches;
  QHash<std::pair<const TMessageNode*, int>, TCachedRun> Runs;
  unsigned PaintGeneration = 0;
  // Formatted time stamps by moment: formatting asks the system for the time zone each time.
  mutable QHash<qint64, QString> StampTexts;

  // Links under the mouse, rebuilt on every paint, newest first.
  std::vector<THotRect> HotRects;
  TMessageNode* HoverLine = nullptr;
  int HoverElement = -1;
  QString SavedHint;

  // Blinking.
  QTimer BlinkTimer;
  bool BlinkPhase = false;
  bool BlinkInView = false;

  // Selection.
  bool Selecting = false;
  bool DragStarted = false;
  QPoint Anchor;
  QPoint Current;
  bool ClickArmed = false;
};

// The console with its settings published.
class TChatConsole : public TCustomChatConsole {
  Q_OBJECT

public:
  using TCustomChatConsole::TCustomChatConsole;

  using TCustomChatConsole::BlinkInterval;
  using TCustomChatConsole::Color;
  using TCustomChatConsole::Edge;
  using TCustomChatConsole::Font;
  using TCustomChatConsole::ImageList;
  using TCustomChatConsole::IndentAmount;
  using TCustomChatConsole::IndentType;
  using TCustomChatConsole::LeftMargin;
  using TCustomChatConsole::Limit;
  using TCustomChatConsole::LineSpacing;
  using TCustomChatConsole::Links;
  using TCustomChatConsole::Options;
  using TCustomChatConsole::PreFont;
  using TCustomChatConsole::RightMargin;
  using TCustomChatConsole::Scrolling;
  using TCustomChatConsole::SetBlinkInterval;
  using TCustomChatConsole::SetColor;
  using TCustomChatConsole::SetEdge;
  using TCustomChatConsole::SetFont;
  using TCustomChatConsole::SetImageList;
  using TCustomChatConsole::SetIndentAmount;
  using TCustomChatConsole::SetIndentType;
  using TCustomChatConsole::SetLeftMargin;
  using TCustomChatConsole::SetLimit;
  using TCustomChatConsole::SetLineSpacing;
  using TCustomChatConsole::SetOptions;
  using TCustomChatConsole::SetPreFont;
  using TCustomChatConsole::SetRightMargin;
  using TCustomChatConsole::SetStoreText;
  using TCustomChatConsole::SetTimestampEmptyLines;
  using TCustomChatConsole::SetTimestampFormat;
  using TCustomChatConsole::SetTimestampVisible;
  using TCustomChatConsole::SetWhitespace;
  using TCustomChatConsole::StoreText;
  using TCustomChatConsole::TimestampEmptyLines;
  using TCustomChatConsole::TimestampFormat;
  using TCustomChatConsole::TimestampVisible;
  using TCustomChatConsole::Whitespace;
};

} // namespace tessra
