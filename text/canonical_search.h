// Searching text the way a reader sees it: canonically equivalent sequences
// match ("é" precomposed finds "e" + U+0301), and a match always takes whole
// characters of the searched text, so its range can be cut out cleanly.
#pragma once

#include <QStringView>
#include <optional>

struct TextRange {
  qsizetype position = 0;
  qsizetype length = 0;
  friend bool operator==(const TextRange&, const TextRange&) = default;
};

// Answers the range of the first occurrence of `needle` in `text`, counted in
// units of `text`. Equivalence is canonical (NFD); with `ignoreCase` both sides
// are also case folded. A match may not split a surrogate pair or end before a
// combining mark of its last character. The range covers what was matched in
// `text`, whose length can differ from the needle's. An empty needle is never found.
// Example: "cafe\u0301!" with needle "\u00E9" -> {3, 2}.
[[nodiscard]] std::optional<TextRange> findCanonicallyEquivalent(QStringView text, QStringView needle,
                                                                 bool ignoreCase);
