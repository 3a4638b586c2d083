#include "text/replacement_batch.h"

#include <QVarLengthArray>
#include <algorithm>
#include <vector>

#include "text/replace_all.h"

namespace {

// Hashes (32 bits) the first `length` (1 to 3) units of `s` from `at`.
std::uint32_t prefixHash(QStringView s, qsizetype at, qsizetype length) {
  std::uint32_t h = std::uint32_t(length);
  for (qsizetype k = 0; k < length; ++k) h = (h * 0x9E3779B1u) ^ s[at + k].unicode();
  return h * 0x9E3779B1u;
}

}  // namespace

ReplacementBatch::ReplacementBatch(const QStringList& search, const QStringList& replacements) {
  const qsizetype n = std::min(search.size(), replacements.size());
  pairs_.reserve(size_t(n));
  for (qsizetype i = 0; i < n; ++i) {
    const QString& target = search[i];
    if (target.isEmpty()) continue;
    const qsizetype length = std::min<qsizetype>(3, target.size());
    pairs_.push_back({target, replacements[i], prefixHash(target, 0, length)});
    startLengths_ |= 1u << length;
    const char16_t first = target.front().unicode();
    if (first < 0x80) {
      asciiFirstUnits_[first >> 6] |= std::uint64_t{1} << (first & 63);
    } else {
      nonAsciiFirstUnits_ = true;
    }
  }
}

ReplacementBatch::StartMask ReplacementBatch::startsIn(QStringView text) const {
  StartMask mask;
  const qsizetype n = text.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (!mayStartWith(text[i].unicode())) continue;
    const qsizetype longest = std::min<qsizetype>(3, n - i);
    for (qsizetype length = 1; length <= longest; ++length)
      if (startLengths_ & (1u << length)) mask.add(prefixHash(text, i, length));
  }
  return mask;
}

void ReplacementBatch::replaceAll(QString& text, const Pair& pair, qsizetype first, StartMask& starts) const {
  const qsizetype length = pair.search.size();
  const qsizetype replacementLength = pair.replacement.size();
  QVarLengthArray<qsizetype, 16> inserted;  // where each replacement landed
  if (replacementLength == length) {
    // Same length: overwrite in place, in one copy of the text.
    char16_t* data = reinterpret_cast<char16_t*>(text.data());
    const char16_t* replacement = reinterpret_cast<const char16_t*>(pair.replacement.utf16());
    for (qsizetype at = first; at >= 0; at = text.indexOf(pair.search, at + length)) {
      std::copy_n(replacement, length, data + at);
      inserted.append(at);
    }
  } else {
    QString next;
    next.reserve(text.size() + std::max<qsizetype>(0, replacementLength - length) * 4);
    next.append(QStringView(text).first(first));
    forEachReplacedPiece(QStringView(text).sliced(first), pair.search, pair.replacement,
                         [&](QStringView piece) {
                           if (piece.data() == pair.replacement.data()) inserted.append(next.size());
                           next.append(piece);
                         });
    text = std::move(next);
  }
  // New starts can only begin within two units before a replacement or inside it.
  for (const qsizetype at : inserted) {
    const qsizetype from = std::max<qsizetype>(0, at - 2);
    const qsizetype to = std::min(text.size(), at + replacementLength + 2);
    starts.merge(startsIn(QStringView(text).sliced(from, to - from)));
  }
}

QString ReplacementBatch::apply(const QString& text) const {
  if (text.isEmpty() || pairs_.empty()) return text;
  QString out = text;
  StartMask starts = startsIn(out);
  for (const Pair& pair : pairs_) {
    if (!starts.has(pair.startHash)) continue;
    const qsizetype first = out.indexOf(pair.search);
    if (first >= 0) replaceAll(out, pair, first, starts);
  }
  return out;
}
