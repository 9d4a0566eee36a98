// Feeds arbitrary bytes to the RTF reader. Whatever it reads must survive the writer: saving
// the document and reading it back gives the same text, and saving that copy gives the same
// bytes again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include <QGuiApplication>
#include <QTextDocument>

#include "common/ChatException.h"
#include "display/RtfReader.h"
#include "display/RtfWriter.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  // Fonts and formats need a GUI application; it lives as long as the fuzzer.
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView rtf(reinterpret_cast<const char*>(data), qsizetype(size));
  QTextDocument document;
  try {
    tessra::TRtfReader::Read(rtf, document);
  } catch (const tessra::TChatException&) {
    // Not RTF at all, or nested too deeply: the two errors the reader may raise.
    return 0;
  }
  const QByteArray written = tessra::TRtfWriter::Write(document);
  for (const char c : written) {
    Check(static_cast<unsigned char>(c) < 0x80);
  }
  QTextDocument copy;
  tessra::TRtfReader::Read(written, copy);
  Check(copy.toRawText() == document.toRawText());
  Check(tessra::TRtfWriter::Write(copy) == written);
  return 0;
}
