// Parse speed of console mark-up. Every figure is a ratio against a baseline measured in the
// same run: the time per character of long or hostile lines against an ordinary chat line, and
// of a 32 KiB line against a 4 KiB line of the same kind (about 1 when the parser is linear).

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include <QString>

#include "display/MarkupParser.h"

namespace {

using TClock = std::chrono::steady_clock;

// Nanoseconds per character of parsing (and URL detection of) the line, best of five rounds.
double NanosecondsPerChar(const QString& line) {
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    std::size_t repeats = 0;
    std::size_t sink = 0;
    const TClock::time_point start = TClock::now();
    TClock::duration spent{};
    do {
      std::vector<tessra::TMessageElement> elements =
          tessra::ParseMarkup(line, nullptr, tessra::cwsCollapseOutsidePRE, false);
      tessra::DetectURLs(elements, true, true);
      sink += elements.size();
      ++repeats;
      spent = TClock::now() - start;
    } while (spent < std::chrono::milliseconds(40));
    if (sink == 0) {
      std::puts("");
    }
    const double ns = double(std::chrono::duration_cast<std::chrono::nanoseconds>(spent).count());
    best = std::min(best, ns / double(repeats) / double(line.size()));
  }
  return best;
}

QString Repeat(const QString& piece, qsizetype length) {
  QString text;
  while (text.size() < length) {
    text += piece;
  }
  text.truncate(length);
  return text;
}

struct TKind {
  const char* Key;
  QString Piece;
};

} // namespace

int main() {
  const QString chatLine = QStringLiteral(
      "<font color=#2299FF>[Clan]</font> <a name=\"charlink\" params=\"Bob\" hint=\"Talk to "
      "Bob\">Bob</a>: anyone for the tower at http://x.example/t?a=1&amp;b=2 <img 3> &lt;3");
  const double baseline = NanosecondsPerChar(chatLine);
  std::printf("chat line: %.2f ns/char\n", baseline);

  const TKind kinds[] = {
      {"chat", chatLine + u' '},         {"lt", QStringLiteral("<")},
      {"amp", QStringLiteral("&")},      {"quote", QStringLiteral("<a \"")},
      {"attrs", QStringLiteral("x=1 ")}, {"nested", QStringLiteral("<b><i><pre><blink><noselect>")},
      {"spaces", QStringLiteral("a ")},
  };
  std::string figures = "chat_ns_per_char=" + std::to_string(baseline);
  for (const TKind& kind : kinds) {
    QString small = Repeat(kind.Piece, 4 * 1024);
    QString large = Repeat(kind.Piece, 32 * 1024);
    if (std::string(kind.Key) == "attrs") {
      small = QStringLiteral("<font ") + small;
      large = QStringLiteral("<font ") + large;
    }
    const double smallNs = NanosecondsPerChar(small);
    const double largeNs = NanosecondsPerChar(large);
    std::printf("%-7s 4 KiB %.2f ns/char, 32 KiB %.2f ns/char\n", kind.Key, smallNs, largeNs);
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, " %s_vs_chat=%.2f %s_32k_vs_4k=%.2f", kind.Key,
                  largeNs / baseline, kind.Key, largeNs / smallNs);
    figures += buffer;
  }
  std::printf("%s\n", figures.c_str());
  return 0;
}
