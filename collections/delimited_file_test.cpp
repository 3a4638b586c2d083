#include "collections/delimited_file.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "collections/delimited_file_reader.h"
#include "collections/delimited_reference.h"
#include "testsupport/qt_printers.h"

using namespace Tirr_NSArrayAdditions;

namespace {

class DelimitedFile : public ::testing::Test {
 protected:
  QString write(const QByteArray& bytes) {
    const QString path = dir_.filePath(QString::number(++count_) + u".txt"_qs);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    EXPECT_EQ(file.write(bytes), bytes.size());
    return path;
  }
  QString write(const QString& text) { return write(text.toUtf8()); }

  QTemporaryDir dir_;
  int count_ = 0;
};

QVariant integer(qint64 v) { return QVariant::fromValue(v); }
QVariant real(float v) { return QVariant::fromValue(v); }
QVariant text(const QString& v) { return QVariant(v); }

QList<QVariantMap> readInBlocks(const QString& path, qint64 blockBytes) {
  DelimitedReadOptions options;
  options.blockBytes = blockBytes;
  return readDelimitedFile(path, options);
}

void expectRecords(const QList<QVariantMap>& actual, const QList<QVariantMap>& expected) {
  EXPECT_TRUE(delimited_reference::sameRecords(actual, expected))
      << ::testing::PrintToString(QVariant(QVariantList(actual.begin(), actual.end()))) << "\nexpected\n"
      << ::testing::PrintToString(QVariant(QVariantList(expected.begin(), expected.end())));
}

TEST_F(DelimitedFile, WorkedExample) {
  const QString path = write(
      u"# call list\nname,number,vip,score\n\"Smith, John\",555-1234,yes,1.5\n\nAnn,\"0800 123\",n,\nBob"_qs);
  expectRecords(arrayWithContentsOfDelimitedFile(path, u","_qs), {{{u"name"_qs, text(u"Smith, John"_qs)},
                                                                   {u"number"_qs, integer(555)},
                                                                   {u"vip"_qs, QVariant(true)},
                                                                   {u"score"_qs, real(1.5f)}},
                                                                  {{u"name"_qs, text(u"Ann"_qs)},
                                                                   {u"number"_qs, text(u"0800 123"_qs)},
                                                                   {u"vip"_qs, QVariant(false)},
                                                                   {u"score"_qs, text(u""_qs)}},
                                                                  {{u"name"_qs, text(u"Bob"_qs)}}});
}

TEST_F(DelimitedFile, HeaderKeysAndRowLengths) {
  const struct {
    QString file;
    QList<QVariantMap> records;
  } cases[] = {
      {u"name\tphone\nAnn\t5551234"_qs, {{{u"name"_qs, text(u"Ann"_qs)}, {u"phone"_qs, integer(5551234)}}}},
      {u"name\tphone\nAnn\t555 1234\n"_qs,
       {{{u"name"_qs, text(u"Ann"_qs)}, {u"phone"_qs, text(u"555 1234"_qs)}}}},
      {u"\"name\",\"phone\"\n\"Ann\",\"12\""_qs,
       {{{u"\"name\""_qs, text(u"Ann"_qs)}, {u"\"phone\""_qs, integer(12)}}}},
      {u"a, b\n1,2"_qs, {{{u"a"_qs, integer(1)}, {u" b"_qs, integer(2)}}}},
      {u"a,b,c\n1,,x"_qs, {{{u"a"_qs, integer(1)}, {u"b"_qs, text(u""_qs)}, {u"c"_qs, text(u"x"_qs)}}}},
      {u"a,b,c\n1"_qs, {{{u"a"_qs, integer(1)}}}},
      {u"a,b\n1,2,3,4"_qs, {{{u"a"_qs, integer(1)}, {u"b"_qs, integer(2)}}}},
      {u"x,y,x\n1,2,3\n4,5"_qs,  // the later duplicate wins, where the line reaches it
       {{{u"x"_qs, integer(3)}, {u"y"_qs, integer(2)}}, {{u"x"_qs, integer(4)}, {u"y"_qs, integer(5)}}}},
      {u"one\n  "_qs, {{{u"one"_qs, text(u""_qs)}}}},
      {u"# note\n\nh\n# between\n\n1\n # not a comment"_qs,
       {{{u"h"_qs, integer(1)}}, {{u"h"_qs, text(u"# not a comment"_qs)}}}},
      {u"a,b\r\n1,2\r\n"_qs, {{{u"a"_qs, integer(1)}, {u"b"_qs, integer(2)}}}},
      {u"a\u2028\"x\"\u0085"_qs, {{{u"a"_qs, text(u"x"_qs)}}}},
      {u"a,b\n\"open,2\n3,4"_qs, {{{u"a"_qs, integer(3)}, {u"b"_qs, integer(4)}}}},
      {u"a,b\nx\0y,\x01"_qs,
       {{{u"a"_qs, text(QStringView(u"x\0y", 3).toString())}, {u"b"_qs, text(u"\x01"_qs)}}}},
      {u"only a header\n"_qs, {}},
      {u"# nothing\n\n"_qs, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.file));
    expectRecords(arrayWithContentsOfDelimitedFile(write(c.file)), c.records);
  }
}

