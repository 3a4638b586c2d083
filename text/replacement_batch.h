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
  // The first one, two and three units at each place where a search string
  // could start, hashed twice into 512 bits. A pass whose search string's own
  // start is missing from the text is skipped without searching.
  struct StartMask {
    std::array<std::uint64_t, 8> bits{};
    void add(std::uint32_t hash) {
      set(hash);
      set(hash >> 9);
    }
    void merge(const StartMask& other) {
      for (size_t i = 0; i < bits.size(); ++i) bits[i] |= other.bits[i];
    }
    [[nodiscard]] bool has(std::uint32_t hash) const { return test(hash) && test(hash >> 9); }

   private:
    void set(std::uint32_t h) { bits[(h >> 6) & 7] |= std::uint64_t{1} << (h & 63); }
    [[nodiscard]] bool test(std::uint32_t h) const { return (bits[(h >> 6) & 7] >> (h & 63)) & 1; }
  };

  struct Pair {
    QString search, replacement;
    std::uint32_t startHash;
  };

  [[nodiscard]] bool mayStartWith(char16_t unit) const {
    return unit < 0x80 ? (asciiFirstUnits_[unit >> 6] >> (unit & 63)) & 1 : nonAsciiFirstUnits_;
  }
  [[nodiscard]] StartMask startsIn(QStringView text) const;
  // Replaces every occurrence of `pair`, the first being at `first`, and adds
  // the starts the replacements make to `starts`.
  void replaceAll(QString& text, const Pair& pair, qsizetype first, StartMask& starts) const;

  std::array<std::uint64_t, 2> asciiFirstUnits_{};
  bool nonAsciiFirstUnits_ = false;
  unsigned startLengths_ = 0;  // bit k set: some search string's start hash covers k units
  std::vector<Pair> pairs_;
};
