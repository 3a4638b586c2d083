// Telephone-number rules: which texts are telephone numbers, what a dialer is
// given for them, and how a number is shown so that what the user sees is
// what gets dialled.
//
// A number is read after NFKC normalisation, with every Unicode decimal digit
// taken as its ASCII digit ("𝟟" and "٧" are 7). It may hold a leading "+",
// digits, "*", "#", the visual separators - . ( ) and spaces, and one
// extension at its end written "ext. 21", "ext 21", "x21" or ";ext=21".
// Invisible format characters (bidi controls, zero-width spaces) are ignored.
// Anything else - letters, quotes, "$", ";", "/", a comma or line break
// between two numbers - means the text is not a telephone number.
#pragma once

#include <QString>
#include <QUrl>
#include <optional>

struct TelephoneNumber {
  // The number as written: trimmed, digits in ASCII, format characters removed.
  // Example: "  +1 (555) 123-4567 ext. 21" -> "+1 (555) 123-4567 ext. 21".
  QString written;
  // What a keypad dials: a leading "+", digits, "*" and "#". Example: "+15551234567".
  QString keypad;
  // The keypad characters with the visual separators kept, as a tel: URI carries them:
  // "+1(555)123-4567".
  QString visual;
  // The extension's digits; empty when there is none. Example: "21".
  QString extension;

  // The tel: URI. Example: "tel:+1(555)123-4567;ext=21"; "#" is written %23.
  [[nodiscard]] QUrl telUri() const;
  // The keypad characters with ";ext=21" when there is an extension.
  [[nodiscard]] QString keypadWithExtension() const;
};

// The longest text read as a number, and the most keypad characters a number may have.
inline constexpr qsizetype kMaxTelephoneNumberText = 256;
inline constexpr qsizetype kMaxTelephoneNumberKeys = 64;

// Reads `shown` (the number as the table shows it) as a telephone number; when
// it is none, answers nothing and puts the reason, naming the exact text that
// cannot be dialled, into `problem` (when not null).
// Example: readTelephoneNumber("555-CALL") -> nothing, "“555-CALL” is not a
// telephone number: it holds “C”."
[[nodiscard]] std::optional<TelephoneNumber> readTelephoneNumber(const QString& shown, QString* problem);

// `text` with every invisible character that could reorder or hide digits
// (format characters such as U+202E, controls, line and paragraph separators)
// written visibly as "[U+202E]", so a number always reads in the order it dials.
// Example: visibleNumberText("\u202E5550107") -> "[U+202E]5550107".
[[nodiscard]] QString visibleNumberText(const QString& text);

// visibleNumberText shortened to about `limit` characters with "…", for messages.
[[nodiscard]] QString quotedNumberForMessage(const QString& text, qsizetype limit = 60);
