#include "display/AttachForm.h"

#include <QAction>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QStyle>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "common/ChatException.h"
#include "display/Attachment.h"
#include "display/ExampleReferences.h"
#include "display/ReferenceColorMenu.h"
#include "display/ReferenceLabel.h"
#include "display/RtfReader.h"
#include "display/RtfWriter.h"

namespace tessra {

namespace {

// The pages look like the game's info window: game colours on black, plain text in white (the
// colour a reader sees for text without a colour of its own).
void StyleAsInfoWindow(QTextEdit& edit) {
  QPalette pal = edit.palette();
  pal.setColor(QPalette::Base, Qt::black);
  pal.setColor(QPalette::Text, Qt::white);
  edit.setPalette(pal);
  edit.setContextMenuPolicy(Qt::CustomContextMenu);
  edit.setTabChangesFocus(false);
}

QTextEdit* MakeExamplePage(QWidget* parent, const char* objectName, void (*fill)(QTextDocument&)) {
  auto* page = new QTextEdit(parent);
  page->setObjectName(QString::fromLatin1(objectName));
  StyleAsInfoWindow(*page);
  fill(*page->document());
  page->setReadOnly(true);
  return page;
}

} // namespace

TAttachForm::TAttachForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AttachForm"));
  setWindowTitle(QStringLiteral("Attach Reference"));
  setWindowFlag(Qt::WindowStaysOnTopHint);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  resize(560, 380);
  ExecDialog = [](QDialog& dialog) { return dialog.exec(); };

  Bar = new QToolBar(this);
  Bar->setObjectName(QStringLiteral("AttachToolBar"));
  Bar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  Bar->setIconSize(QSize(16, 16));
  QStyle& s = *style();
  NewItem = Bar->addAction(s.standardIcon(QStyle::SP_FileIcon), QStringLiteral("New Reference..."));
  NewItem->setObjectName(QStringLiteral("NewAction"));
  NewItem->setShortcut(QKeySequence::New);
  SaveItem = Bar->addAction(s.standardIcon(QStyle::SP_DialogSaveButton),
                            QStringLiteral("Save Reference..."));
  SaveItem->setObjectName(QStringLiteral("SaveAction"));
  SaveItem->setShortcut(QKeySequence::Save);
  SaveItem->setEnabled(false);
  OpenItem = Bar->addAction(s.standardIcon(QStyle::SP_DialogOpenButton),
                            QStringLiteral("Open Reference..."));
  OpenItem->setObjectName(QStringLiteral("OpenAction"));
  OpenItem->setShortcut(QKeySequence::Open);
  for (QAction* action : {NewItem, SaveItem, OpenItem}) {
    action->setShortcutContext(Qt::WindowShortcut);
    action->setToolTip(action->text());
  }
  Bar->addSeparator();
  ColorMenu = new TReferenceColorMenu(this);
  ColorButton = new QToolButton(Bar);
  ColorButton->setObjectName(QStringLiteral("FontColorButton"));
  ColorButton->setPopupMode(QToolButton::InstantPopup);
  ColorButton->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  ColorButton->setDefaultAction(ColorMenu->menuAction());
  Bar->addWidget(ColorButton);

  PageControl = new QTabWidget(this);
  PageControl->setObjectName(QStringLiteral("PageControl"));
  Editor = new QTextEdit(PageControl);
  Editor->setObjectName(QStringLiteral("RefEdit"));
  Editor->setAcceptRichText(true);
  StyleAsInfoWindow(*Editor);
  ItemPage = MakeExamplePage(PageControl, "ExampleItemEdit", &FillExampleItem);
  CharacterPage = MakeExamplePage(PageControl, "ExampleCharacterEdit", &FillExampleCharacter);
  PageControl->addTab(Editor, QStringLiteral("Reference Text"));
  PageControl->addTab(ItemPage, QStringLiteral("Example Item"));
  PageControl->addTab(CharacterPage, QStringLiteral("Example Character"));
  ColorMenu->SetEditor(Editor);

