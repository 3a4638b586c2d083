// Fixed locales for the C library's text functions. A Qt application runs
// under the user's locale (Qt calls setlocale(LC_ALL, "")): under de_DE strtod
// stops at the '.' of "1.5", and under a single-byte locale regexec walks bytes
// rather than characters. The toolkit runs such calls under these locales
// instead, so every user gets the same results.
#pragma once

#include <locale.h>

// The POSIX locale: ASCII white space, '.' as the decimal point, one byte per
// character, English messages.
[[nodiscard]] locale_t cLocale();

// The POSIX locale with UTF-8 characters (C.UTF-8), so that "." or "[^a]"
// takes a whole character; the POSIX locale itself where the system lacks it.
[[nodiscard]] locale_t utf8CharacterLocale();

// Makes a locale the calling thread's own until the end of the scope, then
// restores the thread's previous one.
class ScopedThreadLocale {
 public:
  explicit ScopedThreadLocale(locale_t locale) : previous_(uselocale(locale)) {}
  ~ScopedThreadLocale() { uselocale(previous_); }
  ScopedThreadLocale(const ScopedThreadLocale&) = delete;
  ScopedThreadLocale& operator=(const ScopedThreadLocale&) = delete;

 private:
  locale_t previous_;
};
