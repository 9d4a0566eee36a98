#pragma once

#include <array>

#include "ColorCode.h"
#include "FontSettings.h"
#include "OptionBaseFrame.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace tessra {

// "Fonts & Colors": the font and background of the buddy tree, the group
// tree, the chat console and the input line.
class TFontsFrame : public TOptionBaseFrame {
public:
  enum TFontRowIndex { frFriends, frGroups, frChat, frInput, frCount };

  // One row: a sample box drawn in the row's font on its background, and the
  // buttons that change them.
  struct TFontRow {
    QLabel* Label = nullptr;
    QLineEdit* Box = nullptr;
    QToolButton* FontButton = nullptr;
    QToolButton* ColorButton = nullptr;
    TFontSettings Font;
    TColorCode Color = kColorWindow;
  };

  TFontsFrame(TOptionsHost& host, QWidget* parent);

  void LoadOptions() override;
  void ApplyOptions() override;

  void FontClick(TFontRowIndex row);
  void ColorClick(TFontRowIndex row);

  const TFontRow& Row(TFontRowIndex row) const { return Rows[row]; }
  // "8 pt. Tahoma".
  static QString FontText(const TFontSettings& font);

private:
  void ShowRow(TFontRow& row);

  std::array<TFontRow, frCount> Rows;
};

} // namespace tessra
