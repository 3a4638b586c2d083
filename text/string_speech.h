// Text to phonemes, by the eSpeak NG speech synthesizer.
#pragma once

#include <QString>
#include <optional>

namespace Tirr_NSStringAdditions {

// Returns the receiver in eSpeak NG's phoneme notation as the first English
// voice speaks it: one group per clause, groups joined by a space, words
// separated by spaces, stress marked with ' and ,. A U+0000 separates clauses
// like any other break rather than ending the text. Returns nullopt when the
// synthesizer or its English voice is not installed (Debian espeak-ng-data).
// The synthesizer and its voice are loaded on the first call (about 70 ms)
// and kept for the process; later calls only convert.
// Example: phonemes("Hello world") -> "h@l'oU w'3:ld".
[[nodiscard]] std::optional<QString> phonemes(const QString& receiver);

}  // namespace Tirr_NSStringAdditions