TEST_F(DelimitedFile, DelimiterComesFromTheVeryFirstLine) {
  const QString tabs = write(u"name\tphone\nAnn\t1"_qs);
  expectRecords(arrayWithContentsOfDelimitedFile(tabs),
                {{{u"name"_qs, text(u"Ann"_qs)}, {u"phone"_qs, integer(1)}}});
  // A first-line comment without a tab makes it a comma file, tab data or not.
  const QString commented = write(u"# list\nname\tphone\nAnn\t1"_qs);
  expectRecords(arrayWithContentsOfDelimitedFile(commented), {{{u"name\tphone"_qs, text(u"Ann\t1"_qs)}}});
  const QString commas = write(u"name,phone\nAnn,1"_qs);
  expectRecords(arrayWithContentsOfTSVFile(commas), {{{u"name,phone"_qs, text(u"Ann,1"_qs)}}});
  expectRecords(arrayWithContentsOfCSVFile(commas),
                {{{u"name"_qs, text(u"Ann"_qs)}, {u"phone"_qs, integer(1)}}});
}

TEST_F(DelimitedFile, TextRecordsKeepTheCharacters) {
  const QString path = write(u"name\tnumber\n\"Ann\"\t0800123456\nBob\t555-1234"_qs);
  expectRecords(textRecordsWithContentsOfDelimitedFile(path),
                {{{u"name"_qs, text(u"Ann"_qs)}, {u"number"_qs, text(u"0800123456"_qs)}},
                 {{u"name"_qs, text(u"Bob"_qs)}, {u"number"_qs, text(u"555-1234"_qs)}}});
}

TEST_F(DelimitedFile, UnreadableOrUndecodableFilesGiveNothing) {
  const struct {
    QByteArray bytes;
    qsizetype records;
  } cases[] = {
      {QByteArray(), 0},
      {QByteArray("h\n\xff\n"), 0},        // not UTF-8 anywhere: nothing at all
      {QByteArray("h\n1\n\xe2\x82"), 0},   // a sequence cut off at the end
      {QByteArray("h\n\xed\xa0\x80"), 0},  // an encoded surrogate
      {QByteArray("h\n\xc0\x80"), 0},      // an overlong NUL
      {QByteArray("h\n1\n\xf0\x9f\x98\x80"), 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(c.bytes));
    const QString path = write(c.bytes);
    EXPECT_EQ(arrayWithContentsOfDelimitedFile(path).size(), c.records);
    EXPECT_EQ(arrayWithContentsOfDelimitedFile(path, u","_qs).size(), c.records);
    EXPECT_EQ(textRecordsWithContentsOfDelimitedFile(path).size(), c.records);
  }
  EXPECT_TRUE(arrayWithContentsOfDelimitedFile(dir_.filePath(u"missing.txt"_qs)).isEmpty());
  EXPECT_TRUE(arrayWithContentsOfDelimitedFile(dir_.path()).isEmpty());
}

