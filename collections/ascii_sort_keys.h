// Sort keys of ASCII-only strings made without ICU, byte for byte the keys the
// collator itself would make, for sorts of many short strings where making the
// keys is most of the cost.
//
// Everything is learnt from the collator: the primary weight bytes of each
// ASCII character (from the key of the character alone), how a count of common
// secondary weights is written, and, with numeric collation, the lead byte of
// digit runs. The collator is then checked: every pair of characters (and a
// digit run beside each character) must make the key the learnt pieces make,
// and the locale must not tailor any ASCII text. Characters whose key does not
// fit the model send their strings to ICU; a collator that fails a check gets
// no fast path at all.
#pragma once

#include <unicode/coll.h>

#include <QStringView>
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class AsciiSortKeys {
 public:
  // The fast keys of `collator` (`numeric`: it has numeric collation on);
  // nullptr when the collator does something with ASCII text they cannot repeat.
  [[nodiscard]] static std::unique_ptr<AsciiSortKeys> learn(const icu::Collator& collator, bool numeric);

  // The most bytes write() needs for a text of `length` units.
  [[nodiscard]] qsizetype maxKeyBytes(qsizetype length) const;

  // Writes the key of `text` to `out` (maxKeyBytes(text.size()) bytes of room)
  // and answers its length; -1, writing nothing useful, when the text is not
  // plain ASCII the fast keys cover (ICU makes that key instead).
  [[nodiscard]] qsizetype write(QStringView text, std::uint8_t* out) const;

 private:
  // What one ASCII character adds: its primary bytes and its number of
  // collation elements (0 for characters ICU ignores).
  struct Weights {
    std::uint8_t primary[4];
    std::uint8_t length;
    std::uint8_t elements;
    bool covered;
  };

  AsciiSortKeys() = default;
  [[nodiscard]] std::vector<std::uint8_t> keyOf(QStringView text) const;
  [[nodiscard]] bool agreesWithCollator(QStringView text) const;

  const icu::Collator* collator_ = nullptr;
  // Whether a digit run is short enough for ICU's compact number form.
  static bool fitsShortNumber(const char16_t* digits, qsizetype count);
  std::uint8_t* writeLongNumber(const char16_t* digits, qsizetype count, std::uint8_t* w,
                                int& elements) const;
  // Longer digit runs are split by ICU; their strings are left to it.
  static constexpr qsizetype kLongestNumber = 254;

  bool numeric_ = false;
  bool longNumbers_ = false;  // larger numbers checked against ICU's keys
  std::uint8_t numericLead_ = 0;
  std::array<Weights, 128> weights_{};
  // tails_[n]: the key's bytes from the level separator on, for n elements.
  std::vector<std::vector<std::uint8_t>> tails_;
  qsizetype longestTail_ = 0;
};
