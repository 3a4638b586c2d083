#include "collections/array_conveniences.h"

#include <QHash>
#include <QVariantMap>
#include <ctime>
#include <unordered_set>

#include "collections/list_elements.h"

namespace Tirr_NSArrayAdditions {

namespace detail {

void seedForShuffleOnce() {
  static bool seeded = false;
  if (seeded) return;
  ::srandom(unsigned(::time(nullptr)));
  seeded = true;
}

void seedForSomeObjectOnce() {
  static bool seeded = false;
  if (seeded) return;
  ::srandom(unsigned(::time(nullptr)));
  seeded = true;
}

qsizetype pickPosition(long draw, qsizetype count) {
  const auto position = qsizetype(double(draw) / 2147483647.0 * double(count));
  return std::min(position, count - 1);  // a draw of exactly 2^31 - 1 lands on count
}

}  // namespace detail

namespace {

const QVariant kNullMarker = QVariant::fromValue(nullptr);

struct ElementHash {
  size_t operator()(const QVariant* v) const { return listElementHash(*v); }
};
struct SameElement {
  bool operator()(const QVariant* a, const QVariant* b) const { return sameListElement(*a, *b); }
};

std::optional<QVariant> stringAnswer(const QVariant& element, QString (QString::*map)() const&) {
  const QString* text = heldString(&element);
  if (!text) return std::nullopt;
  return QVariant((text->*map)());
}

std::optional<QVariant> valueForKey(const QVariant& element, const std::optional<QVariant>& key) {
  if (element.typeId() != QMetaType::QVariantMap || !key || key->typeId() != QMetaType::QString)
    return std::nullopt;
  const auto& map = *static_cast<const QVariantMap*>(element.constData());
  const auto it = map.constFind(key->toString());
  if (it == map.cend()) return std::nullopt;
  return *it;
}

ElementOperation operationNamed(const QString& selector) {
  if (selector == u"uppercaseString")
    return
        [](const QVariant& e, const std::optional<QVariant>&) { return stringAnswer(e, &QString::toUpper); };
  if (selector == u"lowercaseString")
    return
        [](const QVariant& e, const std::optional<QVariant>&) { return stringAnswer(e, &QString::toLower); };
  if (selector == u"objectForKey:") return valueForKey;
  return [](const QVariant&, const std::optional<QVariant>&) { return std::optional<QVariant>(); };
}

}  // namespace

QVariantList removeDuplicates(const QVariantList& receiver) {
  QVariantList kept;
  std::unordered_set<const QVariant*, ElementHash, SameElement> seen;
  seen.reserve(size_t(receiver.size()));
  for (const QVariant& element : receiver)
    if (seen.insert(&element).second) kept.append(element);
  return kept;
}

QStringList removeDuplicates(const QStringList& receiver) {
  QStringList kept = receiver;
  kept.removeDuplicates();  // keeps first occurrences, in order
  return kept;
}

QVariantList batchReturnArrayObjectAtIndex(const QVariantList& receiver, qint64 index) {
  QVariantList column;
  column.reserve(receiver.size());
  for (const QVariant& row : receiver) {
    if (index < 0) {
      column.append(kNullMarker);
    } else if (row.typeId() == QMetaType::QVariantList) {
      const auto& cells = *static_cast<const QVariantList*>(row.constData());
      column.append(index < cells.size() ? cells.at(qsizetype(index)) : kNullMarker);
    } else if (row.typeId() == QMetaType::QStringList) {
      const auto& cells = *static_cast<const QStringList*>(row.constData());
      column.append(index < cells.size() ? QVariant(cells.at(qsizetype(index))) : kNullMarker);
    } else {
      column.append(kNullMarker);
    }
  }
  return column;
}

QVariantList resultsOfApplyingSelector(const QVariantList& receiver, const ElementOperation& operation,
                                       const std::optional<QVariant>& withObject) {
  QVariantList results;
  results.reserve(receiver.size());
  for (const QVariant& element : receiver) {
    std::optional<QVariant> answer = operation ? operation(element, withObject) : std::nullopt;
    results.append(answer && answer->isValid() ? *std::move(answer) : kNullMarker);
  }
  return results;
}

QVariantList resultsOfApplyingSelector(const QVariantList& receiver, const ElementOperation& operation) {
  return resultsOfApplyingSelector(receiver, operation, std::nullopt);
}

QVariantList resultsOfApplyingSelector(const QVariantList& receiver, const QString& selector,
                                       const std::optional<QVariant>& withObject) {
  return resultsOfApplyingSelector(receiver, operationNamed(selector), withObject);
}

QVariantList resultsOfApplyingSelector(const QVariantList& receiver, const QString& selector) {
  return resultsOfApplyingSelector(receiver, operationNamed(selector), std::nullopt);
}

}  // namespace Tirr_NSArrayAdditions
