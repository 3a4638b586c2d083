#include "collections/ascii_sort_keys.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QString>
#include <random>
#include <vector>

#include "collections/collation.h"
#include "collections/string_orderings.h"

namespace {

struct Learnt {
  std::unique_ptr<icu::Collator> collator;
  std::unique_ptr<AsciiSortKeys> keys;
};

Learnt learnt(const char* locale, StringOrdering ordering) {
  Learnt l;
  l.collator = createCollator(collatorOptions(ordering), icu::Locale(locale));
  if (l.collator) l.keys = AsciiSortKeys::learn(*l.collator, ordering == StringOrdering::Numeric);
  return l;
}

// The fast key of `text`, or nothing when the fast keys leave it to ICU.
std::optional<QByteArray> fastKey(const AsciiSortKeys& keys, const QString& text) {
  QByteArray key(keys.maxKeyBytes(text.size()), '\0');
  const qsizetype length = keys.write(text, reinterpret_cast<std::uint8_t*>(key.data()));
  if (length < 0) return std::nullopt;
  key.truncate(length);
  return key;
}

// ASCII text built from pieces that stress the keys: letters of both cases,
// digit runs of every size (leading zeros, values at the encoding's
// boundaries, runs too long for the fast keys), spaces, punctuation, tabs,
// control characters ICU ignores, and now and then a non-ASCII character.
QString randomText(QRandomGenerator& random) {
  static const char* const pieces[] = {
      "a",  "Z",  "file",  "IMG_",  " ",       "-",       ".",        "'",   "\t", "\n",   "0",    "007",
      "73", "74", "10233", "10234", "1042489", "1042490", "12345678", "000", "~",  "\x01", "\x7f", "ß"};
  QString s;
  const int count = random.bounded(0, 12);
  for (int i = 0; i < count; ++i) {
    if (random.bounded(3) == 0)
      s += QChar(char16_t(random.bounded(0x20, 0x7F)));
    else
      s += QString::fromUtf8(pieces[random.bounded(int(std::size(pieces)))]);
  }
  return s;
}

}  // namespace

TEST(AsciiSortKeysTest, KeysAreTheCollatorsOwnInEveryLocale) {
  QRandomGenerator random(2026);
  for (const char* locale : {"en_US_POSIX", "en_US", "de_DE", "sv_SE"}) {
    for (StringOrdering ordering : {StringOrdering::CaseInsensitive, StringOrdering::Numeric}) {
      SCOPED_TRACE(::testing::Message() << locale << (ordering == StringOrdering::Numeric ? " numeric" : ""));
      const Learnt l = learnt(locale, ordering);
      ASSERT_NE(l.keys, nullptr);  // these locales leave ASCII alone: the fast keys must apply
      int fast = 0;
      for (int round = 0; round < 20000; ++round) {
        const QString text = randomText(random);
        const std::optional<QByteArray> key = fastKey(*l.keys, text);
        if (!key) continue;
        ++fast;
        ASSERT_EQ(*key, collationSortKey(l.collator.get(), text)) << text.toStdString();
      }
      EXPECT_GT(fast, 5000);  // most texts take the fast keys
    }
  }
}

// Numbers of every length, with zeros anywhere, beside text, give ICU's keys.
TEST(AsciiSortKeysTest, NumbersOfAnyLengthGiveIcusKeys) {
  std::mt19937 rng(7);
  for (const char* locale : {"", "en_US", "de_DE", "sv_SE"}) {
    const Learnt numeric = learnt(locale, StringOrdering::Numeric);
    ASSERT_NE(numeric.keys, nullptr) << locale;
    for (int i = 0; i < 3000; ++i) {
      QString text;
      const int parts = 1 + int(rng() % 3);
      for (int part = 0; part < parts; ++part) {
        if (part > 0 || rng() % 2) text += QStringLiteral("-a ")[int(rng() % 3)];  // runs stay apart
        const int digits = 1 + int(rng() % (i % 10 == 0 ? 254 : 24));
        for (int d = 0; d < digits; ++d) text += QChar(char16_t(u'0' + (rng() % 3 == 0 ? 0 : rng() % 10)));
      }
      SCOPED_TRACE(text.toStdString());
      const std::optional<QByteArray> key = fastKey(*numeric.keys, text);
      ASSERT_TRUE(key);
      EXPECT_EQ(*key, collationSortKey(numeric.collator.get(), text));
    }
  }
}

TEST(AsciiSortKeysTest, LongTextsAndWhatIsLeftToIcu) {
  const Learnt plain = learnt("en_US", StringOrdering::CaseInsensitive);
  const Learnt numeric = learnt("en_US", StringOrdering::Numeric);
  ASSERT_NE(plain.keys, nullptr);
  ASSERT_NE(numeric.keys, nullptr);
  const struct {
    QString text;
    bool fastPlain, fastNumeric;
  } cases[] = {
      {QString(), true, true},
      {QString(255, u'x'), true, true},
      {QString(256, u'x'), false, false},     // more elements than the keys have learnt
      {QString(300, u'\x01'), false, false},  // control characters go to ICU
      {QStringLiteral("caf\u00e9"), false, false},
      {QStringLiteral("track1042489"), true, true},
      {QStringLiteral("track1042490"), true, true},      // beyond four bytes: ICU's long number form
      {QStringLiteral("track00001042489"), true, true},  // leading zeros do not count
      {QStringLiteral("0800123456 / 555-0100"), true, true},
      {QStringLiteral("x") + QString(254, u'9'), true, true},
      {QStringLiteral("x") + QString(255, u'9'), false, false},  // ICU splits runs this long
      {QStringLiteral("1") + QString(200, u'0'), true, true},    // zero pairs at the end are left out
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.toStdString());
    const std::optional<QByteArray> p = fastKey(*plain.keys, c.text);
    const std::optional<QByteArray> n = fastKey(*numeric.keys, c.text);
    EXPECT_EQ(p.has_value(), c.fastPlain);
    EXPECT_EQ(n.has_value(), c.fastNumeric);
    if (p) {
      EXPECT_EQ(*p, collationSortKey(plain.collator.get(), c.text));
    }
    if (n) {
      EXPECT_EQ(*n, collationSortKey(numeric.collator.get(), c.text));
    }
  }
}

TEST(AsciiSortKeysTest, LocalesThatTailorAsciiGetNoFastKeys) {
  // Danish "aa" sorts as "å", Czech "ch" after "h", Hungarian "cs" after "c".
  for (const char* locale : {"da_DK", "cs_CZ", "hu_HU"}) {
    SCOPED_TRACE(locale);
    EXPECT_EQ(learnt(locale, StringOrdering::CaseInsensitive).keys, nullptr);
    EXPECT_EQ(learnt(locale, StringOrdering::Numeric).keys, nullptr);
  }
}
