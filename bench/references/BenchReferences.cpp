// Speed of the reference parsers inside ReplaceLiterals. Every figure is a ratio against a
// baseline measured in the same run: the time per character of hostile lines against an ordinary
// chat line with references, and of a 32 KiB line against a 4 KiB line of the same kind (about 1
// when the parsers are linear).

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include <QByteArray>
#include <QColor>
#include <QString>

#include "common/TickSource.h"
#include "display/ReferenceRequest.h"
#include "display/References.h"
#include "display/TextTransforms.h"
#include "engine/BlobList.h"

namespace {

using TClock = std::chrono::steady_clock;

// Nanoseconds per character of ReplaceLiterals with every parser, best of five rounds.
double NanosecondsPerChar(const QByteArray& line) {
  tessra::TManualTickSource ticks;
  tessra::TBlobList blobs;
  tessra::TReferenceRequest request(ticks);
  tessra::TReferences refs(blobs, request);
  const tessra::TReplaceLiteralsSettings settings;
  double best = 1e300;
  for (int round = 0; round < 5; ++round) {
    std::size_t repeats = 0;
    std::size_t sink = 0;
    const TClock::time_point start = TClock::now();
    TClock::duration spent{};
    do {
      sink += std::size_t(
          tessra::ReplaceLiterals(line, nullptr, QColor(0, 0, 0), settings, &refs).size());
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

QByteArray Repeat(const QByteArray& piece, qsizetype length) {
  QByteArray text;
  while (text.size() < length) {
    text += piece;
  }
  text.truncate(length);
  return text;
}

struct TKind {
  const char* Key;
  QByteArray Piece;
  QByteArray Tail; // repeated over the second half when not empty
};

} // namespace

int main() {
  const QByteArray chatLine =
      "look at <a href=\"itemref://123/456/200\">Sword</a> and read "
      "<a href=\"text://<font color=\"#FF0000\">the plan</font>\">this</a> :) ";
  const double baseline = NanosecondsPerChar(chatLine);
  std::printf("chat line: %.2f ns/char\n", baseline);

  const TKind kinds[] = {
      {"open", "<a ", {}},
      {"textopen", "<a href=\"text://", {}},
      {"nested", "<a href=text://x>", "</a>"},
      {"quotes", "\"'<a href=\"", {}},
      {"inner", "\"x\" ", {}},
      {"item", "<a href=\"itemref://1/", {}},
      {"img", "<img src=", {}},
      {"refs", "<a href=\"text://x\">y</a> ", {}},
      {"nestedtags", "<a ", {}},
  };
  std::string figures = "chat_ns_per_char=" + std::to_string(baseline);
  for (const TKind& kind : kinds) {
    const auto make = [&kind](qsizetype length) {
      QByteArray text;
      if (std::string(kind.Key) == "inner") {
        // One text reference whose quoted value is full of inner quotes.
        return QByteArray("<a href=\"text://") + Repeat(kind.Piece, length) + "\">L</a>";
      }
      if (std::string(kind.Key) == "nestedtags") {
        // Opening tags inside opening tags, each closed, each link closed.
        return Repeat("<a ", length / 3) + Repeat(">", length / 9) +
               "text://href=" + Repeat("</a>", length * 4 / 9 + 4);
      }
      if (kind.Tail.isEmpty()) {
        return Repeat(kind.Piece, length);
      }
      return Repeat(kind.Piece, length / 2) + Repeat(kind.Tail, length / 2);
    };
    const double smallNs = NanosecondsPerChar(make(4 * 1024));
    const double largeNs = NanosecondsPerChar(make(32 * 1024));
    std::printf("%-8s 4 KiB %.2f ns/char, 32 KiB %.2f ns/char\n", kind.Key, smallNs, largeNs);
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, " %s_vs_chat=%.2f %s_32k_vs_4k=%.2f", kind.Key,
                  largeNs / baseline, kind.Key, largeNs / smallNs);
    figures += buffer;
  }
  std::printf("%s\n", figures.c_str());
  return 0;
}
