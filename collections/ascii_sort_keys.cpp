#include "collections/ascii_sort_keys.h"

#include <unicode/uniset.h>
#include <unicode/usetiter.h>

#include <QString>
#include <algorithm>
#include <cstring>

#include "collections/collation.h"

namespace {

// Keys are learnt for up to this many collation elements; longer strings go to ICU.
constexpr int kMostElements = 255;

// The byte between the primary weights and the secondary ones.
constexpr std::uint8_t kLevelSeparator = 0x01;

// The largest digit-run value written as one collation element of at most four
// bytes: 74 two-byte values, 40 * 254 three-byte ones, 16 * 254 * 254 four-byte ones.
constexpr std::uint32_t kTwoByteNumbers = 74;
constexpr std::uint32_t kThreeByteNumbers = 40 * 254;
constexpr std::uint32_t kFourByteNumbers = 16 * 254 * 254;

std::vector<std::uint8_t> collatorKey(const icu::Collator& collator, QStringView text) {
  const QByteArray key = collationSortKey(&collator, text);
  return {key.begin(), key.end()};
}

// The key split at the level separator: primary bytes, then the rest.
struct SplitKey {
  std::vector<std::uint8_t> primary, tail;
};

SplitKey split(const std::vector<std::uint8_t>& key) {
  const auto separator = std::find(key.begin(), key.end(), kLevelSeparator);
  return {{key.begin(), separator}, {separator, key.end()}};
}

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

// Whether the locale's rules change any ASCII character or ASCII sequence.
bool tailorsAscii(const icu::Collator& collator) {
  UErrorCode status = U_ZERO_ERROR;
  const std::unique_ptr<icu::UnicodeSet> tailored(collator.getTailoredSet(status));
  if (U_FAILURE(status) || !tailored) return true;
  for (icu::UnicodeSetIterator it(*tailored); it.next();) {
    if (!it.isString()) {
      if (it.getCodepoint() < 0x80) return true;
      continue;
    }
    const icu::UnicodeString& s = it.getString();
    bool ascii = true;
    for (int32_t i = 0; i < s.length() && ascii; ++i) ascii = s.charAt(i) < 0x80;
    if (ascii) return true;
  }
  return false;
}

}  // namespace