TEST_F(DelimitedFile, ByteOrderMarkIsNotPartOfTheFirstColumn) {
  const QString path = write(QByteArray("\xef\xbb\xbfname\tphone\nAnn\t1"));
  expectRecords(arrayWithContentsOfDelimitedFile(path),
                {{{u"name"_qs, text(u"Ann"_qs)}, {u"phone"_qs, integer(1)}}});
  // Only one mark is taken off; a second is text.
  const QString twice = write(QByteArray("\xef\xbb\xbf\xef\xbb\xbfname\n1"));
  expectRecords(arrayWithContentsOfDelimitedFile(twice), {{{u"\uFEFFname"_qs, integer(1)}}});
}

TEST_F(DelimitedFile, LongLinesStopAtTheHeadersColumns) {
  const QString path = write(u"only\n"_qs + QString(u"x,"_qs).repeated(1'000'000));
  expectRecords(arrayWithContentsOfDelimitedFile(path), {{{u"only"_qs, text(u"x"_qs)}}});
}

// The reader against a literal transcription of the rules over paragraphs()
// and the reference line parser, on random small files read in blocks of
// every small size, so that blocks end inside lines, CR LF pairs and
// multi-byte characters.
TEST_F(DelimitedFile, AgreesWithTheRulesOnRandomFiles) {
  const QString atoms[] = {u"a"_qs,      u"1"_qs,  u"-"_qs,    u"."_qs,      u" "_qs,          u"\""_qs,
                           u","_qs,      u"\t"_qs, u"\n"_qs,   u"\r"_qs,     u"#"_qs,          u"yes"_qs,
                           u"\u2029"_qs, u"x"_qs,  u"\r\n"_qs, u"\u00E9"_qs, u"\U0001F600"_qs, u"\u0085"_qs};
  QRandomGenerator random(3);
  for (int round = 0; round < 3000; ++round) {
    QString content;
    for (int n = random.bounded(30); n > 0; --n) content += atoms[random.bounded(int(std::size(atoms)))];
    const bool mark = random.bounded(4) == 0;
    SCOPED_TRACE(::testing::PrintToString(content) + (mark ? " after a byte-order mark" : ""));
    const QString path = write((mark ? QByteArray("\xef\xbb\xbf") : QByteArray()) + content.toUtf8());
    const bool tab = Tirr_NSStringAdditions::paragraphs(content).value(0).contains(u'\t');
    const QString delimiter = tab ? u"\t"_qs : u","_qs;
    const auto typed = delimited_reference::readText(content, delimiter, true);
    ASSERT_TRUE(delimited_reference::sameRecords(arrayWithContentsOfDelimitedFile(path), typed));
    ASSERT_TRUE(delimited_reference::sameRecords(textRecordsWithContentsOfDelimitedFile(path),
                                                 delimited_reference::readText(content, delimiter, false)));
    const qint64 blockBytes = 1 + random.bounded(8);
    SCOPED_TRACE(blockBytes);
    ASSERT_TRUE(delimited_reference::sameRecords(readInBlocks(path, blockBytes), typed));
  }
}

TEST_F(DelimitedFile, InvalidBytesInAnyBlockGiveNothing) {
  const QString path = write(QByteArray("h\n1\n2\n\xc3\n3\n"));
  for (qint64 blockBytes = 1; blockBytes < 12; ++blockBytes) {
    SCOPED_TRACE(blockBytes);
    EXPECT_TRUE(readInBlocks(path, blockBytes).isEmpty());
  }
}

}  // namespace
