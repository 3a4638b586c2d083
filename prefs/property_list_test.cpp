#include "prefs/property_list.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QPoint>
#include <QVariantList>
#include <QVariantMap>
#include <limits>

#include "testsupport/qt_printers.h"

namespace {

QVariant i64(qint64 v) { return QVariant::fromValue(v); }
QVariant utc(const char* iso) {
  return QVariant(QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs));
}
QVariant str(const char* utf8) { return QVariant(QString::fromUtf8(utf8)); }

struct DecodeCase {
  const char* name;
  const char* text;
  QVariant expected;
};

void expectDecodes(const DecodeCase& c, plist::Format format) {
  SCOPED_TRACE(c.name);
  const QByteArray bytes(c.text);
  EXPECT_EQ(plist::detectFormat(bytes), format);
  QString error;
  const auto value = plist::decode(bytes, &error);
  ASSERT_TRUE(value) << error.toStdString();
  EXPECT_TRUE(plist::sameValue(*value, c.expected)) << ::testing::PrintToString(*value);
}

TEST(XmlPropertyList, DecodesEveryElement) {
  const DecodeCase cases[] = {
      {"a full document",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
       "<plist version=\"1.0\">\n<dict>\n"
       "  <key>index</key><integer>-9223372036854775808</integer>\n"
       "  <key>max</key><integer>18446744073709551615</integer>\n"
       "  <key>hex</key><integer>0x1F</integer>\n"
       "  <key>ratio</key><real>-2.5e-3</real>\n"
       "  <key>ok</key><true/>\n"
       "  <key>no</key><false/>\n"
       "  <key>when</key><date>2024-02-29T12:34:56Z</date>\n"
       "  <key>blob</key><data>\n    AAH/\n    YQ==\n  </data>\n"
       "  <key>list</key><array><string>a &amp; b &lt;c&gt;</string><array/><dict/></array>\n"
       "</dict>\n</plist>\n",
       QVariantMap{{"index", i64(std::numeric_limits<qint64>::min())},
                   {"max", QVariant::fromValue(std::numeric_limits<quint64>::max())},
                   {"hex", i64(31)},
                   {"ratio", QVariant(-2.5e-3)},
                   {"ok", QVariant(true)},
                   {"no", QVariant(false)},
                   {"when", utc("2024-02-29T12:34:56Z")},
                   {"blob", QByteArray("\x00\x01\xff\x61", 4)},
                   {"list", QVariantList{str("a & b <c>"), QVariantList{}, QVariantMap{}}}}},
      {"fractional seconds", "<plist><date>2001-01-01T00:00:00.250Z</date></plist>",
       utc("2001-01-01T00:00:00.250Z")},
      {"non-BMP text and a character reference", "<plist><string>\xF0\x9F\x98\x80&#x263A;</string></plist>",
       str("\xF0\x9F\x98\x80\xE2\x98\xBA")},
      {"white space kept inside a string", "<plist><string> a\n b </string></plist>", str(" a\n b ")},
      {"infinite real", "<plist><real>-inf</real></plist>",
       QVariant(-std::numeric_limits<double>::infinity())},
      {"bare value without a plist element", "<string>x</string>", str("x")},
  };
  for (const auto& c : cases) expectDecodes(c, plist::Format::Xml);
}

TEST(TextPropertyList, DecodesOpenStepAndGnustepForms) {
  const DecodeCase cases[] = {
      {"dictionary with comments and every scalar",
       "// preferences\n{\n  name = \"Telvane \\\"List\\\" Dialer\";  /* quoted */\n  path = "
       "/usr/local-bin_1.2:x$;\n"
       "  list = (one, \"two\", (), {}, );\n  blob = <0001 FF61>;\n  count = <*I-42>; ratio = <*R0.5>;\n"
       "  on = <*BY>; off = <*BN>; when = <*D2001-01-01 00:00:05 +0000>;\n}\n",
       QVariantMap{{"name", str("Telvane \"List\" Dialer")},
                   {"path", str("/usr/local-bin_1.2:x$")},
                   {"list", QVariantList{str("one"), str("two"), QVariantList{}, QVariantMap{}}},
                   {"blob", QByteArray("\x00\x01\xff\x61", 4)},
                   {"count", i64(-42)},
                   {"ratio", QVariant(0.5)},
                   {"on", QVariant(true)},
                   {"off", QVariant(false)},
                   {"when", utc("2001-01-01T00:00:05Z")}}},
      {"escapes", "\"\\t\\n\\\\\\U263a\\101\\u00e9\"",
       str("\t\n\\\xE2\x98\xBA"
           "A\xC3\xA9")},
      {"numbers stay strings", "(12, -3.5)", QVariantList{str("12"), str("-3.5")}},
      {"strings file without braces", "\"a\" = \"1\";\nb = (x);\n",
       QVariantMap{{"a", str("1")}, {"b", QVariantList{str("x")}}}},
      {"single-quoted UTF-8", "'caf\xC3\xA9 \xF0\x9F\x98\x80'", str("caf\xC3\xA9 \xF0\x9F\x98\x80")},
      {"last entry without a semicolon", "{a = b}", QVariantMap{{"a", str("b")}}},
  };
  for (const auto& c : cases) expectDecodes(c, plist::Format::Text);
}

