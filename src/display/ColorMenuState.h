#pragma once

#include <vector>

#include <QColor>

namespace tessra {

// What the input line's colour menu shows: which of Default and Custom carries the check mark,
// which cell of the two palettes is selected, and the colour of the bar on the button. Kept
// apart from the menu widget so the rules can be checked on their own.
class TColorMenuState {
public:
  // `systemColors` are the current values of the system palette's cells.
  TColorMenuState(QColor defaultColor, std::vector<QColor> systemColors);

  // Follows a new typing colour: Default is checked for the default colour; otherwise the colour
  // is selected in the default palette when it is there, else in the system palette when it is
  // there, else Custom is checked when it is the Custom colour and Default when it is not.
  void SetInputColor(const QColor& color);

  // Custom confirmed in the colour dialog: the chosen colour becomes the Custom colour.
  void SetCustomColor(const QColor& color) { CustomColor = color; }

  // The colour of the bar on the button: Default's colour when Default is checked, else the
  // Custom colour when Custom is, else the default palette's selection, else the system
  // palette's selection, else Default's colour.
  QColor ActiveColor() const;

  QColor DefaultColor;
  QColor CustomColor; // invalid until a colour was chosen with Custom
  std::vector<QColor> SystemColors;
  bool DefaultChecked = true;
  bool CustomChecked = false;
  int DefaultPaletteSelection = -1; // cell index, -1 for none
  int SystemPaletteSelection = -1;
};

} // namespace tessra
