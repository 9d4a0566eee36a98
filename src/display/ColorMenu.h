#pragma once

#include <functional>

#include <QColor>
#include <QIcon>
#include <QMenu>
#include <QPointer>

#include "display/ColorMenuState.h"

class QAction;
class QTextEdit;

namespace tessra {

class TColorPalette;

// The input line's "Font Color" menu: Default (the window text colour), the default colour
// palette, the system colour palette and Custom. Choosing an entry sets the typing colour of the
// input line; moving the caret in the input line makes the menu show the colour found there.
// The menu's own action carries the button picture: the icon with a 4-pixel bar in the active
// colour under it.
class TColorMenu : public QMenu {
  Q_OBJECT

public:
  static constexpr int kBarHeight = 4;
  static constexpr int kPictureSize = 16;

  explicit TColorMenu(QWidget* parent = nullptr);

  // The input line the menu colours and follows; none is allowed (the menu then only keeps its
  // state). The menu does not own it.
  void SetInput(QTextEdit* input);

  // Sets the menu state for the colour and makes it the typing colour of the input line's
  // selection, then refreshes the button picture.
  void SetInputColor(const QColor& color);

  // The caret moved: the menu shows the colour of the text at the caret. The text itself is
  // left alone, so selecting text of several colours does not recolour it.
  void FollowInput();

  // The colour of the text at the input line's caret (the default colour for text without one).
  QColor ColorAtCaret() const;

  const TColorMenuState& State() const { return MenuState; }
  QColor DefaultColor() const { return MenuState.DefaultColor; }
  // A new default colour (the window text colour changed).
  void SetDefaultColor(const QColor& color);

  QAction* DefaultAction() const { return DefaultItem; }
  QAction* CustomAction() const { return CustomItem; }
  TColorPalette* DefaultPalette() const { return DefaultPaletteWidget; }
  TColorPalette* SystemPalette() const { return SystemPaletteWidget; }

  // The button picture: `icon` with a bar of `bar` under it.
  static QPixmap ColorBarPicture(const QIcon& icon, const QColor& bar);

  // Asks for the Custom colour, starting from the current one; an invalid colour means the user
  // cancelled. Defaults to the colour dialog; tests answer it themselves.
  std::function<QColor(TColorMenu&, const QColor& initial)> PickCustomColor;

  // The typing colour changed through the menu.
  std::function<void(TColorMenu&, const QColor& color)> OnInputColor;

private:
  void ChooseCustom();
  void ShowState();
  static QIcon BaseIcon();

  TColorMenuState MenuState;
  QPointer<QTextEdit> Input;
  QAction* DefaultItem = nullptr;
  QAction* CustomItem = nullptr;
  TColorPalette* DefaultPaletteWidget = nullptr;
  TColorPalette* SystemPaletteWidget = nullptr;
  QIcon Icon;
};

} // namespace tessra
