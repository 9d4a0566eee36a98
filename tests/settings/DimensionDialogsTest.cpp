#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>
#include <gtest/gtest.h>

#include "QtPrinters.h"

#include "settings/LoginStore.h"
#include "settings/ScriptedPrompt.h"
#include "settings/ServerForm.h"
#include "settings/ServersForm.h"

namespace tessra {
namespace {

// The engine's list as the main window has it: the four built-in dimensions
// marked, then one user dimension.
class DimensionDialogsTest : public ::testing::Test {
protected:
  DimensionDialogsTest() {
    MarkBuiltInDimensions(List);
    List.AddNew(QStringLiteral("Home"), QStringLiteral("My server"), 7200,
                QStringLiteral("127.0.0.1"));
  }
  TDimensionList List;
  TScriptedPrompt Prompt;

  static void Enter(QDialog& dialog, const QString& name, const QString& host, int port,
                    const QString& description = {}) {
    auto& details = dynamic_cast<TServerForm&>(dialog);
    details.NameEdit()->setText(name);
    details.HostEdit()->setText(host);
    details.PortEdit()->setValue(port);
    details.DescriptionEdit()->setPlainText(description);
  }
  static void Select(TServersForm& form, int row) {
    form.ListView()->setCurrentItem(form.ListView()->topLevelItem(row));
  }
  static QStringList Rows(const TServersForm& form) {
    QStringList rows;
    for (int i = 0; i < form.ListView()->topLevelItemCount(); ++i) {
      rows << form.ListView()->topLevelItem(i)->text(0);
    }
    return rows;
  }
  static QStringList Names(const TDimensionList& list) {
    QStringList names;
    for (int i = 0; i < list.Count(); ++i) {
      names << list.Get(i)->Name;
    }
    return names;
  }
};

TEST_F(DimensionDialogsTest, DetailsChecksNameHostPortAndDuplicatesInThatOrder) {
  struct TCase {
    QString Name, Host;
    int Port;
    QString Message;
    const char* Focus;
  } const cases[] = {
      {"  ", "", 0, "Information: You must specify a name for the Dimension.", "name"},
      {"Mine", " ", 0, "Information: You must specify a host for the Dimension.", "host"},
      {"Mine", "h", 0, "Information: You must specify a port for the Dimension.", "port"},
      {"HOME", "h", 1,
       "Information: There is already a Dimension named 'Home'.  Please choose another name.",
       "name"},
      {" merovan ", "h", 1,
       "Information: There is already a Dimension named 'Merovan'.  Please choose another name.",
       "name"},
      {"a\\b", "h", 1, "Information: The name of a Dimension cannot contain a backslash.", "name"},
      {" Mine ", " h ", 1, "", nullptr},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name.toStdString() + "/" + c.Host.toStdString());
    TScriptedPrompt prompt;
    TServerForm form(nullptr, prompt);
    form.SetTakenNames(Names(List));
    form.show();
    Enter(form, c.Name, c.Host, c.Port);
    form.accept();
    if (c.Focus == nullptr) {
      EXPECT_TRUE(prompt.Messages.isEmpty());
      EXPECT_EQ(form.result(), QDialog::Accepted);
      TDimensionInfo entered;
      form.ApplyTo(entered);
      // Trimming is only for the checks; the values are kept as typed.
      EXPECT_EQ(entered.Name, QStringLiteral(" Mine "));
      EXPECT_EQ(entered.Host, QStringLiteral(" h "));
      continue;
    }
    EXPECT_EQ(prompt.Messages, QStringList{c.Message});
    EXPECT_TRUE(form.isVisible());
    const QWidget* expected = QString::fromLatin1(c.Focus) == QLatin1String("name")
                                  ? static_cast<QWidget*>(form.NameEdit())
                              : QString::fromLatin1(c.Focus) == QLatin1String("host")
                                  ? static_cast<QWidget*>(form.HostEdit())
                                  : static_cast<QWidget*>(form.PortEdit());
    EXPECT_EQ(form.focusWidget(), expected);
  }
}

TEST_F(DimensionDialogsTest, NewDimensionStartsAt7012AndReturnsWhatWasEntered) {
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& details = dynamic_cast<TServerForm&>(dialog);
    EXPECT_EQ(details.windowTitle(), QStringLiteral("Dimension Details"));
    EXPECT_EQ(details.NameEdit()->text(), QStringLiteral("New Dimension"));
    EXPECT_EQ(details.PortEdit()->value(), 7012);
    EXPECT_TRUE(details.HostEdit()->text().isEmpty());
    EXPECT_TRUE(details.OkButton()->isEnabled());
    details.HostEdit()->setText(QStringLiteral("::1"));
    details.DescriptionEdit()->setPlainText(QStringLiteral("line one\nline two"));
    details.accept();
  });
  Prompt.Dialogs.push_back([](QDialog& dialog) { dialog.reject(); });
  auto dimension = TServerForm::NewDimension(nullptr, Prompt, {});
  ASSERT_TRUE(dimension);
  EXPECT_EQ(dimension->Name, QStringLiteral("New Dimension"));
  EXPECT_EQ(dimension->Host, QStringLiteral("::1"));
  EXPECT_EQ(dimension->Port, 7012);
  EXPECT_EQ(dimension->Description, QStringLiteral("line one\r\nline two"));
  EXPECT_FALSE(dimension->BuiltIn);
  EXPECT_FALSE(TServerForm::NewDimension(nullptr, Prompt, {}));
}