  auto* buttons = new QDialogButtonBox(this);
  OkBtn = buttons->addButton(QDialogButtonBox::Ok);
  CancelBtn = buttons->addButton(QDialogButtonBox::Cancel);
  // Enter in the editor breaks the line; only a click (or Alt+key) presses OK.
  OkBtn->setAutoDefault(false);
  CancelBtn->setAutoDefault(false);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(6, 0, 6, 6);
  layout->setSpacing(4);
  layout->addWidget(Bar);
  layout->addWidget(PageControl, 1);
  layout->addWidget(buttons);

  connect(buttons, &QDialogButtonBox::accepted, this, &TAttachForm::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TAttachForm::reject);
  connect(NewItem, &QAction::triggered, this, [this] { NewReference(); });
  connect(SaveItem, &QAction::triggered, this, [this] { SaveReference(); });
  connect(OpenItem, &QAction::triggered, this, [this] { OpenReference(); });
  connect(Editor->document(), &QTextDocument::modificationChanged, SaveItem, &QAction::setEnabled);
  // The colours apply to the reference only.
  connect(PageControl, &QTabWidget::currentChanged, this,
          [this](int index) { ColorMenu->menuAction()->setEnabled(index == 0); });
  for (QTextEdit* edit : {Editor, ItemPage, CharacterPage}) {
    connect(edit, &QTextEdit::customContextMenuRequested, this,
            [this, edit](const QPoint& at) { ShowEditMenu(*edit, at); });
  }
  Editor->setFocus();
}

TAttachForm::~TAttachForm() = default;

bool TAttachForm::Changed() const {
  return Editor->document()->isModified();
}

void TAttachForm::MarkUnchanged() {
  Editor->document()->setModified(false);
  SaveItem->setEnabled(false);
}

void TAttachForm::LoadAttachment(const TAttachment& attachment) {
  if (!attachment.LoadInto(*Editor->document())) {
    return;
  }
  // The attachment itself keeps the text, so nothing is lost by leaving it unsaved.
  QTextCursor cursor = Editor->textCursor();
  cursor.movePosition(QTextCursor::End);
  Editor->setTextCursor(cursor);
  MarkUnchanged();
}

void TAttachForm::accept() {
  if (OnAttach && HasReferenceText(*Editor->document())) {
    OnAttach(*this, *Editor->document());
  }
  QDialog::accept();
}

// ----------------------------------------------------------------- commands

bool TAttachForm::ConfirmDiscard() {
  if (!Changed()) {
    return true;
  }
  const QString text = CurrentFile.isEmpty()
                           ? QStringLiteral("Save changes to current reference?")
                           : QStringLiteral("Save changes to ") +
                                 QDir::toNativeSeparators(CurrentFile) + QLatin1Char('?');
  QMessageBox box(QMessageBox::Question, windowTitle(), text,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
  box.setObjectName(QStringLiteral("SaveChangesQuestion"));
  box.setDefaultButton(QMessageBox::Yes);
  ExecDialog(box);
  switch (box.standardButton(box.clickedButton())) {
  case QMessageBox::Yes:
    return SaveReference();
  case QMessageBox::No:
    return true;
  default:
    // Cancel, Escape or the window closed.
    return false;
  }
}

void TAttachForm::NewReference() {
  if (!ConfirmDiscard()) {
    return;
  }
  Editor->clear();
  Editor->setCurrentCharFormat(QTextCharFormat());
  CurrentFile.clear();
  MarkUnchanged();
  ColorMenu->FollowEditor();
}

bool TAttachForm::SaveReference() {
  QString fileName = CurrentFile;
  if (fileName.isEmpty()) {
    fileName = AskFileName(true);
    if (fileName.isEmpty()) {
      return false;
    }
  }
  try {
    SaveToFile(fileName);
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
    return false;
  }
  return true;
}

void TAttachForm::OpenReference() {
  if (!ConfirmDiscard()) {
    return;
  }
  const QString fileName = AskFileName(false);
  if (fileName.isEmpty()) {
    return;
  }
  try {
    LoadFromFile(fileName);
  } catch (const std::exception& e) {
    ReportError(QString::fromUtf8(e.what()));
  }
}

QString TAttachForm::AskFileName(bool save) {
  const QString startIn = CurrentFile.isEmpty() ? QString() : QFileInfo(CurrentFile).absolutePath();
  QFileDialog dialog(this, QString::fromLatin1(save ? kSaveTitle : kOpenTitle), startIn,
                     QString::fromLatin1(kFileFilter));
  dialog.setObjectName(save ? QStringLiteral("SaveDialog") : QStringLiteral("OpenDialog"));
  dialog.setDefaultSuffix(QString::fromLatin1(kDefaultSuffix));
  if (save) {
    // Asking before an existing file is replaced is the dialog's default.
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
  } else {
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
  }
  if (ExecDialog(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return QString();
  }
  return dialog.selectedFiles().constFirst();
}

void TAttachForm::ReportError(const QString& message) {
  if (OnError) {
    OnError(*this, message);
  } else {
    qWarning("%s", qPrintable(message));
  }
}

// -------------------------------------------------------------------- files

void TAttachForm::LoadFromFile(const QString& fileName) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly)) {
    throw TChatException(QStringLiteral("Cannot open file \"%1\". %2")
                             .arg(QDir::toNativeSeparators(fileName), file.errorString()));
  }
  const QByteArray data = file.readAll();
  try {
    // The reader fails before it touches the document, so a bad file leaves the text alone.
    TRtfReader::Read(data, *Editor->document());
  } catch (const std::exception& e) {
    throw TChatException(QStringLiteral("Cannot read \"%1\": %2")
                             .arg(QDir::toNativeSeparators(fileName), QString::fromUtf8(e.what())));
  }
  Editor->moveCursor(QTextCursor::Start);
  CurrentFile = fileName;
  MarkUnchanged();
  ColorMenu->FollowEditor();
}

