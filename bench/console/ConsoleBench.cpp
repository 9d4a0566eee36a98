// Adds the same realistic chat lines to the chat console (Limit 500) and to a QPlainTextEdit
// (appendHtml, maximumBlockCount 500), both 1000 x 700 and kept at the bottom, painting every
// few lines; then times one full repaint of each and measures the memory a kept console line
// takes. The last output line holds the figures.
#include <malloc.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include <QApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTime>

#include "display/ChatConsole.h"

namespace {

using tessra::TChatConsole;

constexpr int kLines = 100000;
constexpr int kPaintEvery = 50;
constexpr int kRepaints = 200;

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point from) {
  return std::chrono::duration<double>(TClock::now() - from).count();
}

const char* const kNames[] = {"Zarkov", "Lirael", "Tobbin", "Mirasol", "Quenth", "Adaire"};
const char* const kTexts[] = {
    "anyone up for the tower raid tonight? we still need a healer",
    "selling two shield generators, cheap, send me a tell",
    "the new patch notes are out, the crafting changes look big",
    "lol that was close, thanks for the heal",
    "meet at the north gate in ten minutes please",
    "does anyone know where the quest giver for the silver key is",
};

struct TSample {
  QString Console;
  QString Html;
};

std::vector<TSample> MakeLines() {
  std::vector<TSample> lines;
  lines.reserve(kLines);
  const QString stamp = QTime::currentTime().toString(QStringLiteral("[hh:mm:ss] "));
  for (int i = 0; i < kLines; ++i) {
    const QString name = QString::fromLatin1(kNames[i % 6]) + QString::number(i % 97);
    const QString text = QString::fromLatin1(kTexts[(i / 6) % 6]);
    const QString url = QStringLiteral("http://forums.example/viewtopic?t=%1").arg(i);
    TSample sample;
    sample.Console = QStringLiteral("<font color=#FFFF00><a name=\"charlink\" params=\"%1\" "
                                    "hint=\"Talk to %1\">%1</a>:</font> <font color=#00FFFF>%2 "
                                    "<img index=%3> %4</font>")
                         .arg(name, text, QString::number(i % 12), url);
    sample.Html = stamp + QStringLiteral("<a href=\"charlink:%1\"><font color=\"#FFFF00\">%1"
                                         "</font></a><font color=\"#FFFF00\">:</font> <font "
                                         "color=\"#00FFFF\">%2 <img src=\":/emoticons/"
                                         "00-smile.png\"> <a href=\"%3\">%3</a></font>")
                              .arg(name, text, url);
    lines.push_back(std::move(sample));
  }
  return lines;
}

