// The attach dialog and the attachment: the label an attached reference puts into the input
// line, the colours it travels with, the ".ref" files with their questions and file dialogs, the
// "Font Color" menu and the editors' popup menus.

#include <functional>
#include <memory>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <gtest/gtest.h>

#include "display/AttachForm.h"
#include "display/Attachment.h"
#include "display/ColorCodes.h"
#include "display/ColorPalette.h"
#include "display/ColorValue.h"
#include "display/ReferenceColorMenu.h"
#include "display/ReferenceLabel.h"
#include "display/RichTextTransforms.h"
#include "display/RtfReader.h"

namespace tessra {
namespace {

constexpr QRgb kRed = 0xFF0000;
constexpr QRgb kTyping = 0x0000FF;

// Text and colour runs of a document: "text@RRGGBB" for coloured runs, "text" for plain ones.
QStringList Runs(const QTextDocument& document) {
  QStringList runs;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      QString run = it.fragment().text();
      if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        run += QStringLiteral("@") + format.foreground().color().name().mid(1).toUpper();
      }
      runs.append(run);
    }
  }
  return runs;
}

void Colour(QTextDocument& document, int from, int to, QRgb rgb) {
  QTextCursor cursor(&document);
  cursor.setPosition(from);
  cursor.setPosition(to, QTextCursor::KeepAnchor);
  QTextCharFormat format;
  format.setForeground(QColor::fromRgb(rgb));
  cursor.mergeCharFormat(format);
}

class AttachReferenceTest : public ::testing::Test {
protected:
  AttachReferenceTest() { Input = std::make_unique<QTextEdit>(); }

  // The input line holds `text` in the typing colour, with the selection from..to.
  void SetInput(const QString& text, int from, int to) {
    Input->clear();
    Input->setTextColor(QColor::fromRgb(kTyping));
    Input->insertPlainText(text);
    QTextCursor cursor = Input->textCursor();
    cursor.setPosition(from);
    cursor.setPosition(to, QTextCursor::KeepAnchor);
    Input->setTextCursor(cursor);
  }

  QTextDocument Reference;
  TAttachment Attachment;
  std::unique_ptr<QTextEdit> Input;
};

TEST_F(AttachReferenceTest, TheLabelIsTheFirstLineOrRenameMe) {
  const struct {
    const char* Text;
    const char* Label;
  } cases[] = {
      {"Ashwood Longbow\nQuality Level 42", "Ashwood Longbow"},
      {"Bow\tof\tash", "Bow of ash"},
      {"   \nsecond line", "Rename Me"},
      {"\nsecond line", "Rename Me"},
      {"", "Rename Me"},
  };
  for (const auto& c : cases) {
    Reference.setPlainText(QString::fromUtf8(c.Text));
    EXPECT_EQ(ReferenceLabel(Reference), QString::fromUtf8(c.Label)) << c.Text;
  }
}

TEST_F(AttachReferenceTest, ABlankEditorAttachesNothing) {
  for (const char* blank : {"", "  \t\n\n  "}) {
    Reference.setPlainText(QString::fromUtf8(blank));
    SetInput(QStringLiteral("hello"), 5, 5);
    EXPECT_FALSE(AttachReference(Reference, *Input, Attachment));
    EXPECT_FALSE(Attachment.Exists());
    EXPECT_EQ(Input->toPlainText(), QStringLiteral("hello"));
  }
  // A blank first line is no name: the label asks for one.
  Reference.setPlainText(QStringLiteral(" \t\nsecond line"));
  ASSERT_TRUE(AttachReference(Reference, *Input, Attachment));
  EXPECT_EQ(Input->toPlainText(), QStringLiteral("hello Rename Me"));
}

