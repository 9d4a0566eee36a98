#include <gtest/gtest.h>

#include <filesystem>

#include <QApplication>
#include <QFile>
#include <QFont>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>

#include "display/RtfReader.h"
#include "display/RtfWriter.h"

namespace tessra {
namespace {

QByteArray Fixture(const char* name) {
  const auto path = std::filesystem::path(TESSRA_DISPLAY_FIXTURES) / "rtf" / name;
  QFile file(QString::fromStdString(path.string()));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path;
  return file.readAll();
}

std::unique_ptr<QTextDocument> NewDocument() {
  auto document = std::make_unique<QTextDocument>();
  document->setDefaultFont(QFont(QStringLiteral("Arial"), 9));
  return document;
}

std::unique_ptr<QTextDocument> Read(const QByteArray& rtf) {
  auto document = NewDocument();
  TRtfReader::Read(rtf, *document);
  return document;
}

// How a character looks, with the size it is shown in whether set or inherited, so that a
// document and its read-back copy compare equal however their formats are spelled.
QString Look(const QTextCharFormat& format, const QTextDocument& document) {
  QStringList parts;
  if (format.hasProperty(QTextFormat::ForegroundBrush) &&
      format.foreground().style() != Qt::NoBrush) {
    parts << "fg=" + format.foreground().color().name();
  }
  if (format.hasProperty(QTextFormat::BackgroundBrush) &&
      format.background().style() != Qt::NoBrush) {
    parts << "bg=" + format.background().color().name();
  }
  if (format.fontWeight() >= QFont::DemiBold) {
    parts << "b";
  }
  if (format.fontItalic()) {
    parts << "i";
  }
  if (format.fontUnderline()) {
    parts << "u";
  }
  if (format.fontStrikeOut()) {
    parts << "s";
  }
  const double points = format.hasProperty(QTextFormat::FontPointSize)
                            ? format.fontPointSize()
                            : document.defaultFont().pointSizeF();
  parts << "pt=" + QString::number(points);
  return parts.join(u' ');
}

QString Describe(const QTextDocument& document) {
  QString out;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (block != document.begin()) {
      out += u'|';
    }
    QString last;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QString look = Look(it.fragment().charFormat(), document);
      if (look != last) {
        out += "<" + look + ">";
        last = look;
      }
      out += it.fragment().text();
    }
  }
  return out;
}

void Insert(QTextCursor& cursor, const QString& text,
            const std::function<void(QTextCharFormat&)>& style = {}) {
  QTextCharFormat format;
  if (style) {
    style(format);
  }
  cursor.insertText(text, format);
}

TEST(RtfWriter, RoundTripKeepsTextColoursAndStyles) {
  auto document = NewDocument();
  QTextCursor cursor(document.get());
  Insert(cursor, "plain ");
  Insert(cursor, u"Gr\u00FC\u00DFe \u2713"_qs,
         [](QTextCharFormat& f) { f.setForeground(QColor(0xCC, 0x66, 0x00)); });
  Insert(cursor, " bold blue", [](QTextCharFormat& f) {
    f.setFontWeight(QFont::Bold);
    f.setForeground(QColor(0, 0, 0xFF));
  });
  Insert(cursor, " italic on yellow", [](QTextCharFormat& f) {
    f.setFontItalic(true);
    f.setBackground(QColor(0xFF, 0xFF, 0));
  });
  Insert(cursor, " under", [](QTextCharFormat& f) { f.setFontUnderline(true); });
  Insert(cursor, " struck", [](QTextCharFormat& f) { f.setFontStrikeOut(true); });
  Insert(cursor, " big", [](QTextCharFormat& f) { f.setFontPointSize(20); });
  Insert(cursor, " half", [](QTextCharFormat& f) { f.setFontPointSize(10.5); });
  cursor.insertBlock();
  // Characters that RTF spells with escapes, and ones outside Windows-1252.
  Insert(cursor,
         u"C:\\{x}\ttab\u2028line\u00A0nbsp \u041F\u0440\u0438 \u65E5\u672C "
         u"\U0001F600 \u20AC\u00AD\u2011"_qs,
         [](QTextCharFormat& f) { f.setForeground(QColor(0x9C, 0x9C, 0xFF)); });
  cursor.insertBlock();
  cursor.insertBlock();
  Insert(cursor, "after an empty paragraph  two spaces ",
         [](QTextCharFormat& f) { f.setForeground(QColor(0xCC, 0x66, 0x00)); });

  const QByteArray rtf = TRtfWriter::Write(*document);
  for (const char c : rtf) {
    ASSERT_LT(static_cast<unsigned char>(c), 0x80) << "RTF is written in ASCII";
  }
  const auto copy = Read(rtf);
  EXPECT_EQ(copy->toRawText(), document->toRawText());
  EXPECT_EQ(Describe(*copy), Describe(*document));
  // Writing the copy again gives the same bytes.
  EXPECT_EQ(TRtfWriter::Write(*copy), rtf);
}

TEST(RtfWriter, WritesInTheStyleOfARichEditControl) {
  auto document = NewDocument();
  QTextCursor cursor(document.get());
  Insert(cursor, "plain ");
  Insert(cursor, u"Gr\u00FC\u00DFe \u2713"_qs,
         [](QTextCharFormat& f) { f.setForeground(QColor(0xFF, 0, 0)); });
  Insert(cursor, " {x}\\ ");
  Insert(cursor, u"\U0001F600"_qs, [](QTextCharFormat& f) {
    f.setBackground(QColor(0xFF, 0, 0));
    f.setFontWeight(QFont::Bold);
  });
  cursor.insertBlock();
  Insert(cursor, "\t12", [](QTextCharFormat& f) { f.setFontPointSize(12); });

  EXPECT_EQ(TRtfWriter::Write(*document).toStdString(),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033"
            "{\\fonttbl{\\f0\\fnil\\fcharset0 Arial;}}\r\n"
            "{\\colortbl ;\\red255\\green0\\blue0;}\r\n"
            "\\viewkind4\\uc1\\pard\\f0\\fs18 plain \\cf1 Gr\\u252\\'fc\\u223\\'dfe \\u10003?"
            "\\cf0  \\{x\\}\\\\ \\highlight1\\b \\u-10179?\\u-8704?\\par\r\n"
            "\\highlight0\\b0\\fs24 \\tab 12\\par\r\n"
            "}\r\n");
}

TEST(RtfWriter, EmptyDocumentReadsBackEmpty) {
  const auto document = NewDocument();
  const QByteArray rtf = TRtfWriter::Write(*document);
  EXPECT_TRUE(rtf.endsWith("\\pard\\f0\\fs18 \\par\r\n}\r\n")) << rtf.toStdString();
  EXPECT_TRUE(Read(rtf)->isEmpty());
}

TEST(RtfWriter, FilesOfOtherProgramsSurviveBeingSavedAgain) {
  for (const char* name :
       {"richedit-item.rtf", "lo-colours.rtf", "lo-unicode.rtf", "lo-item.rtf"}) {
    SCOPED_TRACE(name);
    const auto original = Read(Fixture(name));
    const auto copy = Read(TRtfWriter::Write(*original));
    EXPECT_EQ(copy->toRawText(), original->toRawText());
    EXPECT_EQ(Describe(*copy), Describe(*original));
  }
}

} // namespace
} // namespace tessra
