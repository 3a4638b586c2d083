#include "collections/collation.h"

#include <gtest/gtest.h>

#include <QString>

#include "collections/string_orderings.h"
#include "testsupport/qt_printers.h"

namespace {

struct PairCase {
  const char* locale;
  StringOrdering ordering;
  const char16_t* a;
  const char16_t* b;
  int expected;
};

int sign(int value) { return (value > 0) - (value < 0); }

// Orders that change with the user's locale, checked on the very collators the
// orderings make (only the locale differs). "C" stands for the C locale as ICU
// reports it, en_US_POSIX.
TEST(CollationTest, OrderFollowsTheLocale) {
  const PairCase cases[] = {
      // The C locale collates like root, not by code point: "b" before "Z".
      {"en_US_POSIX", StringOrdering::CaseInsensitive, u"b", u"Z", -1},
      {"en_US_POSIX", StringOrdering::CaseInsensitive, u"\u00e4", u"b", -1},
      {"en_US", StringOrdering::CaseInsensitive, u"\u00e4", u"b", -1},
      {"de_DE", StringOrdering::CaseInsensitive, u"\u00e4", u"b", -1},
      {"de_DE", StringOrdering::CaseInsensitive, u"\u00e4", u"a", 1},
      // Swedish sorts "ä" after "z".
      {"sv_SE", StringOrdering::CaseInsensitive, u"\u00e4", u"z", 1},
      {"sv_SE", StringOrdering::Numeric, u"\u00e4pple2", u"zebra10", 1},
      {"en_US", StringOrdering::Numeric, u"\u00e4pple2", u"zebra10", -1},
      {"de_DE", StringOrdering::Numeric, u"Stra\u00dfe9", u"STRASSE10", -1},
      {"en_US_POSIX", StringOrdering::Numeric, u"file9", u"File10", -1},
      // Case is ignored everywhere, accents are not.
      {"sv_SE", StringOrdering::CaseInsensitive, u"\u00c4r", u"\u00e4R", 0},
      {"en_US", StringOrdering::CaseInsensitive, u"resume", u"r\u00e9sum\u00e9", -1},
  };
  for (const PairCase& c : cases) {
    SCOPED_TRACE(std::string(c.locale) + " " + QString::fromUtf16(c.a).toStdString() + " vs " +
                 QString::fromUtf16(c.b).toStdString());
    const auto collator = createCollator(collatorOptions(c.ordering), icu::Locale(c.locale));
    ASSERT_NE(collator, nullptr);
    const QString a = QString::fromUtf16(c.a);
    const QString b = QString::fromUtf16(c.b);
    EXPECT_EQ(collationCompare(collator.get(), a, b), c.expected);
    EXPECT_EQ(sign(collationSortKey(collator.get(), a).compare(collationSortKey(collator.get(), b))), c.expected);
  }
}

TEST(CollationTest, CAndPosixUseTheRootCollation) {
  for (const char* name : {"en_US_POSIX", "C", "c"}) {
    SCOPED_TRACE(name);
    EXPECT_STREQ(collationLocale(icu::Locale(name)).getName(), icu::Locale::getRoot().getName());
  }
  EXPECT_STREQ(collationLocale(icu::Locale("sv_SE")).getName(), "sv_SE");
}

// Without collation data the fallback orders case-folded code units, and its
// sort keys agree with its comparison.
TEST(CollationTest, FallbackWithoutCollatorIsCaseFoldedCodeUnits) {
  const struct {
    QString a, b;
    int expected;
  } cases[] = {
      {"abc", "ABC", 0},
      {"a", "B", -1},
      {"a", QString::fromUtf16(u"a\u0000", 2), -1},
      {"\uffff", QString::fromUtf16(u"\U0001F600"), 1},  // code units, not code points
      {"", "", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.a.toStdString() + " vs " + c.b.toStdString());
    EXPECT_EQ(collationCompare(nullptr, c.a, c.b), c.expected);
    EXPECT_EQ(sign(collationSortKey(nullptr, c.a).compare(collationSortKey(nullptr, c.b))), c.expected);
  }
}

// Sort keys must grow past the first guess for long texts.
TEST(CollationTest, LongTextsGetWholeSortKeys) {
  const auto collator = createCollator(collatorOptions(StringOrdering::Numeric), icu::Locale::getRoot());
  const QString long1 = QString(5000, u'\u4e00') + "1";
  const QString long2 = QString(5000, u'\u4e00') + "2";
  EXPECT_LT(collationSortKey(collator.get(), long1), collationSortKey(collator.get(), long2));
}

}  // namespace
