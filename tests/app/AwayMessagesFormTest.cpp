#include <memory>
#include <vector>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>
#include <gtest/gtest.h>

#include "PresenterFixture.h"
#include "app/AwayBrowser.h"
#include "app/AwayMessagesForm.h"
#include "app/AwayPage.h"
#include "display/ReferenceRequest.h"
#include "display/References.h"
#include "display/SafeUrl.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"
#include "settings/AwayStore.h"
#include "settings/FileRegistry.h"
#include "settings/SettingsStore.h"

namespace tessra::testing {
namespace {

const QString kHead = QStringLiteral(
    "<body leftmargin=\"0\" rightmargin=\"0\" topmargin=\"0\" bottommargin=\"0\" "
    "bgcolor=\"#FFFFFF\">\r\n"
    "<STYLE TYPE=\"text/css\"><!-- .tessra { font-size: 11px; font-family: \"Verdana\", "
    "sans-serif; }--></STYLE><span class=\"tessra\"><font color=\"#000000\">\r\n");
const QString kTail = QStringLiteral("</font></span></body>\r\n");

QString Line(const QString& stamp, const QString& text) {
  return QStringLiteral("<font color=\"#808080\">") + stamp +
         QStringLiteral("</font>&nbsp;<font color=\"#800080\">"
                        "<a href=\"charlink://Tyrin\" title=\"Query Tyrin\">Tyrin</a>: ") +
         text + QStringLiteral("</font></font>");
}

TAwayPageSettings PageSettings() {
  TAwayPageSettings settings;
  settings.BackgroundColor = QColor(0xFF, 0xFF, 0xFF);
  settings.TimestampFormat = QStringLiteral("[hh:nn]");
  settings.TimestampColor = QColor(0x80, 0x80, 0x80);
  settings.Locale = EnglishLocale();
  return settings;
}

// Tyrin's two messages: a plain one with a quote entity and a line break, then one whose text
// blob marks a word.
void AddTyrin(TAwayList& store) {
  TAwayCharacter& tyrin = store.Add(QStringLiteral("Tyrin"));
  tyrin.Messages().Add("hello &QUOT;you&quot;\r\nnext", nullptr, FixedTime());
  const TTextBlob blob("the reference");
  tyrin.Messages().Add("\x11Sword\x12 for you", &blob, FixedTime().addSecs(60));
}

// The page as the template has it; the reference key is generated, so it is read back.
QString ExpectedTyrinPage(const QString& page) {
  const QRegularExpressionMatch key =
      QRegularExpression(QStringLiteral("reflink://([0-9A-F]{32})")).match(page);
  EXPECT_TRUE(key.hasMatch());
  return kHead +
         Line(QStringLiteral("[14:06]"),
              QStringLiteral("<a title=\"Display reference\" href=\"reflink://") + key.captured(1) +
                  QStringLiteral("\">Sword</a> for you")) +
         QStringLiteral("\r\n<br>\r\n") +
         Line(QStringLiteral("[14:05]"), QStringLiteral("hello \"you\"<br>next")) +
         QStringLiteral("\r\n") + kTail;
}

TEST(AwayPageTest, PageOfASenderByteForByte) {
  TAwayList store;
  AddTyrin(store);
  TBlobList blobs;
  TManualTickSource ticks;
  TReferenceRequest request(ticks);
  TReferences references(blobs, request);
  const QString page = BuildAwayPage(store.Get(0), PageSettings(), references);
  EXPECT_EQ(page, ExpectedTyrinPage(page));
  EXPECT_EQ(blobs.Count(), 1);
}

TEST(AwayPageTest, ColourCodesAndItemLinksBecomeBrowserMarkup) {
  TAwayList store;
  TAwayCharacter& tyrin = store.Add(QStringLiteral("Tyrin"));
  // A colour code, text in the background colour, and an item link.
  tyrin.Messages().Add("\x10\x04"
                       "red <font color=\"#FFFFFF\">hidden</font> "
                       "<a href=\"itemref://11/22/33\">Sword</a>",
                       nullptr, FixedTime());
  TBlobList blobs;
  TManualTickSource ticks;
  TReferenceRequest request(ticks);
  TReferences references(blobs, request);
  const QString line =
      AwayMessageLine(tyrin.Name(), tyrin.Messages().Get(0), PageSettings(), references);
  EXPECT_FALSE(line.contains(QStringLiteral("#FFFFFF")));
  EXPECT_TRUE(line.contains(QStringLiteral("<font color=\"#800080\">hidden")));
  EXPECT_FALSE(line.contains(QChar(0x10)));
  EXPECT_TRUE(line.contains(QStringLiteral("</font><font color=\"#00FFFF\">red")));
  // The item reference can be opened from the page too.
  EXPECT_TRUE(line.contains(QRegularExpression(
      QStringLiteral("<a title=\"ItemDB: Sword\" href=\"reflink://[0-9A-F]{32}\">Sword</a>"))))
      << line.toStdString();
}

class AwayMessagesFormTest : public ::testing::Test {
protected:
  AwayMessagesFormTest() {
    Urls.Opener = [this](const QUrl& url) {
      Opened.push_back(url);
      return true;
    };
    Urls.OnRefused = [this](TSafeUrl*, const QString& line) { Refused.push_back(line); };
    Form = MakeForm();
  }

