#pragma once

#include <functional>
#include <memory>

#include <QDialog>
#include <QString>

class QAction;
class QMenu;
class QPushButton;
class QTabWidget;
class QTextDocument;
class QTextEdit;
class QToolBar;
class QToolButton;

namespace tessra {

class TAttachment;
class TReferenceColorMenu;

// The "Attach Reference" window: the editor of the reference to attach to the next message, two
// read-only example pages to copy from, a tool bar to start, save and open ".ref" files, and the
// "Font Color" menu. OK attaches (through OnAttach) and closes, Cancel closes; closing destroys
// the window. Questions and file dialogs go through ExecDialog so that tests can answer them.
class TAttachForm : public QDialog {
public:
  static constexpr char kFileFilter[] = "Tessra References (*.ref)";
  static constexpr char kDefaultSuffix[] = "ref";
  static constexpr char kOpenTitle[] = "Select Tessra Reference:";
  static constexpr char kSaveTitle[] = "Save Tessra Reference as:";

  explicit TAttachForm(QWidget* parent = nullptr);
  ~TAttachForm() override;

  QTextEdit* RefEdit() const { return Editor; }
  QTextEdit* ExampleItemEdit() const { return ItemPage; }
  QTextEdit* ExampleCharacterEdit() const { return CharacterPage; }
  QTabWidget* Pages() const { return PageControl; }
  QToolBar* ToolBar() const { return Bar; }
  QAction* NewAction() const { return NewItem; }
  QAction* SaveAction() const { return SaveItem; }
  QAction* OpenAction() const { return OpenItem; }
  TReferenceColorMenu* FontColorMenu() const { return ColorMenu; }
  QPushButton* OkButton() const { return OkBtn; }
  QPushButton* CancelButton() const { return CancelBtn; }

  // The file the text came from or was last saved to; empty for a new reference.
  const QString& FileName() const { return CurrentFile; }
  // The text changed since it was last started, opened or saved.
  bool Changed() const;

  // The attached reference goes into the editor, as the starting point for changing it.
  void LoadAttachment(const TAttachment& attachment);

  // The tool bar's commands. New and Open first offer to save unsaved changes; Save writes to
  // the current file, or asks for one. Save is false when it was cancelled or failed. File
  // errors are reported through OnError.
  void NewReference();
  bool SaveReference();
  void OpenReference();

  // Reading and writing ".ref" files; failures raise TChatException with the reason.
  void LoadFromFile(const QString& fileName);
  void SaveToFile(const QString& fileName);

  // The popup menu for one of the window's editors: Undo, Redo, Cut, Copy, Paste, Delete and
  // Select All for the reference, Copy and Select All for the example pages.
  std::unique_ptr<QMenu> EditMenu(QTextEdit& editor);

  // Runs a question or a file dialog modally; the result is QDialog::Accepted or Rejected.
  // Defaults to exec().
  std::function<int(QDialog& dialog)> ExecDialog;
  // OK with a reference that is not blank.
  std::function<void(TAttachForm& sender, const QTextDocument& reference)> OnAttach;
  // A ".ref" file could not be read or written.
  std::function<void(TAttachForm& sender, const QString& message)> OnError;

  void accept() override;

private:
  // Unsaved changes: Yes saves (and a cancelled save aborts), No discards, Cancel aborts.
  bool ConfirmDiscard();
  QString AskFileName(bool save);
  void ReportError(const QString& message);
  void ShowEditMenu(QTextEdit& editor, const QPoint& at);
  void MarkUnchanged();

  QToolBar* Bar = nullptr;
  QAction* NewItem = nullptr;
  QAction* SaveItem = nullptr;
  QAction* OpenItem = nullptr;
  TReferenceColorMenu* ColorMenu = nullptr;
  QToolButton* ColorButton = nullptr;
  QTabWidget* PageControl = nullptr;
  QTextEdit* Editor = nullptr;
  QTextEdit* ItemPage = nullptr;
  QTextEdit* CharacterPage = nullptr;
  QPushButton* OkBtn = nullptr;
  QPushButton* CancelBtn = nullptr;
  QString CurrentFile;
};

} // namespace tessra
