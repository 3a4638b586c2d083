#include "text/c_locales.h"

#include <initializer_list>

locale_t cLocale() {
  static const locale_t locale = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
  return locale;
}

locale_t utf8CharacterLocale() {
  static const locale_t locale = [] {
    for (const char* name : {"C.UTF-8", "C.utf8", "en_US.UTF-8"}) {
      // Only the character classes change; messages, numbers and collation
      // stay those of the POSIX locale.
      if (const locale_t found = newlocale(LC_CTYPE_MASK, name, locale_t(nullptr))) return found;
    }
    return cLocale();
  }();
  return locale;
}