  std::unique_ptr<TAwayMessagesForm> MakeForm(TRegistry* registry = nullptr) {
    TAwayMessagesForm::TOptions options;
    options.TempDir = Temp.path();
    options.Registry = registry;
    auto form = std::make_unique<TAwayMessagesForm>(Store, Urls, options);
    form->setAttribute(Qt::WA_DeleteOnClose, false);
    form->PageSettings = PageSettings;
    form->Locale = EnglishLocale();
    form->QueryChar = [this](const QString& name) { Queried.push_back(name); };
    form->ReferenceActions().ShowReference = [this](const QString& text) {
      References.push_back(text);
    };
    form->ItemDb() = [] { return QStringLiteral("veyradb"); };
    form->OnClearMessages = [this](TAwayMessagesForm&) { ++Cleared; };
    return form;
  }

  QString Row(int i, int column) const { return Form->SenderList()->topLevelItem(i)->text(column); }
  bool RowRead(int i) const {
    return Form->SenderList()->topLevelItem(i)->data(0, TAwayMessagesForm::kViewedRole).toBool();
  }
  QTreeWidgetItem* Selected() const {
    const auto rows = Form->SenderList()->selectedItems();
    return rows.isEmpty() ? nullptr : rows.constFirst();
  }
  static QString Read(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    return QString::fromUtf8(file.readAll());
  }

