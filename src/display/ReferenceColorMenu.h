#pragma once

#include <QColor>
#include <QIcon>
#include <QMenu>
#include <QPointer>

class QAction;
class QTextEdit;

namespace tessra {

class TColorPalette;

// The attach dialog's "Font Color" menu: "Default" and a 5 x 5 palette of the game's first 25
// named colours. Choosing an entry colours the editor's selection and what is typed next;
// moving the caret makes the menu show the colour found there. "Default" takes the own colour
// away, so the text is shown in the reader's message colour. The menu's own action carries the
// button picture with a bar in the active colour.
class TReferenceColorMenu : public QMenu {
public:
  static constexpr int kColumns = 5;
  static constexpr int kRows = 5;

  explicit TReferenceColorMenu(QWidget* parent = nullptr);

  // The editor the menu colours and follows (not owned).
  void SetEditor(QTextEdit* editor);

  void ChooseDefault();
  void ChooseColor(const QColor& color);
  // Shows the colour at the editor's caret.
  void FollowEditor();

  bool DefaultChecked() const { return IsDefault; }
  // The palette cell of the colour at the caret, -1 for none.
  int Selection() const;
  QAction* DefaultAction() const { return DefaultItem; }
  TColorPalette* Palette() const { return PaletteWidget; }

private:
  void ShowState(const QColor& active);

  QPointer<QTextEdit> Editor;
  QAction* DefaultItem = nullptr;
  TColorPalette* PaletteWidget = nullptr;
  bool IsDefault = true;
  QIcon Icon;
};

} // namespace tessra