TEST(PropertyList, RejectsMalformedXmlAndText) {
  const struct {
    const char* name;
    const char* text;
  } cases[] = {
      {"xml: unclosed dict", "<plist><dict><key>a</key><string>b</string>"},
      {"xml: key without value", "<plist><dict><key>a</key></dict></plist>"},
      {"xml: value without key", "<plist><dict><string>a</string></dict></plist>"},
      {"xml: integer beyond 64 bits", "<plist><integer>18446744073709551616</integer></plist>"},
      {"xml: integer below INT64_MIN", "<plist><integer>-9223372036854775809</integer></plist>"},
      {"xml: integer with junk", "<plist><integer>12abc</integer></plist>"},
      {"xml: bad real", "<plist><real>1.2.3</real></plist>"},
      {"xml: bad date", "<plist><date>yesterday</date></plist>"},
      {"xml: bad base64", "<plist><data>@@@@</data></plist>"},
      {"xml: unknown element", "<plist><float>1</float></plist>"},
      {"xml: two top-level values", "<plist><true/><false/></plist>"},
      {"xml: empty plist", "<plist/>"},
      {"xml: element inside a string", "<plist><string>a<b/></string></plist>"},
      {"xml: undefined entity", "<plist><string>&bogus;</string></plist>"},
      {"text: empty", ""},
      {"text: only a comment", "/* nothing */"},
      {"text: unterminated comment", "{ /* a = b; }"},
      {"text: unterminated string", "\"abc"},
      {"text: missing '='", "{ a b; }"},
      {"text: missing ';'", "{ a = b c = d; }"},
      {"text: unterminated array", "(a, b"},
      {"text: odd hex digits", "<abc>"},
      {"text: bad data character", "<zz>"},
      {"text: trailing text", "(a) b"},
      {"text: malformed typed integer", "<*Ix>"},
      {"text: stray character", "{ a = ]; }"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QString error;
    EXPECT_FALSE(plist::decode(QByteArray(c.text), &error));
    EXPECT_FALSE(error.isEmpty());
  }
}

TEST(PropertyList, RejectsNestingDeeperThanTheLimitInEveryForm) {
  const int depth = plist::kMaxDepth + 5;
  const QByteArray text = QByteArray(depth, '(') + QByteArray(depth, ')');
  QByteArray xml("<plist>");
  for (int i = 0; i < depth; ++i) xml += "<array>";
  for (int i = 0; i < depth; ++i) xml += "</array>";
  xml += "</plist>";
  for (const QByteArray& bytes : {text, xml}) {
    QString error;
    EXPECT_FALSE(plist::decode(bytes, &error));
    EXPECT_TRUE(error.contains(QStringLiteral("deeper"))) << error.toStdString();
  }
}

TEST(PropertyList, EncodeNormalizesAndRefusesForeignKinds) {
  const auto bytes = plist::encode(QVariantMap{{"n", 7}, {"names", QStringList{"a", "b"}}});
  ASSERT_TRUE(bytes);
  const auto back = plist::decode(*bytes);
  ASSERT_TRUE(back);
  EXPECT_TRUE(
      plist::sameValue(*back, QVariantMap{{"n", i64(7)}, {"names", QVariantList{str("a"), str("b")}}}));

  QString error;
  EXPECT_FALSE(plist::encode(QVariantList{QVariant(QPoint(1, 2))}, &error));
  EXPECT_FALSE(error.isEmpty());
  EXPECT_FALSE(plist::encode(QVariant()));
}

}  // namespace