std::unique_ptr<AsciiSortKeys> AsciiSortKeys::learn(const icu::Collator& collator, bool numeric) {
  if (tailorsAscii(collator)) return nullptr;
  std::unique_ptr<AsciiSortKeys> keys(new AsciiSortKeys);
  keys->collator_ = &collator;
  keys->numeric_ = numeric;

  // How n elements are written after the primaries: learnt from "a" n times,
  // whose primaries must be those of "a" n times.
  const SplitKey a = split(collatorKey(collator, u"a"));
  if (a.primary.empty()) return nullptr;
  QString run;
  for (int n = 0; n <= kMostElements; ++n, run += u'a') {
    SplitKey key = split(collatorKey(collator, run));
    if (key.primary.size() != a.primary.size() * size_t(n)) return nullptr;
    for (size_t i = 0; i < key.primary.size(); ++i)
      if (key.primary[i] != a.primary[i % a.primary.size()]) return nullptr;
    keys->longestTail_ = std::max(keys->longestTail_, qsizetype(key.tail.size()));
    keys->tails_.push_back(std::move(key.tail));
  }

  // Each character alone: its primaries and a tail the counts above know.
  // Control characters other than tab, line feed and return are left to ICU.
  std::vector<char16_t> covered;
  for (char16_t c = 0; c < 0x80; ++c) {
    Weights& weights = keys->weights_[c];
    const bool control = (c < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') || c == 0x7F;
    if (control || (numeric && isDigit(c))) continue;
    const SplitKey key = split(collatorKey(collator, QStringView(&c, 1)));
    if (key.primary.size() > sizeof weights.primary) continue;
    for (std::uint8_t n = 0; n < 4; ++n) {
      if (key.tail != keys->tails_[n] || (n == 0) != key.primary.empty()) continue;
      std::copy(key.primary.begin(), key.primary.end(), weights.primary);
      weights.length = std::uint8_t(key.primary.size());
      weights.elements = n;
      weights.covered = true;
      covered.push_back(c);
      break;
    }
  }
  if (numeric) {
    const SplitKey zero = split(collatorKey(collator, u"0"));
    if (zero.primary.size() != 2 || zero.primary[1] != 2) return nullptr;
    keys->numericLead_ = zero.primary[0];
  }

  // Characters side by side must simply put their weights side by side: no
  // contraction, no compression between them.
  for (char16_t x : covered) {
    for (char16_t y : covered) {
      const char16_t pair[2] = {x, y};
      if (!keys->agreesWithCollator(QStringView(pair, 2))) return nullptr;
    }
  }
  if (numeric) {
    // Every size of number, and a number beside every character.
    for (const char16_t* number :
         {u"0", u"000", u"007", u"73", u"74", u"10233", u"10234", u"1042489", u"0001042489"})
      if (!keys->agreesWithCollator(QStringView(number))) return nullptr;
    // Larger numbers get their own keys only when ICU writes them as
    // expected at every length, with zeros in every place, and beside text.
    keys->longNumbers_ = true;
    for (const char16_t* number :
         {u"1042490", u"9999999", u"10000000", u"12345678", u"99999999", u"100000000", u"123456789",
          u"1234567890", u"0800123456", u"1000000000000", u"10203040506070809", u"90000000000000000001",
          u"555-0800123456", u"a12345678901234567890123456789012345678901234567890b"})
      if (!keys->agreesWithCollator(QStringView(number))) keys->longNumbers_ = false;
    for (int digits = 8; digits <= int(kLongestNumber) && keys->longNumbers_; ++digits) {
      std::u16string text(size_t(digits), u'7');
      text[size_t(digits) / 2] = u'0';
      if (!keys->agreesWithCollator(QStringView(text))) keys->longNumbers_ = false;
    }
    for (char16_t c : covered) {
      const char16_t before[3] = {u'5', c, u'9'};
      const char16_t between[4] = {c, u'1', u'2', c};
      if (!keys->agreesWithCollator(QStringView(before, 3)) ||
          !keys->agreesWithCollator(QStringView(between, 4)))
        return nullptr;
    }
  }
  return keys;
}

qsizetype AsciiSortKeys::maxKeyBytes(qsizetype length) const {
  return length * qsizetype(sizeof(Weights::primary)) + longestTail_ + qsizetype(sizeof(Weights::primary));
}

qsizetype AsciiSortKeys::write(QStringView text, std::uint8_t* out) const {
  const char16_t* s = text.utf16();
  const qsizetype n = text.size();
  std::uint8_t* w = out;
  int elements = 0;
  for (qsizetype i = 0; i < n;) {
    const char16_t c = s[i];
    if (c >= 0x80) return -1;
    if (numeric_ && isDigit(c)) {
      // A digit run is one element by its value; leading zeros do not count.
      qsizetype end = i;
      while (end < n && s[end] == u'0') ++end;
      qsizetype start = end;
      while (end < n && isDigit(s[end])) ++end;
      if (start == end) start = end - 1;  // only zeros: the value 0
      if (end - start > 7 || !fitsShortNumber(s + start, end - start)) {
        if (!longNumbers_ || end - start > kLongestNumber) return -1;
        w = writeLongNumber(s + start, end - start, w, elements);
        i = end;
        continue;
      }
      std::uint32_t value = 0;
      for (qsizetype k = start; k < end; ++k) value = value * 10 + (s[k] - u'0');
      *w++ = numericLead_;
      if (value < kTwoByteNumbers) {
        *w++ = std::uint8_t(2 + value);
      } else if ((value -= kTwoByteNumbers) < kThreeByteNumbers) {
        *w++ = std::uint8_t(2 + kTwoByteNumbers + value / 254);
        *w++ = std::uint8_t(2 + value % 254);
      } else if ((value -= kThreeByteNumbers) < kFourByteNumbers) {
        *w++ = std::uint8_t(2 + kTwoByteNumbers + 40 + value / (254 * 254));
        *w++ = std::uint8_t(2 + value / 254 % 254);
        *w++ = std::uint8_t(2 + value % 254);
      } else {
        return -1;
      }
      ++elements;
      i = end;
      continue;
    }
    const Weights& weights = weights_[c];
    if (!weights.covered) return -1;
    std::memcpy(w, weights.primary, sizeof weights.primary);
    w += weights.length;
    elements += weights.elements;
    ++i;
  }
  if (elements > kMostElements) return -1;
  const std::vector<std::uint8_t>& tail = tails_[size_t(elements)];
  std::memcpy(w, tail.data(), tail.size());
  return (w - out) + qsizetype(tail.size());
}

bool AsciiSortKeys::fitsShortNumber(const char16_t* digits, qsizetype count) {
  if (count > 7) return false;
  std::uint32_t value = 0;
  for (qsizetype k = 0; k < count; ++k) value = value * 10 + (digits[k] - u'0');
  return value < kTwoByteNumbers + kThreeByteNumbers + kFourByteNumbers;
}

// A larger number, as ICU writes it: the lead byte, 128 plus the count of
// digit pairs (the first pair holds one digit when the count of digits is
// odd), then one byte per pair up to the last pair that is not zero, 2 * pair
// + 11 and, for that last one, 2 * pair + 10. The bytes fill primary weights of
// four bytes, each starting with the lead byte; each weight is an element.
std::uint8_t* AsciiSortKeys::writeLongNumber(const char16_t* digits, qsizetype count, std::uint8_t* w,
                                             int& elements) const {
  std::uint8_t pairs[kLongestNumber / 2 + 1];
  qsizetype pairCount = 0;
  qsizetype k = 0;
  if (count % 2) pairs[pairCount++] = std::uint8_t(digits[k++] - u'0');
  for (; k < count; k += 2)
    pairs[pairCount++] = std::uint8_t((digits[k] - u'0') * 10 + (digits[k + 1] - u'0'));
  qsizetype significant = pairCount;
  while (significant > 1 && pairs[significant - 1] == 0) --significant;
  *w++ = numericLead_;
  *w++ = std::uint8_t(128 + pairCount);
  ++elements;
  int room = 2;  // bytes left in the current weight
  for (qsizetype p = 0; p < significant; ++p) {
    if (room == 0) {
      *w++ = numericLead_;
      ++elements;
      room = 3;
    }
    *w++ = std::uint8_t(2 * pairs[p] + (p + 1 == significant ? 10 : 11));
    --room;
  }
  return w;
}

std::vector<std::uint8_t> AsciiSortKeys::keyOf(QStringView text) const {
  std::vector<std::uint8_t> key(size_t(maxKeyBytes(text.size())));
  const qsizetype length = write(text, key.data());
  key.resize(length < 0 ? 0 : size_t(length));
  return key;
}

bool AsciiSortKeys::agreesWithCollator(QStringView text) const {
  return keyOf(text) == collatorKey(*collator_, text);
}