TEST_F(AttachReferenceTest, TheLabelGoesInWithSpacesWhereTheTextNeedsThem) {
  Reference.setPlainText(QStringLiteral("Sword\nQL 8"));
  const struct {
    const char* Before;
    int From;
    int To;
    const char* After;
  } cases[] = {
      {"", 0, 0, "Sword"},
      {"look", 4, 4, "look Sword"},
      {"look ", 5, 5, "look Sword"},
      {"a", 1, 1, "a Sword"}, // one character before the caret needs its space as well
      {"here", 0, 0, "Sword here"},
      {"look here", 4, 4, "look Sword here"},
      {"look at this now", 8, 12, "look at Sword now"}, // the selection is replaced
      {"look at this", 8, 12, "look at Sword"},
      {"(this)", 1, 5, "( Sword )"},
      {"line one\nline two", 9, 9, "line one\nSword line two"},
  };
  for (const auto& c : cases) {
    SetInput(QString::fromUtf8(c.Before), c.From, c.To);
    Attachment.Release();
    ASSERT_TRUE(AttachReference(Reference, *Input, Attachment));
    EXPECT_EQ(Input->toPlainText(), QString::fromUtf8(c.After)) << c.Before;
    // The label alone is in the reference colour; the spaces are in the typing colour.
    const QString all = Input->toPlainText();
    const int at = int(all.indexOf(QStringLiteral("Sword")));
    for (int i = 0; i < all.size(); ++i) {
      if (all[i] == QLatin1Char('\n')) {
        continue;
      }
      QTextCursor probe(Input->document());
      probe.setPosition(i + 1);
      const QRgb expected = i >= at && i < at + 5 ? kReferenceColor : kTyping;
      EXPECT_EQ(TextColorOf(probe.charFormat(), Qt::black).rgb() & 0xFFFFFFu, expected)
          << c.Before << " at " << i;
    }
    // The caret is after the label, and typing goes on in the typing colour.
    EXPECT_EQ(Input->textCursor().position(), at + 5) << c.Before;
    EXPECT_FALSE(Input->textCursor().hasSelection());
    EXPECT_EQ(TextColorOf(Input->currentCharFormat(), Qt::black).rgb() & 0xFFFFFFu, kTyping);
  }
}

TEST_F(AttachReferenceTest, AttachingAgainReplacesTheContentButNotTheLabel) {
  Reference.setPlainText(QStringLiteral("First"));
  SetInput(QString(), 0, 0);
  ASSERT_TRUE(AttachReference(Reference, *Input, Attachment));
  int changes = 0;
  Attachment.OnChange = [&](TAttachment&) { ++changes; };
  Reference.setPlainText(QStringLiteral("Second version"));
  ASSERT_TRUE(AttachReference(Reference, *Input, Attachment));
  EXPECT_EQ(Input->toPlainText(), QStringLiteral("First"));
  EXPECT_EQ(changes, 1);
  QTextDocument stored;
  ASSERT_TRUE(Attachment.LoadInto(stored));
  EXPECT_EQ(stored.toPlainText(), QStringLiteral("Second version"));

  Attachment.Release();
  EXPECT_FALSE(Attachment.Exists());
  EXPECT_EQ(changes, 2);
  EXPECT_FALSE(Attachment.LoadInto(stored));
  EXPECT_TRUE(Attachment.ColorCodes(Qt::black).isEmpty());
}

TEST_F(AttachReferenceTest, TheAttachmentKeepsItsColoursAsGameColourCodes) {
  // "Sword" in red, " of ash" plain, " QL 8" in periwinkle, a colour without code (grey) is
  // carried as the colour before it.
  Reference.setPlainText(QStringLiteral("Sword of ash QL 8 grey"));
  Colour(Reference, 0, 5, kRed);
  Colour(Reference, 12, 17, 0x9C9CFF);
  Colour(Reference, 17, 22, 0x808080);
  Attachment.Assign(Reference);
  EXPECT_EQ(Attachment.ColorCodes(Qt::black),
            QStringLiteral("\x10\x0cSword\x12 of ash\x11 QL 8 grey"));
  // Written and read back as rich text, the runs are the same.
  QTextDocument back;
  ASSERT_TRUE(Attachment.LoadInto(back));
  EXPECT_EQ(Runs(back), (QStringList{"Sword@FF0000", " of ash", " QL 8@9C9CFF", " grey@808080"}));
}