TEST_F(DimensionDialogsTest, OpensWithCopiesAndTheFirstRowSelected) {
  TServersForm form(nullptr, List, Prompt);
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Veyra Dimensions"));
  EXPECT_EQ(form.ListView()->headerItem()->text(0), QStringLiteral("Name"));
  EXPECT_EQ(Rows(form), Names(List));
  EXPECT_EQ(form.ListView()->currentItem(), form.ListView()->topLevelItem(0));
  EXPECT_NE(form.Working().Get(4), List.Get(4));
  EXPECT_TRUE(form.Working().Get(0)->BuiltIn);
  // Built-in selected: Change yes, Remove no; user dimension: both.
  EXPECT_TRUE(form.ChangeButton()->isEnabled());
  EXPECT_TRUE(form.AddButton()->isEnabled());
  EXPECT_FALSE(form.RemoveButton()->isEnabled());
  Select(form, 4);
  EXPECT_TRUE(form.RemoveButton()->isEnabled());
  form.ListView()->clearSelection();
  EXPECT_FALSE(form.ChangeButton()->isEnabled());
  EXPECT_FALSE(form.RemoveButton()->isEnabled());
  EXPECT_TRUE(form.AddButton()->isEnabled());
}

TEST_F(DimensionDialogsTest, ABuiltInDimensionCanOnlyBeLookedAt) {
  TServersForm form(nullptr, List, Prompt);
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& details = dynamic_cast<TServerForm&>(dialog);
    EXPECT_EQ(details.TitleLabel()->text(), QStringLiteral("Built-In Veyra Dimension"));
    EXPECT_EQ(details.NameEdit()->text(), QStringLiteral("Merovan"));
    EXPECT_EQ(details.PortEdit()->value(), 7105);
    EXPECT_FALSE(details.NameEdit()->isEnabled());
    EXPECT_FALSE(details.HostEdit()->isEnabled());
    EXPECT_FALSE(details.PortEdit()->isEnabled());
    EXPECT_FALSE(details.DescriptionEdit()->isEnabled());
    EXPECT_FALSE(details.OkButton()->isEnabled());
    details.NameEdit()->setText(QStringLiteral("Hacked"));
    details.accept(); // OK is disabled: nothing happens
    EXPECT_NE(details.result(), QDialog::Accepted);
  });
  form.ChangeClick();
  EXPECT_EQ(form.Working().Get(0)->Name, QStringLiteral("Merovan"));
  EXPECT_EQ(Prompt.DialogsRun, 1);
}