std::size_t HeapInUse() {
  return mallinfo2().uordblks;
}

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  const std::vector<TSample> lines = MakeLines();
  auto emoticons = tessra::TChatConsoleImageList::CreateEmoticonList();

  // The console, set up as the main window sets it up.
  TChatConsole console;
  console.SetEdge(tessra::etNone);
  console.SetImageList(emoticons.get());
  console.SetLimit(500);
  console.SetTimestampVisible(true);
  console.SetTimestampFormat(QStringLiteral("[hh:nn:ss]"));
  console.SetWhitespace(tessra::cwsLeave);
  console.SetIndentType(tessra::itNone);
  console.SetColor(QColor(20, 20, 28));
  console.resize(1000, 700);
  console.show();

  QPlainTextEdit plain;
  plain.setReadOnly(true);
  plain.setMaximumBlockCount(500);
  plain.resize(1000, 700);
  plain.show();
  QCoreApplication::processEvents();

  // Lines per second, painting every kPaintEvery lines. The two take turns in chunks so that a
  // change in the load of the machine weighs on both alike.
  double consoleSeconds = 0;
  double plainSeconds = 0;
  constexpr int kChunk = 1000;
  for (int from = 0; from < kLines; from += kChunk) {
    auto start = TClock::now();
    for (int i = from; i < from + kChunk; ++i) {
      console.AddLine(lines[std::size_t(i)].Console, nullptr, true);
      if (i % kPaintEvery == kPaintEvery - 1) {
        console.viewport()->repaint();
        QCoreApplication::processEvents();
      }
    }
    consoleSeconds += Seconds(start);

    start = TClock::now();
    for (int i = from; i < from + kChunk; ++i) {
      plain.appendHtml(lines[std::size_t(i)].Html);
      if (i % kPaintEvery == kPaintEvery - 1) {
        plain.verticalScrollBar()->setValue(plain.verticalScrollBar()->maximum());
        plain.viewport()->repaint();
        QCoreApplication::processEvents();
      }
    }
    plainSeconds += Seconds(start);
  }
  plain.verticalScrollBar()->setValue(plain.verticalScrollBar()->maximum());

  // One full repaint of a view full of text, taking turns as well.
  double consoleRepaintSeconds = 0;
  double plainRepaintSeconds = 0;
  console.viewport()->repaint(); // warm
  plain.viewport()->repaint();
  for (int i = 0; i < kRepaints; ++i) {
    auto start = TClock::now();
    console.viewport()->repaint();
    consoleRepaintSeconds += Seconds(start);
    start = TClock::now();
    plain.viewport()->repaint();
    plainRepaintSeconds += Seconds(start);
  }
  const double consoleRepaintMs = consoleRepaintSeconds * 1000.0 / kRepaints;
  const double plainRepaintMs = plainRepaintSeconds * 1000.0 / kRepaints;

  // Memory per kept line: heap growth over 500 more lines of an unlimited console, next to the
  // lines' own count of what they hold. The first 600 lines fill the console's bounded caches
  // of measured words, which are shared by all lines.
  TChatConsole measured;
  measured.SetImageList(emoticons.get());
  measured.SetLimit(0);
  measured.resize(1000, 700);
  constexpr int kWarm = 600;
  for (int i = 0; i < kWarm; ++i) {
    measured.AddLine(lines[std::size_t(i)].Console, nullptr, true);
  }
  QCoreApplication::processEvents();
  const std::size_t heapBefore = HeapInUse();
  constexpr int kMeasured = 500;
  for (int i = kWarm; i < kWarm + kMeasured; ++i) {
    measured.AddLine(lines[std::size_t(i)].Console, nullptr, true);
  }
  QCoreApplication::processEvents(); // events the adds posted are not kept per line
  const std::size_t heapAfter = HeapInUse();
  std::size_t counted = 0;
  for (const tessra::TMessageNode* line = measured.Newest(); line != nullptr; line = line->Older) {
    counted += line->MemoryUsage();
  }
  const double bytesPerLine = double(heapAfter - heapBefore) / kMeasured;
  const double countedPerLine = double(counted) / measured.LineCount();

  const double linesPerSecond = kLines / consoleSeconds;
  const double baselineLinesPerSecond = kLines / plainSeconds;
  std::printf("console: %d lines in %.3f s, full repaint %.3f ms, kept lines %d\n", kLines,
              consoleSeconds, consoleRepaintMs, console.LineCount());
  std::printf("QPlainTextEdit: %d lines in %.3f s, full repaint %.3f ms, blocks %d\n", kLines,
              plainSeconds, plainRepaintMs, plain.document()->blockCount());
  std::printf("memory: %.0f heap bytes per kept line (%.0f counted by the lines)\n", bytesPerLine,
              countedPerLine);
  std::printf("lines_per_s=%.0f baseline_lines_per_s=%.0f ratio=%.2f repaint_ms=%.3f "
              "baseline_repaint_ms=%.3f bytes_per_line=%.0f\n",
              linesPerSecond, baselineLinesPerSecond, linesPerSecond / baselineLinesPerSecond,
              consoleRepaintMs, plainRepaintMs, bytesPerLine);
  return 0;
}
