#include "engine/BlobList.h"

#include <QRegularExpression>
#include <QSet>

#include <gtest/gtest.h>

#include "common/ChatException.h"

namespace tessra {
namespace {

TEST(BlobListTest, StoresCopiesUnderDistinctHexKeys) {
  TBlobList list;
  EXPECT_EQ(list.Capacity, 500);
  TTextBlob text("reference", 3);
  const QString textKey = list.AddBlob(text);
  const QString itemKey = list.AddBlob(TItemBlob(10, 20, 30));
  const QString unknownKey = list.AddBlob(TUnknownBlob("\x01\x02"));
  text.Text = "changed later";

  const QRegularExpression hex32(QStringLiteral("^[0-9A-F]{32}$"));
  QSet<QString> keys;
  for (const QString& key : {textKey, itemKey, unknownKey}) {
    EXPECT_TRUE(hex32.match(key).hasMatch()) << key.toStdString();
    keys.insert(key);
  }
  EXPECT_EQ(keys.size(), 3);
  ASSERT_EQ(list.Count(), 3);

  EXPECT_EQ(list.IndexOf(itemKey), 1);
  EXPECT_EQ(list.IndexOf(itemKey.toLower()), 1);
  EXPECT_EQ(list.IndexOf(QStringLiteral("0123456789ABCDEF0123456789ABCDEF")), -1);
  EXPECT_EQ(list.IndexOf(QString()), -1);

  const auto* storedText = dynamic_cast<const TTextBlob*>(&list.GetBlob(0));
  ASSERT_NE(storedText, nullptr);
  EXPECT_EQ(storedText->Text, "reference");
  EXPECT_EQ(storedText->Value, 3);
  const auto* storedItem = dynamic_cast<const TItemBlob*>(list.Find(itemKey));
  ASSERT_NE(storedItem, nullptr);
  EXPECT_EQ(storedItem->QL, 30);
  const auto* storedUnknown = dynamic_cast<const TUnknownBlob*>(list.Find(unknownKey.toLower()));
  ASSERT_NE(storedUnknown, nullptr);
  EXPECT_EQ(storedUnknown->Data, "\x01\x02");
  EXPECT_EQ(list.Find(QStringLiteral("missing")), nullptr);
}

TEST(BlobListTest, VoiceAndStringsAreNotStoredButStillMakeRoom) {
  TBlobList list(2);
  const QString first = list.AddBlob(TItemBlob(1, 1, 1));
  const QString second = list.AddBlob(TItemBlob(2, 2, 2));
  EXPECT_EQ(list.AddBlob(TStringsBlob({"a"})), QString());
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.IndexOf(first), -1);
  EXPECT_EQ(list.IndexOf(second), 0);
  EXPECT_EQ(list.AddBlob(TVoiceBlob("oskan", "male", "", "laugh")), QString());
  EXPECT_EQ(list.Count(), 1);
  list.AddBlob(TTextBlob("t"));
  EXPECT_EQ(list.AddBlob(TVoiceBlob()), QString());
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.IndexOf(second), -1);
}

TEST(BlobListTest, The501stBlobPushesOutTheFirst) {
  TBlobList list;
  std::vector<QString> keys;
  for (int i = 0; i < 501; ++i) {
    keys.push_back(list.AddBlob(TItemBlob(i, 0, 1)));
  }
  EXPECT_EQ(list.Count(), 500);
  EXPECT_EQ(list.IndexOf(keys[0]), -1);
  EXPECT_EQ(list.IndexOf(keys[1]), 0);
  EXPECT_EQ(list.IndexOf(keys[500]), 499);
  EXPECT_EQ(dynamic_cast<const TItemBlob&>(list.GetBlob(0)).LowID, 1);
}

TEST(BlobListTest, CapacityChangesTakeEffectOnTheNextAdd) {
  TBlobList list(0);
  for (int i = 0; i < 5; ++i) {
    list.AddBlob(TUnknownBlob("x"));
  }
  EXPECT_EQ(list.Count(), 5) << "zero capacity keeps everything";
  list.Capacity = 2;
  EXPECT_EQ(list.Count(), 5);
  const QString key = list.AddBlob(TTextBlob("last"));
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.IndexOf(key), 1);
}

TEST(BlobListTest, GetBlobOutsideTheListFails) {
  TBlobList list;
  list.AddBlob(TItemBlob());
  for (int index : {-1, 1, 500}) {
    try {
      list.GetBlob(index);
      ADD_FAILURE() << "index " << index << " accepted";
    } catch (const TChatException& e) {
      EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
    }
  }
}

} // namespace
} // namespace tessra
