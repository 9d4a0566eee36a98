#pragma once

#include <vector>

#include <QDialog>

#include "OptionPage.h"

class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace tessra {

class TOptionsHost;

// "Tessra+ Options": a tree of the pages on the left, the current page on the
// right. Pages are created the first time they are shown and fill themselves
// from the settings then; "Ok" applies every page created during this opening,
// in table order. The dialog is modeless and frees itself (and its pages) when
// closed.
class TOptionsForm : public QDialog {
public:
  explicit TOptionsForm(TOptionsHost& host, QWidget* parent = nullptr);
  ~TOptionsForm() override;

  TOptionsForm(const TOptionsForm&) = delete;
  TOptionsForm& operator=(const TOptionsForm&) = delete;

  // Shows the page of a tree node; a category node, an unknown node or the
  // page already shown change nothing.
  void ShowPage(QTreeWidgetItem* node);
  void OkButtonClick();
  void CancelButtonClick();

  const std::vector<TOptionPage>& Pages() const { return PageTable; }
  // The instance of the named page; none until it was first shown.
  TOptionBaseFrame* Page(const QString& pageName) const;
  TOptionBaseFrame* CurrentPage() const { return Current; }
  // Closed (or closing): the dialog is on its way out and shows nothing more.
  bool IsClosing() const { return Closing; }
  // The tree node of a page.
  QTreeWidgetItem* Node(const QString& pageName) const;

  QTreeWidget* Tree() const { return TreeView; }
  QLabel* CaptionLabel() const { return Caption; }
  QWidget* Holder() const { return HolderPanel; }
  QPushButton* OkButton() const { return OkBtn; }
  QPushButton* CancelButton() const { return CancelBtn; }

  // "Ok", "Cancel", Escape and the close box all end here.
  void done(int result) override;

protected:
  bool eventFilter(QObject* watched, QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

private:
  void BuildTree();

  TOptionsHost& Host;
  std::vector<TOptionPage> PageTable;
  TOptionBaseFrame* Current = nullptr;
  bool Closing = false;
  QTreeWidget* TreeView;
  QLabel* Caption;
  QWidget* HolderPanel;
  QPushButton* OkBtn;
  QPushButton* CancelBtn;
};

} // namespace tessra
