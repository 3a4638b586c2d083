#include "prefs/plist_binary.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <limits>

#include "prefs/plist_value.h"
#include "testsupport/qt_printers.h"

namespace {

QVariant i64(qint64 v) { return QVariant::fromValue(v); }
QVariant utc(const char* iso) {
  return QVariant(QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs));
}

// Assembles a binary list from raw object bytes, with 1-byte offsets and references.
QByteArray assemble(const QList<QByteArray>& objects, quint8 top = 0, quint64 count = 0) {
  QByteArray out("bplist00");
  QByteArray table;
  for (const QByteArray& o : objects) {
    table.append(char(out.size()));
    out.append(o);
  }
  const int tableOffset = out.size();
  out.append(table);
  out.append(6, '\0');
  out.append(char(1)).append(char(1));
  out.append(7, '\0').append(char(count ? count : objects.size()));
  out.append(7, '\0').append(char(top));
  out.append(7, '\0').append(char(tableOffset));
  return out;
}

// Checks that BinaryDictionary accepts exactly the dictionaries decodeBinary
// accepts, and that each value it decodes alone is the one decodeBinary gives.
void expectLazyDictionaryAgrees(const QByteArray& bytes) {
  QString error;
  const auto whole = plist::decodeBinary(bytes);
  auto lazy = plist::BinaryDictionary::open(bytes, &error);
  if (!whole || whole->userType() != QMetaType::QVariantMap) {
    EXPECT_FALSE(lazy);
    EXPECT_FALSE(error.isEmpty());
    return;
  }
  ASSERT_TRUE(lazy) << error.toStdString();
  const QVariantMap map = whole->toMap();
  EXPECT_EQ(QStringList(lazy->entries().keys()).size(), map.size());
  for (auto it = lazy->entries().cbegin(); it != lazy->entries().cend(); ++it) {
    SCOPED_TRACE(it.key().toStdString());
    ASSERT_TRUE(map.contains(it.key()));
    const auto value = lazy->value(it.value(), &error);
    ASSERT_TRUE(value) << error.toStdString();
    EXPECT_TRUE(plist::sameValue(*value, map.value(it.key())));
  }
}

