#include "OptionsForm.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "AutoConnectFrame.h"
#include "AwayOptionsFrame.h"
#include "ChatWindowFrame.h"
#include "FontsFrame.h"
#include "LoggingFrame.h"
#include "SOCKSFrame.h"
#include "VeyraFrame.h"

namespace tessra {

namespace {

template <class TPage> TOptionPage::TPageClass PageClassOf() {
  return [](TOptionsHost& host, QWidget* parent) -> TOptionBaseFrame* {
    return new TPage(host, parent);
  };
}

} // namespace

TOptionsForm::TOptionsForm(TOptionsHost& host, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint |
                          Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Host(host) {
  setObjectName(QStringLiteral("OptionsForm"));
  setWindowTitle(QStringLiteral("Tessra+ Options"));
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);

  const QString general = QStringLiteral("General Settings");
  const QString visual = QStringLiteral("Visual Settings");
  PageTable.push_back(
      {general, QStringLiteral("Connection"), {}, PageClassOf<TAutoConnectFrame>()});
  PageTable.push_back({general, QStringLiteral("SOCKS Proxy"), {}, PageClassOf<TSOCKSFrame>()});
  PageTable.push_back({general, QStringLiteral("Logging"), {}, PageClassOf<TLoggingFrame>()});
  PageTable.push_back(
      {general, QStringLiteral("Away Options"), {}, PageClassOf<TAwayOptionsFrame>()});
  PageTable.push_back({general, QStringLiteral("Veyra Options"), {}, PageClassOf<TVeyraFrame>()});
  PageTable.push_back({visual, QStringLiteral("Fonts & Colors"), {}, PageClassOf<TFontsFrame>()});
  PageTable.push_back({visual, QStringLiteral("Chat Window"), {}, PageClassOf<TChatWindowFrame>()});

  TreeView = new QTreeWidget(this);
  TreeView->setObjectName(QStringLiteral("TreeView"));
  TreeView->setHeaderHidden(true);
  TreeView->setRootIsDecorated(false);
  TreeView->setItemsExpandable(false);
  TreeView->setEditTriggers(QAbstractItemView::NoEditTriggers);
  TreeView->setIndentation(12);
  TreeView->setFixedWidth(130);
  BuildTree();

  auto* captionBar = new QFrame(this);
  captionBar->setObjectName(QStringLiteral("CaptionBar"));
  captionBar->setFrameShape(QFrame::StyledPanel);
  captionBar->setAutoFillBackground(true);
  QPalette barPalette = captionBar->palette();
  barPalette.setColor(QPalette::Window, barPalette.color(QPalette::Highlight));
  barPalette.setColor(QPalette::WindowText, barPalette.color(QPalette::HighlightedText));
  captionBar->setPalette(barPalette);
  Caption = new QLabel(captionBar);
  Caption->setObjectName(QStringLiteral("CaptionLabel"));
  Caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  QFont captionFont = Caption->font();
  captionFont.setBold(true);
  Caption->setFont(captionFont);
  auto* barLayout = new QHBoxLayout(captionBar);
  barLayout->setContentsMargins(6, 3, 6, 3);
  barLayout->addWidget(Caption);

  HolderPanel = new QWidget(this);
  HolderPanel->setObjectName(QStringLiteral("HolderPanel"));
  HolderPanel->setFixedSize(TOptionBaseFrame::kDesignSize);
  auto* holderLayout = new QGridLayout(HolderPanel);
  holderLayout->setContentsMargins(0, 0, 0, 0);

  OkBtn = new QPushButton(QStringLiteral("Ok"), this);
  OkBtn->setDefault(true);
  CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);

