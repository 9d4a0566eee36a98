// A reference attached in the attach dialog travels with the next message: the real main window,
// offscreen, against the reference chat server on loopback, with a headless second client that
// records what reaches it.

#include <memory>

#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextCursor>
#include <QTextEdit>
#include <QtTest/QTest>
#include <gtest/gtest.h>

#include "app/ChatServerFixture.h"
#include "app/ChatWiring.h"
#include "app/InputLine.h"
#include "app/MainForm.h"
#include "app/ReferenceAttacher.h"
#include "display/AttachForm.h"
#include "engine/BigInt.h"
#include "engine/VeyraBlob.h"
#include "server/ChatServer.h"
#include "settings/CharSelForm.h"
#include "settings/FileRegistry.h"
#include "settings/LoginForm.h"
#include "settings/ScriptedPrompt.h"
#include "settings/SettingsStore.h"

namespace tessra {
namespace {

constexpr char kConfig[] = R"json({
  "maxBytesPerSecond": 0,
  "accounts": [
    {"name": "acct", "password": "pw", "characters": [{"name": "Alda", "id": 102}]},
    {"name": "corwen", "password": "pw", "characters": [{"name": "Corwen", "id": 301}]}
  ],
  "groups": [{"id": "0A00000001", "name": "General", "members": ["*"]}]
})json";

class AttachReferenceChatTest : public test::TChatServerFixture {
protected:
  AttachReferenceChatTest() : TChatServerFixture(kConfig) {}

  TReferenceAttacher& Attacher() { return Form->Chatting().Attachments(); }
  QListWidget& RefListView() {
    return *Form->findChild<QListWidget*>(QStringLiteral("RefListView"));
  }

  void Type(const QString& text) {
    TInputEdit* input = Form->Input();
    input->setFocus();
    QTest::keyClicks(input, text);
  }

  // Insert Reference, the reference typed into the dialog's editor (with its second line in red)
  // and OK.
  void Attach(const QString& firstLine, const QString& secondLine) {
    Attacher().AttachActionExecute();
    TAttachForm* dialog = Attacher().AttachForm();
    ASSERT_NE(dialog, nullptr);
    QTextCursor cursor = dialog->RefEdit()->textCursor();
    cursor.insertText(firstLine + QLatin1Char('\n'));
    QTextCharFormat red;
    red.setForeground(QColor(0xFF, 0, 0));
    cursor.insertText(secondLine, red);
    dialog->OkButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(Attacher().AttachForm(), nullptr) << "closing the dialog destroys it";
  }
};

TEST_F(AttachReferenceChatTest, ASentTellCarriesTheReferenceAsLinkAndBlobAndReleasesIt) {
  LogIn();
  Type(QStringLiteral("/query Corwen"));
  QTest::keyClick(Form->Input(), Qt::Key_Return);
  Type(QStringLiteral("look at"));
  Attach(QStringLiteral("Ashwood Longbow"), QStringLiteral("QL 42"));
  EXPECT_EQ(Form->Input()->toPlainText(), QStringLiteral("look at Ashwood Longbow"));
  EXPECT_TRUE(RefListView().isVisibleTo(Form.get()));
  EXPECT_TRUE(Attacher().Attachment().Exists());

  Type(QStringLiteral(" now"));
  QTest::keyClick(Form->Input(), Qt::Key_Return);
  ASSERT_TRUE(Pump([this] { return !Corwen->Messages.isEmpty(); }));
  // The label run is the link around the reference; the reference, in game colour codes, is
  // also the message's text blob.
  const QString content = QStringLiteral("Ashwood Longbow\n\x10\x0cQL 42");
  EXPECT_EQ(Corwen->Messages, QStringList{"Alda: look at <a href=\"charref://1/1/" + content +
                                          "\">Ashwood Longbow</a> now"});
  EXPECT_EQ(Corwen->Blobs, QStringList{content});

  // The attachment went with the message.
  EXPECT_FALSE(Attacher().Attachment().Exists());
  EXPECT_FALSE(RefListView().isVisibleTo(Form.get()));
  EXPECT_TRUE(Form->Input()->toPlainText().isEmpty());
  EXPECT_EQ(CountLines(QStringLiteral("To [Corwen]: look at Ashwood Longbow now")), 1);

  // The next message goes without it.
  Type(QStringLiteral("thanks"));
  QTest::keyClick(Form->Input(), Qt::Key_Return);
  ASSERT_TRUE(Pump([this] { return Corwen->Messages.size() == 2; }));
  EXPECT_EQ(Corwen->Messages[1], QStringLiteral("Alda: thanks"));
  EXPECT_EQ(Corwen->Blobs[1], QStringLiteral("(none)"));
}

TEST_F(AttachReferenceChatTest, DeleteRemovesTheAttachmentAndAFailedSendReleasesItToo) {
  LogIn();
  Attach(QStringLiteral("Notes"), QStringLiteral("more"));
  ASSERT_TRUE(RefListView().isVisibleTo(Form.get()));
  RefListView().setFocus();
  QTest::keyClick(&RefListView(), Qt::Key_Delete);
  EXPECT_FALSE(Attacher().Attachment().Exists());
  EXPECT_FALSE(RefListView().isVisibleTo(Form.get()));

  // A double click on the icon opens the dialog with the attached reference.
  Form->Input()->clear();
  Attach(QStringLiteral("Notes"), QStringLiteral("more"));
  QTest::mouseDClick(RefListView().viewport(), Qt::LeftButton);
  ASSERT_NE(Attacher().AttachForm(), nullptr);
  EXPECT_EQ(Attacher().AttachForm()->RefEdit()->toPlainText(), QStringLiteral("Notes\nmore"));
  Attacher().AttachForm()->CancelButton()->click();
  EXPECT_TRUE(Attacher().Attachment().Exists());

  // The engine refuses a group it does not know; the attachment is released all the same.
  Form->Chatting().Target().QueryPublic(QStringLiteral("No Such Group"));
  EXPECT_ANY_THROW(Form->Chatting().Target().Send(QStringLiteral("hello")));
  EXPECT_FALSE(Attacher().Attachment().Exists());
  EXPECT_FALSE(RefListView().isVisibleTo(Form.get()));
}

} // namespace
} // namespace tessra
