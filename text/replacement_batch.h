// A list of search-and-replace pairs applied in order, each pass on the result
// of the ones before, as snrBatch() and the title case apply them. A compiled
// batch can be kept and applied to many texts.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

class ReplacementBatch {
 public:
  // Pairs search[i] with replacements[i]; search strings without a
  // replacement, and empty search strings, are left out.
  ReplacementBatch(const QStringList& search, const QStringList& replacements);

  // Replaces, pair by pair, every occurrence of the search string (literal,
  // left to right, no overlap, no rescanning of inserted text). Answers `text`
  // itself when no pair matched.
  [[nodiscard]] QString apply(const QString& text) const;

 private:
  // Which units occur in a text: ASCII exactly, others by a 64-way hash. A
  // search string can only occur in a text whose mask covers its own, which
  // spares most passes the search.
  struct UnitMask {
    std::array<std::uint64_t, 3> bits{};
    static UnitMask of(QStringView text);
    [[nodiscard]] bool covers(const UnitMask& other) const;
    UnitMask& operator|=(const UnitMask& other);
  };

  struct Pair {
    QString search, replacement;
    UnitMask needs, adds;
  };

  std::vector<Pair> pairs_;
};