  auto* right = new QVBoxLayout;
  right->addWidget(captionBar);
  right->addWidget(HolderPanel, 1);
  auto* top = new QHBoxLayout;
  top->addWidget(TreeView);
  top->addLayout(right, 1);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(OkBtn);
  buttons->addWidget(CancelBtn);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(top, 1);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  connect(OkBtn, &QPushButton::clicked, this, [this] { OkButtonClick(); });
  connect(CancelBtn, &QPushButton::clicked, this, [this] { CancelButtonClick(); });
  connect(TreeView, &QTreeWidget::itemPressed, this,
          [this](QTreeWidgetItem* item) { ShowPage(item); });
  TreeView->installEventFilter(this);

  // Opening shows the first page of the first category.
  QTreeWidgetItem* first = TreeView->topLevelItem(0)->child(0);
  TreeView->setCurrentItem(first);
  ShowPage(first);

  adjustSize();
  if (const QScreen* screen =
          parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen()) {
    QRect frame = rect();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
  }
}

TOptionsForm::~TOptionsForm() {
  Closing = true;
  TreeView->removeEventFilter(this);
}

void TOptionsForm::BuildTree() {
  QTreeWidgetItem* category = nullptr;
  for (const TOptionPage& page : PageTable) {
    if (category == nullptr || category->text(0) != page.Category) {
      category = new QTreeWidgetItem(TreeView, QStringList{page.Category});
    }
    new QTreeWidgetItem(category, QStringList{page.PageName});
  }
  TreeView->expandAll();
}

TOptionBaseFrame* TOptionsForm::Page(const QString& pageName) const {
  for (const TOptionPage& page : PageTable) {
    if (page.PageName == pageName) {
      return page.Instance.data();
    }
  }
  return nullptr;
}

QTreeWidgetItem* TOptionsForm::Node(const QString& pageName) const {
  for (int i = 0; i < TreeView->topLevelItemCount(); ++i) {
    QTreeWidgetItem* category = TreeView->topLevelItem(i);
    for (int j = 0; j < category->childCount(); ++j) {
      if (category->child(j)->text(0) == pageName) {
        return category->child(j);
      }
    }
  }
  return nullptr;
}

void TOptionsForm::ShowPage(QTreeWidgetItem* node) {
  if (Closing || node == nullptr || node->parent() == nullptr) {
    return;
  }
  TOptionPage* row = nullptr;
  for (TOptionPage& page : PageTable) {
    if (page.PageName.compare(node->text(0), Qt::CaseInsensitive) == 0 &&
        page.Category.compare(node->parent()->text(0), Qt::CaseInsensitive) == 0) {
      row = &page;
      break;
    }
  }
  if (row == nullptr || (row->Instance != nullptr && row->Instance == Current)) {
    return;
  }
  for (const TOptionPage& page : PageTable) {
    if (page.Instance != nullptr) {
      page.Instance->hide();
    }
  }
  if (row->Instance == nullptr) {
    TOptionBaseFrame* created = row->PageClass(Host, HolderPanel);
    static_cast<QGridLayout*>(HolderPanel->layout())->addWidget(created, 0, 0);
    row->Instance = created;
    created->LoadOptions();
  }
  Current = row->Instance.data();
  Current->show();
  Caption->setText(node->text(0) + QStringLiteral("..."));
}

void TOptionsForm::OkButtonClick() {
  if (Closing) {
    return;
  }
  for (const TOptionPage& page : PageTable) {
    if (page.Instance != nullptr) {
      page.Instance->ApplyOptions();
    }
  }
  accept();
}

void TOptionsForm::CancelButtonClick() {
  reject();
}

void TOptionsForm::done(int result) {
  Closing = true;
  QDialog::done(result);
}

bool TOptionsForm::eventFilter(QObject* watched, QEvent* e) {
  if (watched == TreeView && e->type() == QEvent::KeyRelease) {
    const int key = static_cast<QKeyEvent*>(e)->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
      ShowPage(TreeView->currentItem());
    }
  }
  return QDialog::eventFilter(watched, e);
}

void TOptionsForm::closeEvent(QCloseEvent* e) {
  Closing = true;
  QDialog::closeEvent(e);
}

} // namespace tessra
