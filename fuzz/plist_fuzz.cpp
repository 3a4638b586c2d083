// Feeds arbitrary bytes to the property-list readers (every form, whatever the
// bytes look like) and to the archived-value decoder. Whatever decodes must
// survive a binary write and read unchanged, and the store's key-by-key reader
// must accept exactly the dictionaries the whole-file reader accepts, with the
// same values. A list of dictionaries handed to the writer as a record table
// must encode as the list does, and an encoding that copies the table's bytes
// from an earlier one must give the bytes a whole encoding gives.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "prefs/archived_value.h"
#include "prefs/plist_binary.h"
#include "prefs/plist_records.h"
#include "prefs/plist_text.h"
#include "prefs/plist_value.h"
#include "prefs/plist_xml.h"
#include "prefs/property_list.h"

namespace {

void checkBinaryRoundTrip(const QVariant& value) {
  const auto encoded = plist::encodeBinary(value);
  if (!encoded) std::abort();  // every decoded value must be writable
  const auto decoded = plist::decodeBinary(*encoded);
  if (!decoded || !plist::sameValue(*decoded, value)) std::abort();
}

// Collects the records a visitor is shown, as dictionaries.
class Collector final : public plist::RecordVisitor {
 public:
  void beginRecord() override { record_.clear(); }
  void entry(const QString& key, const plist::Scalar& value) override {
    record_.insert(key, value.toVariant());
  }
  void endRecord() override { list.append(QVariant(record_)); }
  QVariantList list;

 private:
  QVariantMap record_;
};

// The lazily read dictionary agrees with the whole decode, key by key, and
// so does each value read as records straight from the bytes.
void checkLazyDictionary(QByteArrayView bytes) {
  const auto whole = plist::decodeBinary(bytes, nullptr);
  const bool isDictionary = whole && whole->typeId() == QMetaType::QVariantMap;
  auto lazy = plist::BinaryDictionary::open(bytes.toByteArray());
  if (lazy.has_value() != isDictionary) std::abort();
  if (!lazy) return;
  const QVariantMap expected = whole->toMap();
  if (lazy->entries().size() != expected.size()) std::abort();
  for (auto it = lazy->entries().cbegin(); it != lazy->entries().cend(); ++it) {
    const auto value = lazy->value(it.value());
    if (!value || !expected.contains(it.key()) || !plist::sameValue(*value, expected.value(it.key())))
      std::abort();
    Collector straight, generic;
    const bool isList = lazy->visitRecords(it.value(), straight);
    if (isList != plist::visitRecords(*value, generic) || !plist::sameValue(straight.list, generic.list))
      std::abort();
  }
}

// A list of dictionaries as a record table.
class ListTable final : public plist::RecordTable {
 public:
  explicit ListTable(QVariantList records) : records_(std::move(records)) {}
  qsizetype count() const override { return records_.size(); }
  void visit(qsizetype row, plist::RecordVisitor& visitor) const override {
    // The one-record list shares the record, so the entries outlive it.
    plist::visitRecords(QVariant(QVariantList{records_[row]}), visitor);
  }

 private:
  const QVariantList records_;
};

// The list `parts` stand for, the reused table's bytes and offsets taken from `earlier`.
QByteArray assembled(const QByteArray& earlier, const plist::BinaryParts& parts) {
  if (!parts.reused) return parts.objects;
  const plist::TableRun& run = *parts.reused;
  QByteArray out = earlier.left(qsizetype(8 + run.length)) + parts.objects;
  for (quint64 i = 0; i < run.objects; ++i) {
    quint64 offset = 0;
    for (int b = 0; b < run.offsetSize; ++b)
      offset = (offset << 8) | uchar(earlier[qsizetype(run.offsetTable + i * quint64(run.offsetSize)) + b]);
    for (int b = parts.offsetSize - 1; b >= 0; --b) out.append(char((offset >> (8 * b)) & 0xFF));
  }
  return out + parts.tail;
}

void checkTableRun(const QVariant& value) {
  if (value.typeId() != QMetaType::QVariantMap) return;
  QVariantMap map = value.toMap();
  const auto isRecord = [](const QVariant& v) { return v.typeId() == QMetaType::QVariantMap; };
  for (auto it = map.begin(); it != map.end(); ++it) {
    if (it->typeId() != QMetaType::QVariantList) continue;
    const QVariantList list = it->toList();
    if (!std::all_of(list.cbegin(), list.cend(), isRecord)) continue;
    *it = plist::recordTableValue(std::make_shared<ListTable>(list));
    const auto first = plist::encodeBinaryParts(QVariant(map), nullptr);
    if (!first || !first->run || first->reused) std::abort();
    const auto decoded = plist::decodeBinary(first->objects);
    if (!decoded || !plist::sameValue(*decoded, value)) std::abort();
    map.insert(QStringLiteral("~moved"), QStringLiteral("{{1, 2}, {3, 4}}"));
    const auto second = plist::encodeBinaryParts(QVariant(map), &*first->run);
    const auto whole = plist::encodeBinary(QVariant(map));
    if (!second || !whole || assembled(first->objects, *second) != *whole) std::abort();
    return;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(data, qsizetype(size));
  if (const auto value = plist::decode(bytes)) {
    checkBinaryRoundTrip(*value);
    checkTableRun(*value);
  }
  for (auto decoder : {&plist::decodeBinary, &plist::decodeXml, &plist::decodeText})
    if (const auto value = decoder(bytes, nullptr)) checkBinaryRoundTrip(*value);
  checkLazyDictionary(bytes);

  if (const auto value = archive::unarchive(bytes)) {
    const auto again = archive::archive(*value);
    if (!again) std::abort();
    const auto back = archive::unarchive(*again);
    if (!back || !plist::sameValue(*back, *value)) std::abort();
  }
  return 0;
}
