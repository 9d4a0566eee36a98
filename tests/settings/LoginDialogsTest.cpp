#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "settings/CharSelForm.h"
#include "settings/LoginForm.h"
#include "settings/LoginStore.h"
#include "settings/ScriptedPrompt.h"
#include "settings/ServerForm.h"
#include "settings/ServersForm.h"

namespace tessra {
namespace {

QStringList Items(const QComboBox* box) {
  QStringList items;
  for (int i = 0; i < box->count(); ++i) {
    items << box->itemText(i);
  }
  return items;
}

class LoginFormTest : public ::testing::Test {
protected:
  LoginFormTest() {
    MarkBuiltInDimensions(Dimensions);
    Logins.SetLoginPassword(QStringLiteral("zed"), "zpass");
    Logins.SetLoginPassword(QStringLiteral("Alice"), "apass");
    Logins.SetLoginPassword(QStringLiteral("bob"), ""); // saved without a password
  }
  TLoginArray Logins;
  TDimensionList Dimensions;
  TDimensionInfo* Current = nullptr;
  TScriptedPrompt Prompt;
};

TEST_F(LoginFormTest, OpensWithTheLastLoginFilledIn) {
  TLoginForm form(nullptr, Logins, Dimensions, Current, QStringLiteral("ALICE"),
                  QStringLiteral("ostvale"), Prompt);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Tessra+ Login"));
  EXPECT_EQ(Items(form.UserNameBox()), (QStringList{"Alice", "bob", "zed"}));
  EXPECT_TRUE(form.UserNameBox()->isEditable());
  EXPECT_EQ(form.UserName(), QStringLiteral("ALICE"));
  EXPECT_EQ(form.Password(), QStringLiteral("apass"));
  EXPECT_EQ(form.PasswordEdit()->echoMode(), QLineEdit::Password);
  EXPECT_TRUE(form.RememberPassword());
  EXPECT_EQ(Items(form.DimensionBox()),
            (QStringList{"Merovan", "Pellis", "Ostvale", "Test Dimension"}));
  EXPECT_FALSE(form.DimensionBox()->isEditable());
  EXPECT_EQ(form.SelectedDimension(), Dimensions.Get(2));
  EXPECT_EQ(form.ManageButton()->toolTip(), QStringLiteral("Manage Dimensions"));
  EXPECT_EQ(form.focusWidget(), form.PasswordEdit());
}

TEST_F(LoginFormTest, EnterInTheUserNameBoxIsOk) {
  TLoginForm form(nullptr, Logins, Dimensions, Current, QStringLiteral("bob"),
                  QStringLiteral("ostvale"), Prompt);
  form.show();
  QTest::keyClick(form.UserNameBox(), Qt::Key_Return);
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(LoginFormTest, AnUnknownLastDimensionSelectsTheFirstAndNoUserFocusesTheName) {
  TLoginForm form(nullptr, Logins, Dimensions, Current, QString(), QStringLiteral("Gone"), Prompt);
  EXPECT_EQ(form.SelectedDimension(), Dimensions.Get(0));
  EXPECT_TRUE(form.Password().isEmpty());
  EXPECT_FALSE(form.RememberPassword());
  EXPECT_NE(form.focusWidget(), form.PasswordEdit());
}

TEST_F(LoginFormTest, ChangingTheUserNameFillsOrClearsThePassword) {
  TLoginForm form(nullptr, Logins, Dimensions, Current, QStringLiteral("Alice"),
                  QStringLiteral("Merovan"), Prompt);
  struct TStep {
    QString Typed;
    QString Password;
    bool Remember;
  } const steps[] = {
      {"ZED", "zpass", true}, // typed, any letter case
      {"bob", "", false},     // saved without a password
      {"alice", "apass", true},
      {"nobody", "", false}, // not saved at all
  };
  for (const TStep& step : steps) {
    form.UserNameBox()->setEditText(step.Typed);
    EXPECT_EQ(form.Password(), step.Password) << step.Typed.toStdString();
    EXPECT_EQ(form.RememberPassword(), step.Remember) << step.Typed.toStdString();
  }
  // Picking from the drop-down works the same way.
  form.UserNameBox()->setCurrentIndex(2);
  EXPECT_EQ(form.UserName(), QStringLiteral("zed"));
  EXPECT_EQ(form.Password(), QStringLiteral("zpass"));
  EXPECT_TRUE(form.RememberPassword());
}

TEST_F(LoginFormTest, ManageDimensionsRefillsAndKeepsTheShownName) {
  TLoginForm form(nullptr, Logins, Dimensions, Current, QString(), QStringLiteral("Pellis"),
                  Prompt);
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& servers = dynamic_cast<TServersForm&>(dialog);
    servers.AddClick();
    servers.OkButton()->click();
  });
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& details = dynamic_cast<TServerForm&>(dialog);
    details.NameEdit()->setText(QStringLiteral("Local"));
    details.HostEdit()->setText(QStringLiteral("127.0.0.1"));
    details.accept();
  });
  form.ManageButton()->click();
  EXPECT_EQ(Items(form.DimensionBox()),
            (QStringList{"Merovan", "Pellis", "Ostvale", "Test Dimension", "Local"}));
  EXPECT_EQ(form.DimensionBox()->currentText(), QStringLiteral("Pellis"));
  EXPECT_EQ(form.SelectedDimension(), Dimensions.Get(1));

  // Removing the shown one selects the first.
  form.DimensionBox()->setCurrentIndex(4);
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& servers = dynamic_cast<TServersForm&>(dialog);
    servers.ListView()->setCurrentItem(servers.ListView()->topLevelItem(4));
    servers.RemoveClick();
    servers.OkButton()->click();
  });
  Prompt.Answers = {true};
  form.ManageDimensionsClick();
  EXPECT_EQ(form.DimensionBox()->count(), 4);
  EXPECT_EQ(form.SelectedDimension(), Dimensions.Get(0));
}

