#include "text/replacement_batch.h"

#include <algorithm>

#include "text/string_core.h"

ReplacementBatch::UnitMask ReplacementBatch::UnitMask::of(QStringView text) {
  UnitMask mask;
  for (QChar c : text) {
    const char16_t u = c.unicode();
    const unsigned word = u < 0x80 ? u >> 6 : 2;
    mask.bits[word] |= std::uint64_t{1} << (u & 63);
  }
  return mask;
}

bool ReplacementBatch::UnitMask::covers(const UnitMask& other) const {
  for (size_t i = 0; i < bits.size(); ++i)
    if ((other.bits[i] & ~bits[i]) != 0) return false;
  return true;
}

ReplacementBatch::UnitMask& ReplacementBatch::UnitMask::operator|=(const UnitMask& other) {
  for (size_t i = 0; i < bits.size(); ++i) bits[i] |= other.bits[i];
  return *this;
}

ReplacementBatch::ReplacementBatch(const QStringList& search, const QStringList& replacements) {
  const qsizetype n = std::min(search.size(), replacements.size());
  pairs_.reserve(size_t(n));
  for (qsizetype i = 0; i < n; ++i) {
    if (search[i].isEmpty()) continue;
    pairs_.push_back({search[i], replacements[i], UnitMask::of(search[i]), UnitMask::of(replacements[i])});
  }
}

QString ReplacementBatch::apply(const QString& text) const {
  QString out = text;
  if (out.isEmpty()) return out;
  // A superset of the units present: replacements add theirs, and a unit
  // they remove only costs a search that finds nothing.
  UnitMask present = UnitMask::of(out);
  for (const Pair& pair : pairs_) {
    if (!present.covers(pair.needs)) continue;
    QString next = Tirr_NSStringAdditions::snr(out, pair.search, pair.replacement);
    if (next.isSharedWith(out)) continue;
    present |= pair.adds;
    out = std::move(next);
  }
  return out;
}
