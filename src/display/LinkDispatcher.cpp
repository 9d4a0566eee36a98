#include "display/LinkDispatcher.h"

#include "common/Trace.h"
#include "display/ChatTextCodec.h"
#include "display/SafeUrl.h"
#include "engine/BlobList.h"
#include "engine/VeyraBlob.h"

namespace tessra {

namespace {

bool Is(const QString& name, QLatin1String kind) {
  return name.compare(kind, Qt::CaseInsensitive) == 0;
}

} // namespace

void TLinkDispatcher::MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers /*modifiers*/, int x,
                              int y, const TLinkInformation& link) {
  if (!link.Valid) {
    return;
  }
  TraceApp(QStringLiteral("OutputMemoMouseUp: ") + link.Name + QLatin1Char(' ') + link.Params);
  if (button == Qt::LeftButton) {
    LeftClick(link.Name, link.Params);
  } else if (button == Qt::RightButton) {
    const QPoint local(x, y);
    RightClick(link.Name, link.Params, Actions.MapToGlobal ? Actions.MapToGlobal(local) : local);
  }
}

void TLinkDispatcher::LeftClick(const QString& name, const QString& params) {
  if (Is(name, QLatin1String("charlink"))) {
    if (Actions.QueryChar) {
      Actions.QueryChar(params);
    }
  } else if (Is(name, QLatin1String("privcharlink"))) {
    if (Actions.QueryChar) {
      Actions.QueryChar(SplitMemberParams(params).first);
    }
  } else if (Is(name, QLatin1String("publiclink"))) {
    if (Actions.QueryPublic) {
      Actions.QueryPublic(params);
    }
  } else if (Is(name, QLatin1String("privatelink"))) {
    if (Actions.QueryPrivate) {
      Actions.QueryPrivate(params);
    }
  } else if (Is(name, QLatin1String("charurl")) || Is(name, QLatin1String("guildurl"))) {
    Urls.Open(params);
  } else if (Is(name, QLatin1String("reflink"))) {
    ShowReference(params);
  }
}

void TLinkDispatcher::RightClick(const QString& name, const QString& params,
                                 const QPoint& globalPos) {
  bool opened = false;
  if (Is(name, QLatin1String("charlink"))) {
    if (Actions.ShowCharPopup) {
      Actions.ShowCharPopup(params, globalPos);
      opened = true;
    }
  } else if (Is(name, QLatin1String("privcharlink"))) {
    const auto [charName, groupName] = SplitMemberParams(params);
    if (Actions.SetPopupCharGroup) {
      Actions.SetPopupCharGroup(groupName);
    }
    if (Actions.ShowPrivCharPopup) {
      Actions.ShowPrivCharPopup(charName, globalPos);
      opened = true;
    }
  } else if (Is(name, QLatin1String("publiclink"))) {
    if (Actions.ShowPublicPopup) {
      Actions.ShowPublicPopup(params, globalPos);
      opened = true;
    }
  } else if (Is(name, QLatin1String("privatelink"))) {
    if (Actions.ShowPrivatePopup) {
      Actions.ShowPrivatePopup(params, globalPos);
      opened = true;
    }
  }
  if (opened && Actions.EndHover) {
    Actions.EndHover();
  }
}

void TLinkDispatcher::ShowReference(const QString& key) {
  const TBlob* blob = Blobs.Find(key);
  if (blob == nullptr) {
    return; // dropped from the list since the line was shown
  }
  if (const auto* item = dynamic_cast<const TItemBlob*>(blob)) {
    ShowItemReference(*item);
  } else if (const auto* text = dynamic_cast<const TTextBlob*>(blob)) {
    ShowTextReference(*text);
  } else if (Actions.ShowMessage) {
    Actions.ShowMessage(QStringLiteral("Unknown"));
  }
}

void TLinkDispatcher::ShowItemReference(const TItemBlob& blob) {
  Urls.Open(ItemReferenceUrl(blob, ItemDb ? ItemDb() : QString()));
}

void TLinkDispatcher::ShowTextReference(const TTextBlob& blob) {
  QString text = DecodeChatText(QByteArrayView(blob.Text.data(), qsizetype(blob.Text.size())));
  text.replace(QLatin1Char('\t'), QLatin1Char(' '));
  if (Actions.ShowReference) {
    Actions.ShowReference(text);
  }
}

QUrl TLinkDispatcher::ItemReferenceUrl(const TItemBlob& blob, const QString& itemDb) {
  const QString low = QString::number(blob.LowID);
  const QString ql = QString::number(blob.QL);
  if (itemDb.compare(QLatin1String("tarvik"), Qt::CaseInsensitive) == 0) {
    return QUrl(QLatin1String(kSecondItemSite) + QStringLiteral("/veyra/db.php?id=") + low +
                QStringLiteral("&ql=") + ql);
  }
  return QUrl(QLatin1String(kFirstItemSite) + QStringLiteral("/showitem.asp?LowID=") + low +
              QStringLiteral("&HiID=") + QString::number(blob.HiID) + QStringLiteral("&QL=") + ql);
}

std::pair<QString, QString> TLinkDispatcher::SplitMemberParams(const QString& params) {
  const QStringList items = params.split(QLatin1Char(','));
  return {items.value(0), items.value(1)};
}

} // namespace tessra
