#include "display/ExampleReferences.h"

#include <cstdint>
#include <initializer_list>

#include <QTextCursor>
#include <QTextDocument>

namespace tessra {

namespace {

// Text in the reader's message colour.
constexpr std::uint32_t kPlain = 0xFFFFFFFFu;
// Game colours of the info window (each has a colour code of its own).
constexpr std::uint32_t kHeadline = 0xFFFF41; // Goldenrod
constexpr std::uint32_t kHeader = 0x00A551;   // Forest
constexpr std::uint32_t kText = 0x61AD61;     // Hunter
constexpr std::uint32_t kValue = 0x00FF00;    // Lime
constexpr std::uint32_t kNote = 0x9ED7DF;     // Slate Blue
constexpr std::uint32_t kEmphasis = 0xFFFFFF; // White

struct TRun {
  std::uint32_t Rgb;
  const char* Text;
};

void Fill(QTextDocument& document, std::initializer_list<TRun> runs) {
  document.clear();
  QTextCursor cursor(&document);
  for (const TRun& run : runs) {
    QTextCharFormat format;
    if (run.Rgb != kPlain) {
      format.setForeground(QColor::fromRgb(run.Rgb));
    }
    cursor.insertText(QString::fromUtf8(run.Text), format);
  }
  document.setModified(false);
}

} // namespace

void FillExampleItem(QTextDocument& document) {
  Fill(document, {
                     {kHeadline, "Ashwood Longbow"},
                     {kText, "\nQuality Level "},
                     {kValue, "42"},
                     {kNote, "\n\nA bow of seasoned ashwood, strung with braided gut. The scouts "
                             "of the northern marches swear by it on foggy mornings.\n\n"},
                     {kHeader, "Requirements\n"},
                     {kText, "Bow: "},
                     {kValue, "180"},
                     {kText, "\nAgility: "},
                     {kValue, "220"},
                     {kHeader, "\n\nModifiers\n"},
                     {kText, "Attack rating: "},
                     {kValue, "+12"},
                     {kText, "\nAgility: "},
                     {kValue, "+4"},
                     {kText, "\nRange: "},
                     {kValue, "28 m"},
                     {kHeader, "\n\nValue: "},
                     {kEmphasis, "14 300 credits"},
                 });
}

void FillExampleCharacter(QTextDocument& document) {
  Fill(document, {
                     {kHeadline, "Maelis Dunward"},
                     {kText, "\nLevel "},
                     {kValue, "87"},
                     {kText, " Sentinel of the "},
                     {kEmphasis, "Wardens of the Ember Gate"},
                     {kHeader, "\n\nBreed: "},
                     {kText, "Highlander"},
                     {kHeader, "\nGender: "},
                     {kText, "Female"},
                     {kHeader, "\nProfession: "},
                     {kText, "Sentinel"},
                     {kHeader, "\nFaction: "},
                     {kText, "Clan, rank "},
                     {kValue, "Lieutenant"},
                     {kHeader, "\nTitle: "},
                     {kText, "Keeper of the Northern Watch"},
                     {kNote, "\n\n\"Hold the line; the dawn always comes.\""},
                     {kPlain, "\n\nLooking for a team for the Sunken Archive, tell me."},
                 });
}

} // namespace tessra
