// Reads a coloured reference of about 1 MB and one eight times as large, in the style a rich
// edit control writes, and sets the same text as plain text into a QTextDocument as the
// baseline. Prints one line of figures:
//   read_mb_per_s  plain_mb_per_s  ratio_vs_plain (reader time / baseline time)
//   scaling_8x (time for 8x the input / 8 times the time for 1x; 1.0 is linear)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>

#include <QGuiApplication>
#include <QTextDocument>

#include "display/RtfReader.h"

namespace {

QByteArray MakeRtf(int paragraphs, QString& plain) {
  QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 "
                   "Arial;}}\r\n{\\colortbl ;\\red255\\green255\\blue0;\\red99\\green224\\blue255;"
                   "\\red255\\green255\\blue255;}\r\n{\\*\\generator Msftedit 5.41.21.2510;}"
                   "\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs16 ";
  for (int i = 0; i < paragraphs; ++i) {
    rtf += "\\cf1\\b Blade of the Ancients\\cf0\\b0  - \\cf2 Quality:\\tab\\cf3 300\\cf0  "
           "Gr\\'fc\\'dfe \\u10003? and some more plain text to read\\par\r\n";
    plain += QString::fromUtf8("Blade of the Ancients - Quality:\t300 Grüße ✓ and some more "
                               "plain text to read\n");
  }
  rtf += "}";
  return rtf;
}

double BestSeconds(int rounds, const std::function<void()>& work) {
  double best = 1e9;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

} // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  QString plainSmall;
  QString plainLarge;
  const QByteArray small = MakeRtf(8000, plainSmall);
  const QByteArray large = MakeRtf(64000, plainLarge);

  const double readSmall = BestSeconds(5, [&] {
    QTextDocument document;
    tessra::TRtfReader::Read(small, document);
  });
  const double readLarge = BestSeconds(3, [&] {
    QTextDocument document;
    tessra::TRtfReader::Read(large, document);
  });
  const double plain = BestSeconds(5, [&] {
    QTextDocument document;
    document.setPlainText(plainSmall);
  });
  const double megabytes = double(small.size()) / (1024 * 1024);
  std::printf("input_mb=%.2f read_mb_per_s=%.1f plain_mb_per_s=%.1f ratio_vs_plain=%.2f "
              "scaling_8x=%.2f\n",
              megabytes, megabytes / readSmall, megabytes / plain, readSmall / plain,
              readLarge / (8 * readSmall));
  return 0;
}