TEST_F(DimensionDialogsTest, ChangeAddRemoveWorkOnTheCopyUntilOk) {
  TServersForm form(nullptr, List, Prompt);
  // Change the user dimension.
  Select(form, 4);
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& details = dynamic_cast<TServerForm&>(dialog);
    EXPECT_EQ(details.TitleLabel()->text(), QStringLiteral("Edit Veyra Dimension"));
    EXPECT_EQ(details.HostEdit()->text(), QStringLiteral("127.0.0.1"));
    EXPECT_EQ(details.DescriptionEdit()->toPlainText(), QStringLiteral("My server"));
    details.NameEdit()->setText(QStringLiteral("Home 2"));
    details.PortEdit()->setValue(7300);
    details.accept();
  });
  form.ChangeClick();
  EXPECT_EQ(Rows(form).at(4), QStringLiteral("Home 2"));
  EXPECT_EQ(form.Working().Get(4)->Port, 7300);
  EXPECT_EQ(List.Get(4)->Name, QStringLiteral("Home"));

  // Add one: appended and selected.
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    Enter(dialog, QStringLiteral("Lab"), QStringLiteral("::1"), 9000);
    dialog.accept();
  });
  form.AddClick();
  EXPECT_EQ(Rows(form).last(), QStringLiteral("Lab"));
  EXPECT_EQ(form.ListView()->currentItem(), form.ListView()->topLevelItem(5));
  EXPECT_TRUE(form.RemoveButton()->isEnabled());

  // Adding a name already present is refused in the details dialog.
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    Enter(dialog, QStringLiteral("lab"), QStringLiteral("::1"), 9000);
    dialog.accept();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    dialog.reject();
  });
  form.AddClick();
  EXPECT_EQ(form.Working().Count(), 6);

  // Remove asks first; No keeps it, Yes removes it.
  Select(form, 4);
  Prompt.Answers = {false, true};
  form.RemoveClick();
  EXPECT_EQ(form.Working().Count(), 6);
  form.RemoveClick();
  EXPECT_EQ(Rows(form), (QStringList{"Merovan", "Pellis", "Ostvale", "Test Dimension", "Lab"}));
  EXPECT_EQ(Prompt.Messages.filter(QStringLiteral("Question:")),
            (QStringList{"Question: Are you sure you want to remove the 'Home 2' Dimension?",
                         "Question: Are you sure you want to remove the 'Home 2' Dimension?"}));
  EXPECT_EQ(Names(List).size(), 5); // untouched until OK

  // With nothing selected both say so.
  form.ListView()->clearSelection();
  Prompt.Messages.clear();
  form.ChangeClick();
  form.RemoveClick();
  EXPECT_EQ(Prompt.Messages,
            (QStringList{"Error: Please select a Dimension configuration to change.",
                         "Error: Please select a Dimension configuration to remove."}));

  TDimensionInfo* current = List.Get(1);
  current = form.Commit(List, current);
  EXPECT_EQ(Names(List), (QStringList{"Merovan", "Pellis", "Ostvale", "Test Dimension", "Lab"}));
  EXPECT_TRUE(List.Get(0)->BuiltIn);
  EXPECT_FALSE(List.Get(4)->BuiltIn);
  EXPECT_EQ(List.Get(4)->Port, 9000);
  ASSERT_NE(current, nullptr);
  EXPECT_EQ(current, List.Get(1));
}

TEST_F(DimensionDialogsTest, CommittingKeepsTheEnginesDimensionValid) {
  TDimensionInfo* current = List.Get(4); // connected to "Home"
  // Rename it: the engine follows the renamed entry.
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& form = dynamic_cast<TServersForm&>(dialog);
    Select(form, 4);
    form.ChangeClick();
    form.OkButton()->click();
  });
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    dynamic_cast<TServerForm&>(dialog).NameEdit()->setText(QStringLiteral("Away"));
    dialog.accept();
  });
  ASSERT_TRUE(TServersForm::ManageDimensions(nullptr, List, current, Prompt));
  ASSERT_EQ(List.IndexOf(current), 4);
  EXPECT_EQ(current->Name, QStringLiteral("Away"));

  // Cancel changes nothing.
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& form = dynamic_cast<TServersForm&>(dialog);
    Select(form, 4);
    form.RemoveClick();
    form.CancelButton()->click();
  });
  Prompt.Answers = {true};
  TDimensionInfo* const before = current;
  EXPECT_FALSE(TServersForm::ManageDimensions(nullptr, List, current, Prompt));
  EXPECT_EQ(current, before);
  EXPECT_EQ(List.Count(), 5);

  // Removing it leaves the engine without a dimension instead of a dangling one.
  Prompt.Dialogs.push_back([](QDialog& dialog) {
    auto& form = dynamic_cast<TServersForm&>(dialog);
    Select(form, 4);
    form.RemoveClick();
    form.OkButton()->click();
  });
  Prompt.Answers = {true};
  EXPECT_TRUE(TServersForm::ManageDimensions(nullptr, List, current, Prompt));
  EXPECT_EQ(current, nullptr);
  EXPECT_EQ(List.Count(), 4);
}

} // namespace
} // namespace tessra