void TAttachForm::SaveToFile(const QString& fileName) {
  QSaveFile file(fileName);
  const auto fail = [&] {
    throw TChatException(QStringLiteral("Cannot create file \"%1\". %2")
                             .arg(QDir::toNativeSeparators(fileName), file.errorString()));
  };
  if (!file.open(QIODevice::WriteOnly)) {
    fail();
  }
  const QByteArray data = TRtfWriter::Write(*Editor->document());
  if (file.write(data) != data.size() || !file.commit()) {
    fail();
  }
  CurrentFile = fileName;
  MarkUnchanged();
}

// --------------------------------------------------------------- edit menu

std::unique_ptr<QMenu> TAttachForm::EditMenu(QTextEdit& editor) {
  auto menu = std::make_unique<QMenu>(this);
  const bool selection = editor.textCursor().hasSelection();
  const auto add = [&](const QString& text, bool enabled, auto slot) {
    QAction* action = menu->addAction(text);
    action->setEnabled(enabled);
    connect(action, &QAction::triggered, &editor, slot);
    return action;
  };
  if (!editor.isReadOnly()) {
    add(QStringLiteral("Undo"), editor.document()->isUndoAvailable(), &QTextEdit::undo);
    add(QStringLiteral("Redo"), editor.document()->isRedoAvailable(), &QTextEdit::redo);
    menu->addSeparator();
    add(QStringLiteral("Cut"), selection, &QTextEdit::cut);
  }
  add(QStringLiteral("Copy"), selection, &QTextEdit::copy);
  if (!editor.isReadOnly()) {
    add(QStringLiteral("Paste"), editor.canPaste(), &QTextEdit::paste);
    QAction* remove = menu->addAction(QStringLiteral("Delete"));
    remove->setEnabled(selection);
    connect(remove, &QAction::triggered, &editor,
            [&editor] { editor.textCursor().removeSelectedText(); });
  }
  menu->addSeparator();
  add(QStringLiteral("Select All"), !editor.document()->isEmpty(), &QTextEdit::selectAll);
  return menu;
}

void TAttachForm::ShowEditMenu(QTextEdit& editor, const QPoint& at) {
  const std::unique_ptr<QMenu> menu = EditMenu(editor);
  menu->exec(editor.viewport()->mapToGlobal(at));
}

} // namespace tessra
