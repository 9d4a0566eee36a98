#include "app/ReferenceAttacher.h"

#include <QAction>
#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QTextDocument>
#include <QTextEdit>

#include "display/AttachForm.h"
#include "display/ChatTextCodec.h"
#include "display/ColorCodes.h"
#include "display/ReferenceLabel.h"
#include "display/RichTextTransforms.h"
#include "engine/VeyraBlob.h"
#include "settings/Prompt.h"

namespace tessra {

namespace {

// A small page with lines of text in the reference colour.
QIcon ReferenceIcon() {
  constexpr int kSize = 32;
  QPixmap picture(kSize, kSize);
  picture.fill(Qt::transparent);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  const QRectF page(6.5, 2.5, 19, 27);
  painter.setPen(QPen(QColor(0x40, 0x40, 0x60), 1));
  painter.setBrush(QColor(0x10, 0x10, 0x18));
  painter.drawRoundedRect(page, 2, 2);
  painter.setPen(QPen(QColor::fromRgb(kReferenceColor), 2));
  for (int row = 0; row < 5; ++row) {
    const qreal y = 8 + row * 4.5;
    painter.drawLine(QPointF(10, y), QPointF(row == 4 ? 17 : 22, y));
  }
  painter.end();
  return QIcon(picture);
}

} // namespace

TReferenceAttacher::TReferenceAttacher(TParts parts) : Parts(std::move(parts)) {
  QListWidget& view = *Parts.RefListView;
  auto* item = new QListWidgetItem(ReferenceIcon(), QString(), &view);
  item->setToolTip(QStringLiteral("Attached reference: double-click to change it, Delete to "
                                  "remove it"));
  item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
  view.setToolTip(item->toolTip());
  view.installEventFilter(this);
  view.viewport()->installEventFilter(this);
  view.setVisible(false);

  Attached.OnChange = [this](TAttachment&) { ShowAttachment(); };
  connect(Parts.AttachAction, &QAction::triggered, this, [this] { AttachActionExecute(); });
}

TReferenceAttacher::~TReferenceAttacher() {
  Parts.RefListView->removeEventFilter(this);
  Parts.RefListView->viewport()->removeEventFilter(this);
  if (Dialog) {
    // The dialog is the window's child and goes with it; nothing it does may reach here.
    Dialog->OnAttach = nullptr;
    Dialog->OnError = nullptr;
    Dialog->ExecDialog = [](QDialog&) { return int(QDialog::Rejected); };
  }
}

TAttachForm* TReferenceAttacher::AttachForm() const {
  return Dialog.data();
}

QColor TReferenceAttacher::DefaultColor() const {
  return Parts.DefaultColor ? Parts.DefaultColor() : Parts.Input->palette().color(QPalette::Text);
}

void TReferenceAttacher::ShowAttachment() {
  Parts.RefListView->setVisible(Attached.Exists());
}

void TReferenceAttacher::AttachActionExecute() {
  if (!Dialog) {
    Dialog = new TAttachForm(Parts.Window);
    TPrompt* prompt = Parts.Prompt;
    if (prompt != nullptr) {
      Dialog->ExecDialog = [prompt](QDialog& dialog) { return prompt->ExecDialog(dialog); };
    }
    Dialog->OnAttach = [this](TAttachForm&, const QTextDocument& reference) {
      AttachReference(reference);
    };
    Dialog->OnError = [this](TAttachForm&, const QString& message) {
      if (Parts.ErrorLine) {
        Parts.ErrorLine(message);
      }
    };
    Dialog->LoadAttachment(Attached);
  }
  Dialog->show();
  Dialog->raise();
  Dialog->activateWindow();
}

void TReferenceAttacher::AttachReference(const QTextDocument& reference) {
  if (!tessra::AttachReference(reference, *Parts.Input, Attached)) {
    return;
  }
  if (Parts.TypingColorRestored) {
    Parts.TypingColorRestored();
  }
  // Back to typing the message the reference goes with.
  if (Parts.Window != nullptr) {
    Parts.Window->activateWindow();
  }
  Parts.Input->setFocus();
}

void TReferenceAttacher::ReleaseAttachment() {
  Attached.Release();
}

QString TReferenceAttacher::InputToMarkup(const QTextDocument& input) const {
  if (!Attached.Exists()) {
    return RichTextToMarkup(input, DefaultColor(), nullptr);
  }
  QTextDocument reference;
  Attached.LoadInto(reference);
  return RichTextToMarkup(input, DefaultColor(), &reference);
}

std::unique_ptr<TTextBlob> TReferenceAttacher::ReferenceBlob() const {
  if (!Attached.Exists()) {
    return nullptr;
  }
  const QByteArray text = EncodeChatText(Attached.ColorCodes(DefaultColor()));
  return std::make_unique<TTextBlob>(TBytes(text.constData(), static_cast<size_t>(text.size())));
}

bool TReferenceAttacher::eventFilter(QObject* watched, QEvent* event) {
  QListWidget& view = *Parts.RefListView;
  if (watched == &view && event->type() == QEvent::KeyPress &&
      static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
    ReleaseAttachment();
    return true;
  }
  if (watched == view.viewport() && event->type() == QEvent::MouseButtonDblClick) {
    AttachActionExecute();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

} // namespace tessra
