#include "collections/string_orderings.h"

#include <QVariantMap>
#include <memory>

#include "collections/comparators.h"
#include "collections/list_elements.h"

CollatorOptions collatorOptions(StringOrdering ordering) {
  // Case and width ignored, accents count, composed and decomposed alike.
  CollatorOptions options{.strength = icu::Collator::SECONDARY, .normalization = true};
  if (ordering == StringOrdering::Numeric) {
    options.numeric = true;
    options.punctuationSignificant = true;
  }
  return options;
}

const icu::Collator* collatorFor(StringOrdering ordering) {
  static const std::unique_ptr<icu::Collator> caseInsensitive =
      createCollator(collatorOptions(StringOrdering::CaseInsensitive));
  static const std::unique_ptr<icu::Collator> numeric =
      createCollator(collatorOptions(StringOrdering::Numeric));
  return ordering == StringOrdering::Numeric ? numeric.get() : caseInsensitive.get();
}

const AsciiSortKeys* asciiSortKeysFor(StringOrdering ordering) {
  auto learn = [](StringOrdering kind) -> std::unique_ptr<AsciiSortKeys> {
    const icu::Collator* collator = collatorFor(kind);
    return collator ? AsciiSortKeys::learn(*collator, kind == StringOrdering::Numeric) : nullptr;
  };
  if (ordering == StringOrdering::Numeric) {
    static const std::unique_ptr<AsciiSortKeys> numeric = learn(StringOrdering::Numeric);
    return numeric.get();
  }
  static const std::unique_ptr<AsciiSortKeys> caseInsensitive = learn(StringOrdering::CaseInsensitive);
  return caseInsensitive.get();
}

const QVariant* comparedValue(const QVariant& element, const std::optional<QString>& key) {
  if (!key) return &element;
  if (element.typeId() != QMetaType::QVariantMap) return nullptr;
  const auto& map = *static_cast<const QVariantMap*>(element.constData());
  const auto it = map.constFind(*key);
  return it == map.cend() ? nullptr : &*it;
}

ValueRank rankOf(const QVariant* value) {
  if (!value || !value->isValid() || value->typeId() == QMetaType::Nullptr) return ValueRank::Absent;
  return value->typeId() == QMetaType::QString ? ValueRank::String : ValueRank::NotString;
}

QString collatedText(StringOrdering ordering, const QString& text) {
  return ordering == StringOrdering::ArticlesRemoved ? withoutArticlePrefixes(text, articlePrefixes()) : text;
}

int compareElements(StringOrdering ordering, const QVariant& a, const QVariant& b,
                    const std::optional<QString>& key) {
  const QVariant* x = comparedValue(a, key);
  const QVariant* y = comparedValue(b, key);
  const ValueRank rankX = rankOf(x);
  const ValueRank rankY = rankOf(y);
  if (rankX != rankY) return rankX < rankY ? -1 : 1;
  if (rankX != ValueRank::String) return 0;
  return collationCompare(collatorFor(ordering), collatedText(ordering, *heldString(x)),
                          collatedText(ordering, *heldString(y)));
}
