// Feeds arbitrary answers of the web site to the whois document reader and writes the lines of
// every document it accepts. Whatever the bytes, the reader may not crash, hang or read out of
// bounds, and the lines may not carry mark-up that the document brought along.

#include <cstddef>
#include <cstdint>

#include <QByteArrayView>
#include <QColor>
#include <QString>
#include <QStringList>

#include "display/WhoisLines.h"
#include "display/WhoisReader.h"
#include "display/WhoisSite.h"

namespace {

void Check(bool condition) {
  if (!condition) {
    __builtin_trap();
  }
}

// Every tag in a line is one the line builder writes itself.
bool OnlyOwnTags(const QString& line) {
  static const QStringList own = {QStringLiteral("<a name=\"charurl\""),
                                  QStringLiteral("<a name=\"guildurl\""), QStringLiteral("</a>"),
                                  QStringLiteral("<font color=\"#"), QStringLiteral("</font>")};
  for (qsizetype at = line.indexOf(QLatin1Char('<')); at >= 0;
       at = line.indexOf(QLatin1Char('<'), at + 1)) {
    bool known = false;
    for (const QString& tag : own) {
      known = known || line.mid(at, tag.size()) == tag;
    }
    if (!known) {
      return false;
    }
  }
  return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const tessra::TWhoisSite site;
  const tessra::TWhoisResult result =
      tessra::ReadWhoisDocument(bytes, QStringLiteral("Tyrin"), 1, site);
  Check(result.Name == QStringLiteral("Tyrin") && result.Dimension == 1);
  Check(result.PageAddress == site.CharacterPage(1, QStringLiteral("Tyrin")));
  if (!result.Success) {
    Check(result.FullName == QStringLiteral("Tyrin"));
    return 0;
  }
  const QStringList lines = tessra::WhoisResultLines(result, QColor(0x12, 0x34, 0x56));
  Check(lines.size() == 6 || lines.size() == 7);
  for (const QString& line : lines) {
    Check(OnlyOwnTags(line));
  }
  return 0;
}