  QTemporaryDir Temp;
  TAwayList Store;
  TSafeUrl Urls;
  std::vector<QUrl> Opened;
  std::vector<QString> Refused;
  std::vector<QString> Queried;
  std::vector<QString> References;
  int Cleared = 0;
  std::unique_ptr<TAwayMessagesForm> Form;
};

TEST_F(AwayMessagesFormTest, LayoutMenusAndToolbar) {
  EXPECT_EQ(Form->objectName(), QStringLiteral("AwayMessagesForm"));
  EXPECT_EQ(Form->windowTitle(), QStringLiteral("Logged Away Messages"));
  EXPECT_TRUE(Form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
  QTreeWidget* list = Form->SenderList();
  ASSERT_EQ(list->columnCount(), 3);
  EXPECT_EQ(list->headerItem()->text(0), QStringLiteral("Character"));
  EXPECT_EQ(list->headerItem()->text(1), QStringLiteral("Messages"));
  EXPECT_EQ(list->headerItem()->text(2), QStringLiteral("Last Message"));
  EXPECT_EQ(list->selectionBehavior(), QAbstractItemView::SelectRows);
  EXPECT_FALSE(Form->Browser()->openLinks());
  EXPECT_EQ(Form->ClearAction()->text(), QStringLiteral("Clear Messages"));
  EXPECT_EQ(Form->RefreshAction()->text(), QStringLiteral("Refresh Messages"));
  EXPECT_EQ(Form->CloseAction()->text(), QStringLiteral("Close"));
  QStringList menus;
  for (QAction* menu : Form->menuBar()->actions()) {
    menus << menu->text();
  }
  EXPECT_EQ(menus, (QStringList{QStringLiteral("&File"), QStringLiteral("&Actions")}));
}

TEST_F(AwayMessagesFormTest, SenderListIsSortedShowsCountsAndMarksReadRows) {
  AddTyrin(Store);
  TAwayCharacter& ann = Store.Add(QStringLiteral("ann"));
  ann.Messages().Add("hi", nullptr, FixedTime().addSecs(120));
  Form->RefreshList();
  QTreeWidget* list = Form->SenderList();
  ASSERT_EQ(list->topLevelItemCount(), 2);
  EXPECT_EQ(Row(0, 0), QStringLiteral("ann")); // sorted by name, letter case ignored
  EXPECT_EQ(Row(1, 0), QStringLiteral("Tyrin"));
  EXPECT_EQ(Row(1, 1), QStringLiteral("2"));
  EXPECT_EQ(Row(1, 2),
            TAwayMessagesForm::LastMessageText(FixedTime().addSecs(60), EnglishLocale()));
  EXPECT_FALSE(Row(1, 2).isEmpty());
  // The first row is selected and its page shown: read now; Tyrin is still unread.
  ASSERT_EQ(Selected(), list->topLevelItem(0));
  EXPECT_EQ(Form->ShownName(), QStringLiteral("ANN"));
  EXPECT_TRUE(ann.Viewed);
  EXPECT_TRUE(RowRead(0));
  EXPECT_FALSE(RowRead(1));

  list->setCurrentItem(list->topLevelItem(1));
  EXPECT_EQ(Form->ShownName(), QStringLiteral("TYRIN"));
  const QString page = Read(Form->ShownPage());
  EXPECT_EQ(page, ExpectedTyrinPage(page));
  EXPECT_EQ(QFileInfo(Form->ShownPage()).absolutePath(), QDir(Temp.path()).filePath("tessra_refs"));
  EXPECT_TRUE(
      QFileInfo(Form->ShownPage())
          .fileName()
          .contains(QRegularExpression(QStringLiteral(
              "^\\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\}\\.html$"))));
  EXPECT_EQ(Form->Browser()->source(), QUrl::fromLocalFile(Form->ShownPage()));
  EXPECT_TRUE(Form->Browser()->toPlainText().contains(QStringLiteral("Sword for you")));
  EXPECT_TRUE(RowRead(1));

  // A refresh keeps the selection; a new message makes the sender unread and its page new.
  const QString before = Form->ShownPage();
  Form->RefreshList();
  EXPECT_EQ(Selected()->text(0), QStringLiteral("Tyrin"));
  EXPECT_EQ(Form->ShownPage(), before);
  Store.Get(0).Messages().Add("third", nullptr, FixedTime().addSecs(180));
  Store.Get(0).Viewed = false;
  Form->RefreshList();
  EXPECT_NE(Form->ShownPage(), before);
  EXPECT_TRUE(Read(Form->ShownPage()).contains(QStringLiteral(": third</font>")));

  // "Refresh Messages" builds the page again.
  const QString again = Form->ShownPage();
  Form->RefreshAction()->trigger();
  EXPECT_NE(Form->ShownPage(), again);
  EXPECT_EQ(Form->PageFiles().value(QFileInfo(again).fileName()), QStringLiteral("Tyrin"));
}

TEST_F(AwayMessagesFormTest, LinksAreHandledBeforeTheBrowserGoesAnywhere) {
  AddTyrin(Store);
  Store.Add(QStringLiteral("Ann")).Messages().Add("hi", nullptr, FixedTime());
  Form->RefreshList(); // Ann's page
  const QString annPage = Form->ShownPage();
  Form->SenderList()->setCurrentItem(Form->SenderList()->topLevelItem(1)); // Tyrin's page
  const QString page = Read(Form->ShownPage());
  const QString key =
      QRegularExpression(QStringLiteral("reflink://([0-9A-F]{32})")).match(page).captured(1);
  ASSERT_FALSE(key.isEmpty());

  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("charlink://Tyrin")));
  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("charlink://Tyrin/")));
  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("charlink://tyrin"))); // as stored
  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("charlink://Stranger")));
  EXPECT_EQ(Queried, (std::vector<QString>{QStringLiteral("Tyrin"), QStringLiteral("Tyrin"),
                                           QStringLiteral("Tyrin"), QStringLiteral("Stranger")}));

  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("reflink://") + key.toLower() + "/"));
  EXPECT_EQ(References, std::vector<QString>{QStringLiteral("the reference")});
  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("reflink://0123456789ABCDEF0123456789ABCDEF")));
  EXPECT_EQ(References.size(), 1u); // a key no longer kept does nothing

  // A page of the viewer's own selects its sender's row, and the browser goes there.
  EXPECT_TRUE(Form->BeforeNavigate(QUrl::fromLocalFile(annPage).toString()));
  EXPECT_EQ(Selected()->text(0), QStringLiteral("Ann"));
  EXPECT_EQ(Form->ShownName(), QStringLiteral("ANN"));

  // Anything else a message links to never opens in the viewer: web addresses go to the
  // desktop, the rest is refused.
  const QUrl shown = Form->Browser()->source();
  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("https://example.com/x")));
  EXPECT_FALSE(Form->BeforeNavigate(QStringLiteral("file:///etc/passwd")));
  EXPECT_EQ(Opened, std::vector<QUrl>{QUrl(QStringLiteral("https://example.com/x"))});
  EXPECT_EQ(Refused.size(), 1u);
  EXPECT_EQ(Form->Browser()->source(), shown);
  EXPECT_TRUE(Queried.size() == 4u && References.size() == 1u);
}