// ---------------------------------------------------------------- the dialog

class AttachFormTest : public ::testing::Test {
protected:
  AttachFormTest() {
    Form = new TAttachForm();
    // Closing destroys the window; the test keeps it until its end.
    Form->setAttribute(Qt::WA_DeleteOnClose, false);
    Owner.reset(Form);
    Form->ExecDialog = [this](QDialog& dialog) {
      ++DialogsRun;
      dialog.setResult(QDialog::Rejected);
      if (Scripts.empty()) {
        return int(QDialog::Rejected);
      }
      auto script = std::move(Scripts.front());
      Scripts.erase(Scripts.begin());
      script(dialog);
      return dialog.result();
    };
    Form->OnError = [this](TAttachForm&, const QString& message) { Errors.append(message); };
  }

  void Type(const QString& text) {
    Form->RefEdit()->setFocus();
    Form->RefEdit()->textCursor().insertText(text);
  }

  // Answers the next dialog as a file dialog choosing `path`, recording how it was set up.
  void ChooseFile(const QString& path) {
    Scripts.push_back([this, path](QDialog& dialog) {
      auto& files = dynamic_cast<QFileDialog&>(dialog);
      FileDialogs.append(files.windowTitle() + QStringLiteral(" | ") +
                         files.nameFilters().join(';') + QStringLiteral(" | ") +
                         files.defaultSuffix() +
                         (files.acceptMode() == QFileDialog::AcceptSave ? " | save" : " | open") +
                         (files.testOption(QFileDialog::DontConfirmOverwrite) ? "" : " | confirm"));
      files.selectFile(path);
      dialog.done(QDialog::Accepted);
    });
  }

  void CancelFileDialog() {
    Scripts.push_back([](QDialog& dialog) { dialog.done(QDialog::Rejected); });
  }

  // Answers the next dialog as the save question with the given button.
  void Answer(QMessageBox::StandardButton button) {
    Scripts.push_back([this, button](QDialog& dialog) {
      auto& box = dynamic_cast<QMessageBox&>(dialog);
      Questions.append(box.text());
      box.button(button)->click();
    });
  }

  QString Path(const char* name) const { return Dir.filePath(QString::fromLatin1(name)); }

  QTemporaryDir Dir;
  TAttachForm* Form = nullptr;
  std::unique_ptr<TAttachForm> Owner;
  std::vector<std::function<void(QDialog&)>> Scripts;
  int DialogsRun = 0;
  QStringList FileDialogs;
  QStringList Questions;
  QStringList Errors;
};

TEST_F(AttachFormTest, TheWindowHasItsPagesToolBarAndButtons) {
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Attach Reference"));
  EXPECT_TRUE(Form->windowFlags() & Qt::WindowStaysOnTopHint);
  QTabWidget& pages = *Form->Pages();
  ASSERT_EQ(pages.count(), 3);
  EXPECT_EQ(pages.tabText(0), QStringLiteral("Reference Text"));
  EXPECT_EQ(pages.tabText(1), QStringLiteral("Example Item"));
  EXPECT_EQ(pages.tabText(2), QStringLiteral("Example Character"));
  EXPECT_FALSE(Form->RefEdit()->isReadOnly());
  for (QTextEdit* example : {Form->ExampleItemEdit(), Form->ExampleCharacterEdit()}) {
    EXPECT_TRUE(example->isReadOnly());
    EXPECT_TRUE(HasReferenceText(*example->document()));
    // Every colour of the samples is a game colour, so copied text keeps it when sent.
    for (const QString& run : Runs(*example->document())) {
      if (run.contains('@')) {
        EXPECT_FALSE(ColorCodeOf(QColor(QLatin1Char('#') + run.section('@', -1))).isEmpty())
            << run.toStdString();
      }
    }
  }
  EXPECT_EQ(Form->NewAction()->text(), QStringLiteral("New Reference..."));
  EXPECT_EQ(Form->SaveAction()->text(), QStringLiteral("Save Reference..."));
  EXPECT_EQ(Form->OpenAction()->text(), QStringLiteral("Open Reference..."));

  // The colours are for the reference page only.
  pages.setCurrentIndex(1);
  EXPECT_FALSE(Form->FontColorMenu()->menuAction()->isEnabled());
  pages.setCurrentIndex(0);
  EXPECT_TRUE(Form->FontColorMenu()->menuAction()->isEnabled());
}

