#include "collections/comparators.h"

#include <QCoreApplication>

#include "collections/collation.h"
#include "collections/string_orderings.h"
#include "text/string_affixes.h"

int arrayStringSort(const QVariant& a, const QVariant& b, const std::optional<QString>& key) {
  return compareElements(StringOrdering::CaseInsensitive, a, b, key);
}

int arrayCleanedStringSort(const QVariant& a, const QVariant& b, const std::optional<QString>& key) {
  return compareElements(StringOrdering::ArticlesRemoved, a, b, key);
}

int arrayStringAsNumberSort(const QVariant& a, const QVariant& b, const std::optional<QString>& key) {
  return compareElements(StringOrdering::Numeric, a, b, key);
}

int stringAsNumberSort(const QVariant& a, const QVariant& b, const std::optional<QString>&) {
  return compareElements(StringOrdering::Numeric, a, b, std::nullopt);
}

const QStringList& articlePrefixes() {
  // Translators list the articles of their language, e.g. "The |A |An ".
  static const QStringList kArticlePrefixes =
      QCoreApplication::translate("ui", "ArticlePrefixes").split(QLatin1Char('|'));
  return kArticlePrefixes;
}

QString withoutArticlePrefixes(const QString& text, const QStringList& prefixes) {
  QString cleaned = text;
  for (const QString& prefix : prefixes)
    cleaned = Tirr_NSStringAdditions::deprefixCaseInsensitive(cleaned, prefix);
  return cleaned;
}

namespace Tirr_NSStringAdditions {

int stringAsNumberSort(const QString& receiver, const QString& other) {
  return collationCompare(collatorFor(StringOrdering::Numeric), receiver, other);
}

}  // namespace Tirr_NSStringAdditions
