#include "text/string_urls.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

QString allocated(const char* utf8) { return QString::fromUtf8(utf8); }

TEST(StringUrls, AddPercentEscapes) {
  const struct {
    QString text, escaped;
  } cases[] = {
      {u"x/y?z"_qs, u"x%2Fy?z"_qs},
      {u"a%20b"_qs, u"a%20b"_qs},  // decoded first, then escaped again
      {u"a%2fb"_qs, u"a%2Fb"_qs},
      {u"a b+c"_qs, u"a%20b%2Bc"_qs},
      {u" ;+:@&=/"_qs, u"%20%3B%2B%3A%40%26%3D%2F"_qs},
      {u"-_.!~*'()?$,"_qs, u"-_.!~*'()?$,"_qs},
      {u"%\"#<>[]\\^`{|}"_qs, u"%25%22%23%3C%3E%5B%5D%5C%5E%60%7B%7C%7D"_qs},
      {u"é€\U0001F600"_qs, u"%C3%A9%E2%82%AC%F0%9F%98%80"_qs},
      {u"100%"_qs, u"100%25"_qs},      // a "%" without digits is a character
      {u"%FF x"_qs, u"%25FF%20x"_qs},  // escapes that do not decode are escaped as they are
      {QString(QChar(0xD800)), u"%EF%BF%BD"_qs},
      {u"\n\t"_qs, u"%0A%09"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(addPercentEscapes(c.text), c.escaped);
  }
  const QString plain = allocated("nothing-to-escape");
  EXPECT_TRUE(addPercentEscapes(plain).isSharedWith(plain));
}

TEST(StringUrls, RemovePercentEscapes) {
  const std::optional<QString> absent;
  const struct {
    QString text;
    std::optional<QString> decoded;
  } cases[] = {
      {u"%C3%A9"_qs, u"é"_qs},
      {u"caf%c3%a9!"_qs, u"café!"_qs},
      {u"a+b"_qs, u"a+b"_qs},
      {u"%41%42c"_qs, u"ABc"_qs},
      {u"%F0%9F%98%80"_qs, u"\U0001F600"_qs},
      {u"%00"_qs, QString(QChar(0))},
      {u"100%"_qs, u"100%"_qs},  // a "%" without two digits stays
      {u"%4"_qs, u"%4"_qs},
      {u"%zz%41"_qs, u"%zzA"_qs},
      {u"%%41"_qs, u"%A"_qs},
      {u"é%20"_qs, u"é "_qs},
      {u"%FF"_qs, absent},
      {u"%C3"_qs, absent},      // cut sequence
      {u"%C3x%A9"_qs, absent},  // a sequence split by a character
      {u"%C0%80"_qs, absent},   // overlong
      {u"%E0%80%80"_qs, absent},
      {u"%ED%A0%80"_qs, absent},  // encoded surrogate
      {u"%A9"_qs, absent},        // lone continuation byte
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(removePercentEscapes(c.text), c.decoded);
  }
  const QString plain = allocated("no escapes here");
  EXPECT_TRUE(removePercentEscapes(plain)->isSharedWith(plain));
}

TEST(StringUrls, PercentEscapesRoundTripRandomText) {
  QRandomGenerator random(3986);
  for (int round = 0; round < 500; ++round) {
    QString text;
    for (int k = random.bounded(1, 16); k > 0; --k) {
      switch (random.bounded(3)) {
        case 0:
          text += QChar(char16_t(random.bounded(0x20, 0x7F)));
          break;
        case 1:
          text += QChar(char16_t(random.bounded(0xA0, 0xD800)));
          break;
        default:
          text += QString::fromUcs4(
              std::array<char32_t, 1>{char32_t(random.bounded(0x10000, 0x110000))}.data(), 1);
      }
    }
    SCOPED_TRACE(::testing::PrintToString(text));
    const QString escaped = addPercentEscapes(text);
    // The escaped form is plain ASCII that decodes to what addPercentEscapes
    // saw: the text itself, or its decoding when it held valid escapes.
    for (const QChar c : escaped) ASSERT_LT(c.unicode(), 0x80);
    EXPECT_EQ(removePercentEscapes(escaped), removePercentEscapes(text).value_or(text));
    EXPECT_EQ(decodeURLString(prepForURL(text)), removePercentEscapes(text).value_or(text));
  }
}

TEST(StringUrls, PrepForURL) {
  const struct {
    QString text, prepared;
  } cases[] = {
      {u"a b+c"_qs, u"a+b%2Bc"_qs},
      {u"  "_qs, u"++"_qs},
      {u"a%20b"_qs, u"a+b"_qs},
      {u"q=ä&x"_qs, u"q%3D%C3%A4%26x"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(prepForURL(c.text), c.prepared);
  }
}

TEST(StringUrls, DecodeURLString) {
  const struct {
    QString text, decoded;
  } cases[] = {
      {u"a+b%41c"_qs, u"a bAc"_qs},
      {u"a%2Bb"_qs, u"a+b"_qs},
      {u"caf%C3%A9"_qs, u"café"_qs},  // escaped UTF-8 runs are joined
      {u"%C3%A9"_qs, u"é"_qs},
      {u"%F0%9F%98%80+"_qs, u"\U0001F600 "_qs},
      {u"  x"_qs, u"  x"_qs},
      {u"a%00b"_qs, u"ab"_qs},    // the byte 0 adds nothing
      {u"%FF"_qs, u"\uFFFD"_qs},  // bytes that are not UTF-8 show as U+FFFD
      {u"%C3+%A9"_qs, u"\uFFFD \uFFFD"_qs},
      {u"%ED%A0%80"_qs, u"\uFFFD\uFFFD\uFFFD"_qs},
      {u"%zz+"_qs, u"%zz "_qs},  // a malformed escape is kept as written
      {u"%4z%41"_qs, u"%4zA"_qs},
      {u"%+41"_qs, u"%+41"_qs},  // ... and the two units it takes are not decoded
      {u"%%41"_qs, u"%%41"_qs},
      {u"100%"_qs, u"100%"_qs},
      {u"5%2"_qs, u"5%2"_qs},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(decodeURLString(c.text), c.decoded);
  }
  const QString plain = allocated("nothing to decode");
  EXPECT_TRUE(decodeURLString(plain).isSharedWith(plain));
}

TEST(StringUrls, EmptyReceiversComeBackThemselves) {
  QString empty;
  empty.reserve(4);
  EXPECT_TRUE(addPercentEscapes(empty).isSharedWith(empty));
  EXPECT_TRUE(removePercentEscapes(empty)->isSharedWith(empty));
  EXPECT_TRUE(prepForURL(empty).isSharedWith(empty));
  EXPECT_TRUE(decodeURLString(empty).isSharedWith(empty));
}

TEST(StringUrls, IsValidURL) {
  const struct {
    QString text;
    bool valid;
  } cases[] = {
      {u"hello"_qs, true},
      {u"a/b?c=1"_qs, true},
      {u"http://example.com/a%20b?q=1#frag"_qs, true},
      {u"mailto:someone@example.com"_qs, true},
      {u"http://[::1]:8080/x"_qs, true},
      {u"../up"_qs, true},
      {u"#only"_qs, true},
      {u""_qs, false},
      {u"a b"_qs, false},
      {u"a\"b"_qs, false},
      {u"a<b"_qs, false},
      {u"a>b"_qs, false},
      {u"a\\b"_qs, false},
      {u"a^b"_qs, false},
      {u"a`b"_qs, false},
      {u"a{b}"_qs, false},
      {u"a|b"_qs, false},
      {u"a\tb"_qs, false},
      {u"a\nb"_qs, false},
      {u"caf\u00E9"_qs, false},
      {u"a#b#c"_qs, false},
      {u"a[b]"_qs, false},
      {u"http://[::1]/a[0]"_qs, false},
      {u"%zz"_qs, false},
      {u"a%2"_qs, false},
      {u"http://x:99999/"_qs, false},
      {u"http://a b/"_qs, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.text));
    EXPECT_EQ(isValidURL(c.text), c.valid);
    EXPECT_EQ(convertToURL(c.text).has_value(), c.valid);
  }
}

TEST(StringUrls, ConvertToURLRelativeToURL) {
  const QUrl base(u"http://a/b/c/d;p?q"_qs);
  const struct {
    QString reference;
    std::optional<QString> resolved;
  } cases[] = {
      {u"g"_qs, u"http://a/b/c/g"_qs},
      {u"./g"_qs, u"http://a/b/c/g"_qs},
      {u"g/"_qs, u"http://a/b/c/g/"_qs},
      {u"/g"_qs, u"http://a/g"_qs},
      {u"//g"_qs, u"http://g"_qs},
      {u"?y"_qs, u"http://a/b/c/d;p?y"_qs},
      {u"g?y#s"_qs, u"http://a/b/c/g?y#s"_qs},
      {u"#s"_qs, u"http://a/b/c/d;p?q#s"_qs},
      {u"../g"_qs, u"http://a/b/g"_qs},
      {u"../../../g"_qs, u"http://a/g"_qs},
      {u"https://other/x"_qs, u"https://other/x"_qs},
      {u""_qs, u"http://a/b/c/d;p?q"_qs},
      {u"a b"_qs, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.reference));
    const std::optional<QUrl> url = convertToURLRelativeToURL(c.reference, base);
    ASSERT_EQ(url.has_value(), c.resolved.has_value());
    if (url) {
      EXPECT_EQ(url->toString(), *c.resolved);
    }
  }
  EXPECT_EQ(convertToURLRelativeToURL(u"g"_qs, QUrl())->toString(), u"g"_qs);
}

}  // namespace