TEST_F(AttachFormTest, OkHandsOverOnlyAReferenceThatIsNotBlankAndClosesEitherWay) {
  int attached = 0;
  QString text;
  Form->OnAttach = [&](TAttachForm&, const QTextDocument& reference) {
    ++attached;
    text = reference.toPlainText();
  };
  Form->show();
  Type(QStringLiteral("  \n "));
  Form->OkButton()->click();
  EXPECT_EQ(attached, 0);
  EXPECT_FALSE(Form->isVisible());

  Form->show();
  Type(QStringLiteral("Sword"));
  Form->OkButton()->click();
  EXPECT_EQ(attached, 1);
  EXPECT_EQ(text, QStringLiteral("  \n Sword"));
  EXPECT_FALSE(Form->isVisible());

  Form->show();
  Form->CancelButton()->click();
  EXPECT_EQ(attached, 1);
  EXPECT_FALSE(Form->isVisible());
}

TEST_F(AttachFormTest, SaveIsOfferedOnlyForChangedTextAndAsksForAFileTheFirstTime) {
  EXPECT_FALSE(Form->SaveAction()->isEnabled());
  Type(QStringLiteral("Sword"));
  Colour(*Form->RefEdit()->document(), 0, 5, kRed);
  EXPECT_TRUE(Form->SaveAction()->isEnabled());

  ChooseFile(Path("sword")); // the dialog adds the extension
  Form->SaveAction()->trigger();
  EXPECT_EQ(FileDialogs,
            QStringList{"Save Tessra Reference as: | Tessra References (*.ref) | ref | save | "
                        "confirm"});
  EXPECT_EQ(Form->FileName(), Path("sword.ref"));
  EXPECT_FALSE(Form->SaveAction()->isEnabled());
  QFile file(Path("sword.ref"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  QTextDocument saved;
  TRtfReader::Read(file.readAll(), saved);
  file.close();
  EXPECT_EQ(Runs(saved), QStringList{"Sword@FF0000"});

  // Later saves write to the same file without asking.
  Type(QStringLiteral(" of ash"));
  Form->SaveAction()->trigger();
  EXPECT_EQ(DialogsRun, 1);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  TRtfReader::Read(file.readAll(), saved);
  EXPECT_EQ(saved.toPlainText(), QStringLiteral("Sword of ash"));
}

TEST_F(AttachFormTest, OpenReadsTheChosenFileAndAFileErrorIsReported) {
  Type(QStringLiteral("Sword"));
  ChooseFile(Path("sword.ref"));
  ASSERT_TRUE(Form->SaveReference());

  Form->NewAction()->trigger();
  EXPECT_TRUE(Form->RefEdit()->toPlainText().isEmpty());
  EXPECT_TRUE(Form->FileName().isEmpty());

  ChooseFile(Path("sword.ref"));
  Form->OpenAction()->trigger();
  EXPECT_EQ(FileDialogs.last(),
            QStringLiteral("Select Tessra Reference: | Tessra References (*.ref) | ref | open | "
                           "confirm"));
  EXPECT_EQ(Form->RefEdit()->toPlainText(), QStringLiteral("Sword"));
  EXPECT_EQ(Form->FileName(), Path("sword.ref"));
  EXPECT_FALSE(Form->Changed());

  // A file that is not RTF: the error is reported and the text stays as it was.
  QFile bad(Path("bad.ref"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("just some text");
  bad.close();
  ChooseFile(Path("bad.ref"));
  Form->OpenAction()->trigger();
  ASSERT_EQ(Errors.size(), 1);
  EXPECT_TRUE(Errors[0].contains(QStringLiteral("Not an RTF document"))) << Errors[0].toStdString();
  EXPECT_EQ(Form->RefEdit()->toPlainText(), QStringLiteral("Sword"));
  EXPECT_EQ(Form->FileName(), Path("sword.ref"));

  // A file that cannot be written: reported, and the text stays unsaved.
  Form->NewAction()->trigger();
  Type(QStringLiteral("Bow"));
  ChooseFile(Path("no/such/folder/bow.ref"));
  Form->SaveAction()->trigger();
  ASSERT_EQ(Errors.size(), 2);
  EXPECT_TRUE(Errors[1].startsWith(QStringLiteral("Cannot create file")))
      << Errors[1].toStdString();
  EXPECT_TRUE(Form->FileName().isEmpty());
  EXPECT_TRUE(Form->Changed());
}

TEST_F(AttachFormTest, UnsavedChangesAreOfferedForSavingBeforeNewAndOpen) {
  // Answer, then whether the text was saved, and whether New went on.
  const struct {
    QMessageBox::StandardButton Button;
    bool CancelSaveDialog;
    bool Saved;
    bool Cleared;
  } cases[] = {
      {QMessageBox::Yes, false, true, true},
      {QMessageBox::Yes, true, false, false}, // the save dialog was cancelled: New is off
      {QMessageBox::No, false, false, true},
      {QMessageBox::Cancel, false, false, false},
  };
  int n = 0;
  for (const auto& c : cases) {
    Form->RefEdit()->clear();
    Form->RefEdit()->document()->setModified(false);
    Type(QStringLiteral("Sword"));
    Questions.clear();
    const QString path = Dir.filePath(QStringLiteral("case%1.ref").arg(++n));
    Answer(c.Button);
    if (c.CancelSaveDialog) {
      CancelFileDialog();
    } else if (c.Button == QMessageBox::Yes) {
      ChooseFile(path);
    }
    Form->NewAction()->trigger();
    EXPECT_EQ(Questions, QStringList{"Save changes to current reference?"}) << n;
    EXPECT_EQ(QFile::exists(path), c.Saved) << n;
    EXPECT_EQ(Form->RefEdit()->toPlainText().isEmpty(), c.Cleared) << n;
    EXPECT_TRUE(Scripts.empty()) << n;
  }

  // Text from a file is named by the file; Open asks the same way, and unchanged text is not
  // asked about at all.
  Form->RefEdit()->clear();
  Type(QStringLiteral("Bow"));
  ChooseFile(Path("bow.ref"));
  ASSERT_TRUE(Form->SaveReference());
  Type(QStringLiteral(" of ash"));
  Questions.clear();
  Answer(QMessageBox::Cancel);
  Form->OpenAction()->trigger();
  EXPECT_EQ(Questions,
            QStringList{"Save changes to " + QDir::toNativeSeparators(Path("bow.ref")) + "?"});
  EXPECT_EQ(Form->RefEdit()->toPlainText(), QStringLiteral("Bow of ash"));

  Answer(QMessageBox::No);
  Form->NewAction()->trigger();
  const int before = DialogsRun;
  Form->NewAction()->trigger();
  EXPECT_EQ(DialogsRun, before);
}

TEST_F(AttachFormTest, TheAttachedReferenceIsLoadedAsUnchangedText) {
  QTextDocument reference;
  reference.setPlainText(QStringLiteral("Sword"));
  Colour(reference, 0, 5, kRed);
  TAttachment attachment;
  attachment.Assign(reference);
  Form->LoadAttachment(attachment);
  EXPECT_EQ(Runs(*Form->RefEdit()->document()), QStringList{"Sword@FF0000"});
  EXPECT_FALSE(Form->Changed());
  EXPECT_FALSE(Form->SaveAction()->isEnabled());
}

TEST_F(AttachFormTest, FontColorOffersDefaultAndTheFirst25NamedColoursAndFollowsTheCaret) {
  TReferenceColorMenu& menu = *Form->FontColorMenu();
  EXPECT_EQ(menu.title(), QStringLiteral("Font Color"));
  EXPECT_EQ(menu.DefaultAction()->text(), QStringLiteral("Default"));
  TColorPalette& palette = *menu.Palette();
  ASSERT_EQ(palette.Count(), 25);
  for (int i = 0; i < 25; ++i) {
    EXPECT_EQ(palette.ColorAt(i).rgb() & 0xFFFFFFu, VeyraColorNames()[size_t(i)].Rgb) << i;
  }
  EXPECT_TRUE(menu.DefaultChecked());

  // A colour for what is typed next.
  QTextEdit& edit = *Form->RefEdit();
  menu.ChooseColor(palette.ColorAt(24)); // Red
  edit.insertPlainText(QStringLiteral("Sword"));
  EXPECT_EQ(menu.Selection(), 24);
  EXPECT_FALSE(menu.DefaultChecked());
  menu.ChooseDefault();
  edit.insertPlainText(QStringLiteral(" of ash"));
  EXPECT_EQ(Runs(*edit.document()), (QStringList{"Sword@FF0000", " of ash"}));
  EXPECT_TRUE(menu.DefaultChecked());

  // A colour for the selection; Default takes it away again.
  QTextCursor cursor = edit.textCursor();
  cursor.setPosition(6);
  cursor.setPosition(8, QTextCursor::KeepAnchor);
  edit.setTextCursor(cursor);
  menu.ChooseColor(palette.ColorAt(16)); // Cyan
  EXPECT_EQ(Runs(*edit.document()), (QStringList{"Sword@FF0000", " ", "of@00FFFF", " ash"}));
  cursor.setPosition(2);
  cursor.setPosition(7, QTextCursor::KeepAnchor);
  edit.setTextCursor(cursor);
  menu.ChooseDefault();
  EXPECT_EQ(Runs(*edit.document()), (QStringList{"Sw@FF0000", "ord o", "f@00FFFF", " ash"}));

  // The menu follows the caret.
  cursor.setPosition(1);
  edit.setTextCursor(cursor);
  EXPECT_EQ(menu.Selection(), 24);
  cursor.setPosition(8);
  edit.setTextCursor(cursor);
  EXPECT_EQ(menu.Selection(), 16);
  cursor.setPosition(10);
  edit.setTextCursor(cursor);
  EXPECT_EQ(menu.Selection(), -1);
  EXPECT_TRUE(menu.DefaultChecked());
}

TEST_F(AttachFormTest, TheEditorsPopupMenuOffersEditingAndTheExamplesOnlyCopying) {
  const auto texts = [](QMenu& menu) {
    QStringList list;
    for (QAction* action : menu.actions()) {
      if (!action->isSeparator()) {
        list.append(action->text() + (action->isEnabled() ? "" : "-"));
      }
    }
    return list;
  };
  Type(QStringLiteral("Sword"));
  Form->RefEdit()->selectAll();
  auto menu = Form->EditMenu(*Form->RefEdit());
  EXPECT_EQ(texts(*menu), (QStringList{"Undo", "Redo-", "Cut", "Copy",
                                       "Paste" + QString(Form->RefEdit()->canPaste() ? "" : "-"),
                                       "Delete", "Select All"}));
  // Delete takes the selection away.
  menu->actions()[6]->trigger();
  EXPECT_TRUE(Form->RefEdit()->toPlainText().isEmpty());

  auto example = Form->EditMenu(*Form->ExampleItemEdit());
  EXPECT_EQ(texts(*example), (QStringList{"Copy-", "Select All"}));
}

} // namespace
} // namespace tessra