TEST_F(AwayMessagesFormTest, TheBrowserLoadsNothingButTheViewersPages) {
  AddTyrin(Store);
  Form->RefreshList();
  TAwayBrowser& browser = *Form->Browser();
  const QUrl page = QUrl::fromLocalFile(Form->ShownPage());
  EXPECT_TRUE(browser.loadResource(QTextDocument::HtmlResource, page)
                  .toString()
                  .startsWith(QStringLiteral("<body")));
  QFile other(Temp.filePath(QStringLiteral("other.html")));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("<b>secret</b>");
  other.close();
  EXPECT_FALSE(
      browser.loadResource(QTextDocument::HtmlResource, QUrl::fromLocalFile(other.fileName()))
          .isValid());
  EXPECT_FALSE(browser.loadResource(QTextDocument::ImageResource, page).isValid());
  EXPECT_FALSE(
      browser.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("file:///dev/zero")))
          .isValid());
}

TEST_F(AwayMessagesFormTest, ClearMessagesEmptiesTheStoreAndTheBrowser) {
  AddTyrin(Store);
  Form->RefreshList();
  Form->ClearAction()->trigger();
  EXPECT_EQ(Store.Count(), 0);
  EXPECT_EQ(Cleared, 1);
  EXPECT_EQ(Form->SenderList()->topLevelItemCount(), 0);
  EXPECT_EQ(Form->Browser()->source(), QUrl(QStringLiteral("about:blank")));
  EXPECT_TRUE(Form->Browser()->toPlainText().isEmpty());
}

TEST_F(AwayMessagesFormTest, PlacementIsSavedAndThePagesFolderGoesWithTheViewer) {
  TFileRegistry registry(Temp.filePath(QStringLiteral("settings.json")));
  Form = MakeForm(&registry);
  AddTyrin(Store);
  Form->RefreshList();
  const QString folder = QDir(Temp.path()).filePath(QStringLiteral("tessra_refs"));
  EXPECT_TRUE(QFileInfo::exists(Form->ShownPage()));
  // Nothing of the removal may land in the current folder.
  QTemporaryDir current;
  const QString before = QDir::currentPath();
  ASSERT_TRUE(QDir::setCurrent(current.path()));
  Form->show();
  Form->close();
  EXPECT_TRUE(registry.OpenKey(kMessagesFormPath + QStringLiteral("\\Position"), false));
  Form.reset();
  EXPECT_FALSE(QDir(folder).exists());
  EXPECT_TRUE(QDir(current.path()).isEmpty());
  QDir::setCurrent(before);
}

} // namespace
} // namespace tessra::testing
