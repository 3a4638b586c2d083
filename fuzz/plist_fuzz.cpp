// Feeds arbitrary bytes to the property-list readers (every form, whatever the
// bytes look like) and to the archived-value decoder. Whatever decodes must
// survive a binary write and read unchanged, and the store's key-by-key reader
// must accept exactly the dictionaries the whole-file reader accepts, with the
// same values.
#include <cstdint>
#include <cstdlib>

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
  void entry(const QString& key, const plist::Scalar& value) override { record_.insert(key, value.toVariant()); }
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(data, qsizetype(size));
  if (const auto value = plist::decode(bytes)) checkBinaryRoundTrip(*value);
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
