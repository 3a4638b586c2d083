#include "collections/collation.h"

#include <QString>
#include <cstring>

namespace {

const UChar* unitsOf(QStringView text) { return reinterpret_cast<const UChar*>(text.utf16()); }

// Case-folded code units, big-endian, so that bytes order as the units do.
QByteArray foldedUnits(QStringView text) {
  const QString folded = text.toString().toCaseFolded();
  QByteArray bytes(folded.size() * 2, Qt::Uninitialized);
  for (qsizetype i = 0; i < folded.size(); ++i) {
    const char16_t unit = folded.at(i).unicode();
    bytes[2 * i] = char(unit >> 8);
    bytes[2 * i + 1] = char(unit & 0xff);
  }
  return bytes;
}

int sign(int value) { return (value > 0) - (value < 0); }

}  // namespace

icu::Locale collationLocale(const icu::Locale& locale) {
  const bool posix = std::strcmp(locale.getVariant(), "POSIX") == 0 ||
                     std::strcmp(locale.getLanguage(), "c") == 0 || std::strcmp(locale.getName(), "C") == 0;
  return posix ? icu::Locale::getRoot() : locale;
}

std::unique_ptr<icu::Collator> createCollator(const CollatorOptions& options, const icu::Locale& locale) {
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::Collator> collator(icu::Collator::createInstance(collationLocale(locale), status));
  if (U_FAILURE(status) || !collator) return nullptr;
  collator->setStrength(options.strength);
  if (options.numeric) collator->setAttribute(UCOL_NUMERIC_COLLATION, UCOL_ON, status);
  if (options.normalization) collator->setAttribute(UCOL_NORMALIZATION_MODE, UCOL_ON, status);
  if (options.punctuationSignificant)
    collator->setAttribute(UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, status);
  if (U_FAILURE(status)) return nullptr;
  return collator;
}

QByteArray collationSortKey(const icu::Collator* collator, QStringView text) {
  if (!collator) return foldedUnits(text);
  const int32_t length = int32_t(text.size());
  QByteArray key(text.size() * 2 + 16, Qt::Uninitialized);
  int32_t needed = collator->getSortKey(unitsOf(text), length, reinterpret_cast<uint8_t*>(key.data()),
                                        int32_t(key.size()));
  if (needed > key.size()) {
    key.resize(needed);
    needed = collator->getSortKey(unitsOf(text), length, reinterpret_cast<uint8_t*>(key.data()), needed);
  }
  key.resize(needed);
  return key;
}

int collationCompare(const icu::Collator* collator, QStringView a, QStringView b) {
  if (!collator) return sign(foldedUnits(a).compare(foldedUnits(b)));
  UErrorCode status = U_ZERO_ERROR;
  const UCollationResult result =
      collator->compare(unitsOf(a), int32_t(a.size()), unitsOf(b), int32_t(b.size()), status);
  return result == UCOL_LESS ? -1 : (result == UCOL_GREATER ? 1 : 0);
}
