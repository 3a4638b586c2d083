#include "text/string_units.h"

#include <QHashFunctions>
#include <array>
#include <cstdint>
#include <vector>

#include "text/code_points.h"
#include "text/string_core.h"

namespace Tirr_NSStringAdditions {

namespace {

// Picks the entry at `index` of a list, the all-ones index meaning the last.
std::optional<QString> entryAt(const QStringList& list, quint64 index) {
  if (list.isEmpty()) return std::nullopt;
  if (index == kLastIndex) return list.back();
  if (index < quint64(list.size())) return list[qsizetype(index)];
  return std::nullopt;
}

constexpr std::array<bool, 128> kAsciiWordCharacters = [] {
  std::array<bool, 128> table{};
  for (char c = 'a'; c <= 'z'; ++c) table[c] = table[c - 'a' + 'A'] = true;
  for (char c = '0'; c <= '9'; ++c) table[c] = true;
  table['-'] = true;
  return table;
}();

// Letters, marks, digits (categories L, M and N) and the hyphen-minus.
bool isWordCharacter(char32_t c) {
  if (c < 0x80) return kAsciiWordCharacters[c];
  switch (QChar::category(c)) {
    case QChar::Letter_Uppercase:
    case QChar::Letter_Lowercase:
    case QChar::Letter_Titlecase:
    case QChar::Letter_Modifier:
    case QChar::Letter_Other:
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Number_DecimalDigit:
    case QChar::Number_Letter:
    case QChar::Number_Other:
      return true;
    default:
      return false;
  }
}

// Long texts repeat their words. Equal tokens of one text share one string,
// so the list holds one allocation per distinct token instead of one per
// token: on a long text those allocations, and the fresh memory they touch,
// cost more than finding the equal token. At most kMaxShared distinct tokens
// are kept, and a token whose slot is not found within a few steps is simply
// allocated, so a text of all-different tokens pays little.
class SharedTokens {
 public:
  static constexpr qsizetype kMinText = 4096;  // texts shorter than this allocate every token
  static constexpr std::size_t kMaxShared = 1024;

  // Answers a string equal to `token`, shared with the earlier equal ones.
  QString take(QStringView token) {
    const std::size_t hash = qHash(token, seed_);
    const auto tag = std::uint32_t(hash >> 32) | 1u;  // never 0, which marks a free slot
    for (std::size_t step = 0, slot = hash & (kSlots - 1); step < kMaxSteps;
         ++step, slot = (slot + 1) & (kSlots - 1)) {
      Slot& entry = slots_[slot];
      if (entry.tag == 0) {
        if (strings_.size() == kMaxShared) break;
        entry = {tag, std::uint32_t(strings_.size())};
        strings_.push_back(token.toString());
        return strings_.back();
      }
      if (entry.tag == tag && QStringView(strings_[entry.index]) == token) return strings_[entry.index];
    }
    return token.toString();
  }

 private:
  static constexpr std::size_t kSlots = 4 * kMaxShared;  // a power of two, at most a quarter full
  static constexpr std::size_t kMaxSteps = 8;
  struct Slot {
    std::uint32_t tag = 0;
    std::uint32_t index = 0;
  };
  std::size_t seed_ = QHashSeed::globalSeed();  // so no text can choose its collisions
  std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
  std::vector<QString> strings_;
};

// The runs of code points for which `isSeparator` answers false. The runs are
// counted first, so the list is allocated once at its final size.
template <typename IsSeparator>
QStringList tokens(const QString& text, IsSeparator isSeparator) {
  const qsizetype n = text.size();
  const auto* units = reinterpret_cast<const char16_t*>(text.constData());
  auto forEachRun = [&](auto&& take) {
    qsizetype start = -1;  // where the current run began, -1 between runs
    for (qsizetype i = 0; i < n;) {
      const qsizetype at = i;
      char32_t c = units[i];
      if (QChar::isSurrogate(c)) {
        c = codePointAt(text, i);
        i += codePointSizeAt(text, i);
      } else {
        ++i;
      }
      if (!isSeparator(c)) {
        if (start < 0) start = at;
      } else if (start >= 0) {
        take(start, at);
        start = -1;
      }
    }
    if (start >= 0) take(start, n);
  };
  qsizetype count = 0;
  forEachRun([&](qsizetype, qsizetype) { ++count; });
  QStringList out;
  out.reserve(count);
  if (count == 1 || n < SharedTokens::kMinText) {
    forEachRun([&](qsizetype start, qsizetype end) {
      out.append(start == 0 && end == n ? text : text.sliced(start, end - start));
    });
  } else {
    SharedTokens shared;
    forEachRun([&](qsizetype start, qsizetype end) {
      out.append(shared.take(QStringView(text).sliced(start, end - start)));
    });
  }
  return out;
}

}  // namespace

QStringList characters(const QString& receiver) {
  QStringList out;
  out.reserve(receiver.size());
  for (QChar c : receiver) out.append(QString(c));
  return out;
}

quint64 characterCount(const QString& receiver) { return quint64(receiver.size()); }

std::optional<QString> charAtIndex(const QString& receiver, quint64 index) {
  if (receiver.isEmpty()) return std::nullopt;
  if (index == kLastIndex) return QString(receiver.back());
  if (index < quint64(receiver.size())) return QString(receiver[qsizetype(index)]);
  return std::nullopt;
}

QString firstCharacter(const QString& receiver) {
  if (receiver.size() <= 1) return receiver;
  return QString(receiver.front());
}

QStringList words(const QString& receiver) {
  return tokens(receiver, [](char32_t c) { return !isWordCharacter(c); });
}

quint64 wordCount(const QString& receiver) { return quint64(words(receiver).size()); }

std::optional<QString> wordAtIndex(const QString& receiver, quint64 index) {
  return entryAt(words(receiver), index);
}

quint64 paragraphCount(const QString& receiver) { return quint64(paragraphs(receiver).size()); }

std::optional<QString> paragraphAtIndex(const QString& receiver, quint64 index) {
  return entryAt(paragraphs(receiver), index);
}

QStringList tokensSeparatedByCharactersFromSet(const QString& receiver, const CharacterSet& separators) {
  return tokens(receiver, [&](char32_t c) { return separators.containsCodePoint(c); });
}

QString reverse(const QString& receiver) {
  const qsizetype n = receiver.size();
  QString out(n, Qt::Uninitialized);
  QChar* to = out.data();
  for (qsizetype end = n; end > 0;) {
    const qsizetype size = codePointSizeBefore(receiver, end);
    end -= size;
    for (qsizetype k = 0; k < size; ++k) *to++ = receiver[end + k];
  }
  return out;
}

}  // namespace Tirr_NSStringAdditions