TEST_F(LoginFormTest, WithNoDimensionsManageAddsOneDirectly) {
  Dimensions.Clear();
  TLoginForm form(nullptr, Logins, Dimensions, Current, QString(), QString(), Prompt);
  EXPECT_EQ(form.SelectedDimension(), nullptr);
  // OK with nowhere to connect to is refused.
  form.accept();
  EXPECT_EQ(Prompt.Messages, QStringList{"Error: Please add a Dimension to connect to."});
  EXPECT_NE(form.result(), QDialog::Accepted);

  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& details = dynamic_cast<TServerForm&>(dialog);
    details.HostEdit()->setText(QStringLiteral("::1"));
    details.accept();
  });
  form.ManageDimensionsClick();
  ASSERT_EQ(Dimensions.Count(), 1);
  EXPECT_EQ(form.SelectedDimension(), Dimensions.Get(0));
  EXPECT_EQ(form.DimensionBox()->currentText(), QStringLiteral("New Dimension"));
  form.accept();
  EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST(CharSelFormTest, PreselectsTheLastCharacterOrElseTheFirstAlphabetically) {
  const QStringList characters{"Zorn", "adam", "Mira"};
  struct TCase {
    QString Last;
    QString Expected;
  } const cases[] = {{"Mira", "Mira"}, {"MIRA", "Mira"}, {"Gone", "adam"}, {"", "adam"}};
  for (const TCase& c : cases) {
    TScriptedPrompt prompt;
    TCharSelForm form(nullptr, characters, c.Last, prompt);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Character Selection"));
    EXPECT_EQ(Items(form.CharacterBox()), (QStringList{"adam", "Mira", "Zorn"}));
    EXPECT_EQ(form.CharacterName(), c.Expected) << c.Last.toStdString();
  }
  TScriptedPrompt prompt;
  TCharSelForm none(nullptr, {}, QStringLiteral("Mira"), prompt);
  EXPECT_TRUE(none.CharacterName().isEmpty());
}

TEST(CharSelFormTest, OkRefusesANameNotOnTheAccountAndKeepsTheTypedCase) {
  TScriptedPrompt prompt;
  TCharSelForm form(nullptr, {"Zorn", "Mira"}, QString(), prompt);
  form.show();
  form.CharacterBox()->setEditText(QStringLiteral("Mir"));
  form.OkButton()->click();
  EXPECT_EQ(prompt.Messages,
            QStringList{"Error: The character Mir is not available for your account."});
  EXPECT_TRUE(form.isVisible());
  form.CharacterBox()->setEditText(QStringLiteral("mIRA"));
  form.OkButton()->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.CharacterName(), QStringLiteral("mIRA"));
}

TEST(CharSelFormTest, EnterInTheNameFieldIsOkAndChecksTheNameOnce) {
  TScriptedPrompt prompt;
  TCharSelForm form(nullptr, {"Zorn", "Mira"}, QStringLiteral("Mira"), prompt);
  form.show();
  // Keys reach the box (the focus widget in a real window) or its line edit.
  form.CharacterBox()->setEditText(QStringLiteral("Nobody"));
  QTest::keyClick(form.CharacterBox(), Qt::Key_Return);
  EXPECT_EQ(prompt.Messages,
            QStringList{"Error: The character Nobody is not available for your account."});
  EXPECT_TRUE(form.isVisible());
  form.CharacterBox()->setEditText(QStringLiteral("Mira"));
  QTest::keyClick(form.CharacterBox()->lineEdit(), Qt::Key_Return);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(prompt.Messages.size(), 1);
}

} // namespace
} // namespace tessra