TEST(BinaryPropertyList, RoundTripsEveryKindExactly) {
  QVariantList distinct;  // more than 65535 objects: 4-byte references and offsets
  for (qint64 i = 0; i < 70000; ++i) distinct.append(i64(i * 7919));
  QByteArray allBytes;
  for (int i = 0; i < 256; ++i) allBytes.append(char(i));
  const QString nonBmp = QString::fromUtf8("\xF0\x9F\x98\x80 caf\xC3\xA9");
  const QString loneSurrogate = QString(QChar(0xD800)) + u'x';
  const struct {
    const char* name;
    QVariant value;
  } cases[] = {
      {"zero", i64(0)},
      {"one byte max", i64(255)},
      {"two bytes", i64(256)},
      {"four bytes max", i64(0xFFFFFFFFLL)},
      {"eight bytes", i64(0x100000000LL)},
      {"int64 max", i64(std::numeric_limits<qint64>::max())},
      {"minus one", i64(-1)},
      {"int64 min", i64(std::numeric_limits<qint64>::min())},
      {"uint64 max", QVariant::fromValue(std::numeric_limits<quint64>::max())},
      {"double", QVariant(0.1)},
      {"negative zero", QVariant(-0.0)},
      {"denormal", QVariant(5e-324)},
      {"infinity", QVariant(-std::numeric_limits<double>::infinity())},
      {"nan", QVariant(std::numeric_limits<double>::quiet_NaN())},
      {"float", QVariant(0.1f)},
      {"true", QVariant(true)},
      {"false", QVariant(false)},
      {"empty string", QVariant(QString())},
      {"14 chars", QVariant(QStringLiteral("abcdefghijklmn"))},
      {"15 chars, length moves out of the marker", QVariant(QStringLiteral("abcdefghijklmno"))},
      {"control characters and NUL", QVariant(QString::fromUtf16(u"a\0b\t\x01\x7f", 6))},
      {"beyond the BMP", QVariant(nonBmp)},
      {"unpaired surrogate", QVariant(loneSurrogate)},
      {"long string", QVariant(QString(70000, QChar(0x263A)))},
      {"reference date", utc("2001-01-01T00:00:00.000Z")},
      {"millisecond after the Unix epoch", utc("1970-01-01T00:00:00.001Z")},
      {"leap day with milliseconds", utc("2024-02-29T12:34:56.789Z")},
      {"before 1900", utc("1600-03-01T23:59:59.999Z")},
      {"year 9999", utc("9999-12-31T23:59:59.999Z")},
      {"empty data", QVariant(QByteArray())},
      {"every byte", QVariant(allBytes)},
      {"empty list", QVariant(QVariantList())},
      {"empty map", QVariant(QVariantMap())},
      {"nested", QVariant(QVariantList{
                     QVariantMap{{"k", QVariantList{i64(1), QVariant(true)}}, {nonBmp, QVariant(2.5)}},
                     QVariantList{}, QVariant(QStringLiteral("k"))})},
      {"70000 distinct integers", QVariant(distinct)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QString error;
    const auto bytes = plist::encodeBinary(c.value, &error);
    ASSERT_TRUE(bytes) << error.toStdString();
    const auto back = plist::decodeBinary(*bytes, &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_TRUE(plist::sameValue(*back, c.value)) << ::testing::PrintToString(*back);
  }
}

TEST(BinaryPropertyList, WritesRepeatedStringsOnce) {
  QVariantList records;
  for (int i = 0; i < 1000; ++i)
    records.append(QVariantMap{{"number", QStringLiteral("555-0100")}, {"index", i64(i % 3)}});
  const auto bytes = plist::encodeBinary(records);
  ASSERT_TRUE(bytes);
  // Per record: a dictionary of four 2-byte references and its 2-byte offset; the
  // keys, the number and the three integers are written once for all records.
  EXPECT_LT(bytes->size(), 1000 * 14);
}

TEST(BinaryPropertyList, ReadsAnotherToolsOutput) {
  // Written by Python's plistlib: 16-byte integer for 2^64-1, UTF-16 string, date.
  const QByteArray file = QByteArray::fromHex(
      "62706c6973743030d3010203040c0d516153626967536d696ea705060708090a0b100113ffffffffffffffff23400400000000"
      "0000"
      "096300e9d83dde004200ff3341c1deca92800000140000000000000000ffffffffffffffff138000000000000000080f111519"
      "21232c"
      "35363d40495a0000000000000101000000000000000e00000000000000000000000000000063");
  const QVariantMap expected{{"a", QVariantList{i64(1), i64(-1), QVariant(2.5), QVariant(true),
                                                QString::fromUtf8("\xC3\xA9\xF0\x9F\x98\x80"),
                                                QByteArray("\x00\xff", 2), utc("2020-01-02T03:04:05Z")}},
                             {"big", QVariant::fromValue(std::numeric_limits<quint64>::max())},
                             {"min", i64(std::numeric_limits<qint64>::min())}};
  QString error;
  const auto value = plist::decodeBinary(file, &error);
  ASSERT_TRUE(value) << error.toStdString();
  EXPECT_TRUE(plist::sameValue(*value, expected)) << ::testing::PrintToString(*value);
}

TEST(BinaryPropertyList, RejectsMalformedFiles) {
  QList<QByteArray> laughs;  // each level an array holding the level below twice
  laughs.append(QByteArray("\x10\x01", 2));
  for (int level = 1; level < 80; ++level) laughs.prepend(QByteArray("\xA2", 1));
  for (int i = 0; i < laughs.size() - 1; ++i) laughs[i].append(char(i + 1)).append(char(i + 1));
  const struct {
    const char* name;
    QByteArray bytes;
  } cases[] = {
      {"empty", QByteArray()},
      {"signature only", QByteArray("bplist00")},
      {"array holding itself", assemble({QByteArray("\xA1\x00", 2)})},
      {"top object out of range", assemble({QByteArray("\x09")}, 5)},
      {"reference out of range", assemble({QByteArray("\xA1\x07", 2)})},
      {"object count beyond the file", assemble({QByteArray("\x09")}, 0, 200)},
      {"array count beyond the file", assemble({QByteArray("\xAF\x13\x7f\xff\xff\xff\xff\xff\xff\xff", 10)})},
      {"string longer than the file", assemble({QByteArray("\x6F\x10\xff", 3)})},
      {"dictionary key not a string", assemble({QByteArray("\xD1\x01\x01", 3), QByteArray("\x10\x01", 2)})},
      {"integer beyond 64 bits", assemble({QByteArray("\x14\x00\x00\x00\x00\x00\x00\x00\x01"
                                                      "\x00\x00\x00\x00\x00\x00\x00\x00",
                                                      17)})},
      {"date not a number", assemble({QByteArray("\x33\x7f\xf8\x00\x00\x00\x00\x00\x00", 9)})},
      {"unknown object type", assemble({QByteArray("\x80\x00", 2)})},
      {"shared arrays expanding to 2^79 items", assemble(laughs)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QString error;
    EXPECT_FALSE(plist::decodeBinary(c.bytes, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(plist::BinaryDictionary::open(c.bytes));
  }
}

TEST(BinaryPropertyList, ASharedContainerMetDeeperDownStillCountsItsNesting) {
  // The top array holds S and a chain of 505 arrays whose last holds S again;
  // S nests 20 arrays deep. Met first near the top, S fits the limit; met at
  // the end of the chain it does not, and a value with such a path could never
  // be written again.
  const int chain = 505, inner = 20, count = 1 + chain + inner + 1, s = 1 + chain;
  QByteArray out("bplist00");
  QByteArray table;
  const auto reference = [&](int r) { out.append(char(r >> 8)).append(char(r & 0xFF)); };
  const auto object = [&] {
    table.append(char(out.size() >> 16)).append(char(out.size() >> 8)).append(char(out.size() & 0xFF));
  };
  object();
  out.append(char(0xA2));
  reference(s);
  reference(1);
  for (int i = 0; i < chain; ++i) {
    object();
    out.append(char(0xA1));
    reference(i + 1 < chain ? 2 + i : s);
  }
  for (int i = 0; i < inner; ++i) {
    object();
    out.append(char(0xA1));
    reference(s + i + 1);
  }
  object();
  out.append(char(0x09));
  const int tableOffset = out.size();
  out.append(table).append(6, '\0').append(char(3)).append(char(2));
  out.append(6, '\0').append(char(count >> 8)).append(char(count & 0xFF)).append(8, '\0');
  out.append(6, '\0').append(char(tableOffset >> 8)).append(char(tableOffset & 0xFF));

  QString error;
  EXPECT_FALSE(plist::decodeBinary(out, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("deeper"))) << error.toStdString();
}

TEST(BinaryPropertyList, LazyDictionaryDecodesEachValueAsTheWholeDecodingDoes) {
  QVariantList records;
  for (int i = 0; i < 300; ++i)
    records.append(QVariantMap{{"index", i64(i)},
                               {"number", QStringLiteral("555-%1").arg(i % 7)},
                               {"date", utc("2024-02-29T12:34:56.789Z")},
                               {"success", i % 2 == 0}});
  const QVariant shared = QVariantList{QStringLiteral("shared"), i64(1)};
  const QVariantMap domain{{"data", records},
                           {"CallTableSort", QVariantMap{{"column", "date"}, {"ascending", true}}},
                           {"NSWindow Frame Main", QStringLiteral("{{0, 22}, {960, 600}}")},
                           {"a", shared},
                           {"b", QVariantList{shared, shared}},
                           {"empty", QVariantMap()}};
  const auto bytes = plist::encodeBinary(domain);
  ASSERT_TRUE(bytes);
  expectLazyDictionaryAgrees(*bytes);

  QString error;
  EXPECT_FALSE(plist::BinaryDictionary::open(*plist::encodeBinary(QVariantList{i64(1)}), &error));
  EXPECT_TRUE(error.contains(QStringLiteral("not a dictionary"))) << error.toStdString();
}

TEST(BinaryPropertyList, RejectsNestingDeeperThanTheLimit) {
  QVariant nested = i64(1);
  for (int i = 0; i < plist::kMaxDepth + 10; ++i) nested = QVariant(QVariantList{nested});
  EXPECT_FALSE(plist::encodeBinary(nested));

  // The same shape written by hand: 600 arrays, each holding the next (2-byte references).
  QByteArray out("bplist00");
  QByteArray table;
  const int n = 600;
  for (int i = 0; i < n; ++i) {
    table.append(char(out.size() >> 8)).append(char(out.size() & 0xFF));
    if (i + 1 < n)
      out.append(char(0xA1)).append(char((i + 1) >> 8)).append(char((i + 1) & 0xFF));
    else
      out.append(char(0x09));
  }
  const int tableOffset = out.size();
  out.append(table).append(6, '\0').append(char(2)).append(char(2));
  out.append(6, '\0').append(char(n >> 8)).append(char(n & 0xFF)).append(8, '\0');
  out.append(6, '\0').append(char(tableOffset >> 8)).append(char(tableOffset & 0xFF));
  QString error;
  EXPECT_FALSE(plist::decodeBinary(out, &error));
  EXPECT_TRUE(error.contains(QStringLiteral("deeper"))) << error.toStdString();
}

TEST(BinaryPropertyList, SurvivesEveryTruncationAndByteFlip) {
  const auto bytes = plist::encodeBinary(QVariantMap{
      {"list",
       QVariantList{i64(-5), QVariant(1.5), QString::fromUtf8("\xC3\xA9t\xC3\xA9"), QByteArray("xyz")}},
      {"when", utc("2020-05-06T07:08:09.010Z")}});
  ASSERT_TRUE(bytes);
  for (qsizetype n = 0; n < bytes->size(); ++n) {
    EXPECT_FALSE(plist::decodeBinary(bytes->first(n))) << n;
    EXPECT_FALSE(plist::BinaryDictionary::open(bytes->first(n))) << n;
  }
  // Any answer but a crash or a hang; and the check made when a dictionary is
  // opened lazily is as strict as decoding it whole.
  for (qsizetype i = 0; i < bytes->size(); ++i) {
    for (const char flip : {'\x01', '\x80', '\xff'}) {
      SCOPED_TRACE(i);
      QByteArray damaged = *bytes;
      damaged[i] = char(damaged[i] ^ flip);
      expectLazyDictionaryAgrees(damaged);
    }
  }
}

}  // namespace
