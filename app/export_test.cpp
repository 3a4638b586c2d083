#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTimeZone>

#include "app/call_dates.h"
#include "app/call_list_io.h"
#include "app/export_fields.h"
#include "testsupport/qt_printers.h"

namespace {

const QByteArray kHeader = "index\tnumber\tdate\tsuccess\tnote\n";

QVariantMap record(const QVariant& index, const QVariant& number, bool success, const QVariant& note) {
  return {{CallKeys::index, index},
          {CallKeys::number, number},
          {CallKeys::success, success},
          {CallKeys::note, note}};
}

QVariantMap dated(QVariantMap r, const char* isoUtc) {
  r.insert(CallKeys::date, QDateTime::fromString(QString::fromLatin1(isoUtc), Qt::ISODate).toUTC());
  return r;
}

TEST(ExportText, WritesOneLinePerRecordInContentOrder) {
  ScopedCallDateLocale german("de_DE", "Europe/Berlin");
  const struct {
    const char* name;
    CallList records;
    QByteArray expected;
  } cases[] = {
      {"empty list: the header alone", {}, kHeader},
      {"single-column record, never dialled",
       {record(qint64(1), QStringLiteral("555"), false, QString())},
       kHeader + "1\t555\t\t0\t\n"},
      {"content order, dates, outcomes and UTF-8 text",
       {dated(record(qint64(9), QStringLiteral("+49 30 1234"), true, QStringLiteral("Grüße 📞")),
              "2026-07-06T13:04:05.900Z"),
        record(qint64(2), QStringLiteral("0800123456"), false, QStringLiteral("a, b"))},
       kHeader +
           "9\t+49 30 1234\t06.07.26, 15:04:05\t1\tGr\xc3\xbc\xc3\x9f"
           "e \xf0\x9f\x93\x9e\n" +
           "2\t0800123456\t\t0\ta, b\n"},
      {"number values in plain decimal",
       {record(qint64(-3), qint64(5551234), false, QString()), record(1.5f, 555.123f, false, QString()),
        record(2.0, 1e20, false, QString())},
       kHeader + "-3\t5551234\t\t0\t\n1.5\t555.123\t\t0\t\n2\t100000000000000000000\t\t0\t\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(exportText(c.records), c.expected);
  }
}

// A field the line parser would change goes out in its quoted form; every
// other field goes out as it is. Each written form is what reads back.
TEST(ExportText, WritesFieldsTheParserGivesBackUnchanged) {
  const struct {
    QString note;
    QByteArray written;
  } cases[] = {
      {QStringLiteral("plain note"), "plain note"},
      {QStringLiteral("a \"quoted\" word"), "a \"quoted\" word"},
      {QStringLiteral("#1 first"), "#1 first"},
      {QStringLiteral("He said \"hi\""), "\"He said \"\"hi\"\"\""},
      {QStringLiteral("\"VIP\" customer"), "\" \"\"VIP\"\" customer\""},
      {QStringLiteral("\""), "\" \"\"\""},
      {QStringLiteral("\"\"\""), "\" \"\"\"\"\"\"\""},
      {QStringLiteral("say \"\"twice"), "\"say \"\"\"\"twice\""},
      {QStringLiteral("a\tb"), "\"a\tb\""},
      {QStringLiteral("say \"hi\"\tnow"), "\"say \"\"hi\"\"\tnow\""},
      {QStringLiteral("  \"a\tb\" \t"), "\" \"\"a\tb\"\"\""},
      {QStringLiteral("  padded  "), "padded"},
      {QStringLiteral("line one\nline two"), "line one line two"},
      {QStringLiteral("a\r\nb"), "a  b"},
      {QStringLiteral("a") + QChar(0x2028) + QStringLiteral("b") + QChar(0x0085) + QStringLiteral("c"),
       "a b c"},
      {QStringLiteral("x\ny\tz"), "\"x y\tz\""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.note.toStdString());
    EXPECT_EQ(exportText({record(qint64(1), c.note, false, c.note)}),
              kHeader + "1\t" + c.written + "\t\t0\t" + c.written + "\n");
  }
  // Only at the start of a line does "#" make a comment of it.
  EXPECT_EQ(exportText({record(QStringLiteral("#7"), QStringLiteral("5"), false, QString())}),
            kHeader + "\"#7\"\t5\t\t0\t\n");
}

// The plain form of a field as the export's UTF-8 holds it: a tab or line feed
// always follows a field, so a high surrogate at its end is a lone one, and a
// lone surrogate is written as U+FFFD (QString::toUtf8 would write "?").
QByteArray plainFieldUtf8(QStringView text, bool firstInLine) {
  QByteArray bytes = QStringEncoder(QStringEncoder::Utf8).encode(exportFieldText(text, firstInLine) + u'\t');
  bytes.chop(1);
  return bytes;
}

// The one-pass writer writes each field exactly as the plain form does, for
// fields it writes itself and fields it leaves to the plain form alike.
TEST(ExportText, OnePassFieldsAgreeWithThePlainForm) {
  const QString cases[] = {
      QString(),
      QStringLiteral("plain ASCII, longer than eight units"),
      QStringLiteral("\"\""),
      QStringLiteral("12345678\"\"12345678"),
      QStringLiteral("1234567<<quote>>8"),
      QStringLiteral("1234567<<quote>8"),
      QStringLiteral("#12345678"),
      QStringLiteral("Grüße, 日本語 und 📞 am Telefon"),
      QStringLiteral("abcdefg") + QChar(0x2028) + QStringLiteral("h"),
      QStringLiteral("abcdefgh") + QChar(0x00A0),
      QString(QChar(0xD800)) + QStringLiteral("lone high, then low ") + QChar(0xDC00),
      QStringLiteral("ends in a lone high surrogate") + QChar(0xD83D),
      QStringLiteral("1234567\0 nul"),
  };
  for (const QString& text : cases) {
    for (const bool firstInLine : {false, true}) {
      SCOPED_TRACE(text.toStdString() + (firstInLine ? " (first)" : ""));
      EXPECT_EQ(exportFieldUtf8(text, firstInLine), plainFieldUtf8(text, firstInLine));
    }
  }
  // Random texts of the characters that decide how a field is written, runs
  // of plain ASCII long enough for the eight-unit steps among them.
  const char16_t alphabet[] = {u'a', u' ', u'\t',  u'\n',  u'\r', u'"',   u'<',   u'#',   u'q', 0,
                               0x85, 0xA0, 0x2028, 0x202F, 0xE9,  0x65E5, 0xD83D, 0xDCDE, u'>'};
  QRandomGenerator random(15);
  for (int i = 0; i < 20000; ++i) {
    QString text;
    for (int n = int(random.bounded(24)); n > 0; --n) {
      if (random.bounded(4) == 0)
        text += QStringLiteral("<<quote>>abcdefgh").left(int(random.bounded(18)));
      else
        text += QChar(alphabet[random.bounded(int(std::size(alphabet)))]);
    }
    const bool firstInLine = random.bounded(2) == 0;
    SCOPED_TRACE(text.toStdString());
    ASSERT_EQ(exportFieldUtf8(text, firstInLine), plainFieldUtf8(text, firstInLine));
  }
}

// Written a chunk at a time, the file holds exactly exportText(), also when a
// single note is longer than a chunk and when the list is empty.
TEST(ExportText, FileWrittenInChunksHoldsTheWholeText) {
  ScopedCallDateLocale american("en_US", "America/New_York");
  QList<QVariantMap> many;
  for (int i = 0; i < 20000; ++i)
    many.append(dated(record(qint64(i), QStringLiteral("555-%1").arg(i), i % 3 == 0,
                             QStringLiteral("note number %1, \"quoted\" ünïcödé").arg(i)),
                      "2026-03-08T06:59:59Z"));
  many[500].insert(CallKeys::note, QString(700000, QChar(0x65E5)));
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("export.txt"));
  for (const CallList& records : {CallList::fromRecords(many), CallList()}) {
    SCOPED_TRACE(records.size());
    ASSERT_EQ(writeExportFile(path, records), std::nullopt);
    QFile written(path);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll() == exportText(records));
  }
  EXPECT_TRUE(writeExportFile(dir.filePath(QStringLiteral("gone/export.txt")), CallList()).has_value());
}

// Whatever the export writes, the import reads back as the same records,
// dates to the second, in the locales users work in.
TEST(ExportText, ImportReadsTheExportBack) {
  const CallList records = {
      dated(record(qint64(1), QStringLiteral("555-1234"), true, QStringLiteral("call back, after 5")),
            "2026-01-02T03:04:05Z"),
      record(qint64(2), QStringLiteral("0800123456"), false, QString()),
      dated(record(qint64(3), QStringLiteral("+44 20 7946 0958"), false, QStringLiteral("said \"no\"; ok")),
            "2026-12-31T22:59:59Z"),
      record(qint64(4), QStringLiteral("555.123.4567"), true, QStringLiteral("tab\there, 日本語 and 📞")),
      record(QStringLiteral("#6"), QStringLiteral("\"555\""), false,
             QStringLiteral("\"quoted\" start, end \"")),
      dated(record(qint64(5), QStringLiteral("(555) 123 4567"), false, QStringLiteral("yes")),
            "1999-09-09T09:09:09Z"),
  };
  QTemporaryDir dir;
  for (const char* locale : {"en_US", "de_DE", "fr_FR", "ja_JP"}) {
    SCOPED_TRACE(locale);
    ScopedCallDateLocale scope(locale, "America/New_York");
    const QString path = dir.filePath(QString::fromLatin1(locale) + QStringLiteral(".txt"));
    ASSERT_EQ(writeExportFile(path, exportText(records)), std::nullopt);
    const ImportOutcome back = importCallList(path);
    ASSERT_EQ(back.status, ImportOutcome::Status::Loaded);
    ASSERT_EQ(back.records.size(), records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(back.records.record(i).keys(), records.record(i).keys());
      for (const QString& key : records.record(i).keys()) {
        EXPECT_EQ(back.records.record(i).value(key).typeId(), records.record(i).value(key).typeId()) << key.toStdString();
        EXPECT_EQ(back.records.record(i).value(key), records.record(i).value(key)) << key.toStdString();
      }
    }
  }
}

TEST(WriteFileAtomically, ReplacesWholeOrLeavesAlone) {
  QTemporaryDir dir;
  const QString target = dir.filePath(QStringLiteral("log.txt"));
  {
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an older and much longer export that must go entirely\n");
  }
  EXPECT_EQ(writeExportFile(target, "new\n"), std::nullopt);
  QFile written(target);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_EQ(written.readAll(), QByteArray("new\n"));

  const QString missingDirectory = dir.filePath(QStringLiteral("gone/log.txt"));
  const std::optional<QString> reason = writeExportFile(missingDirectory, "x");
  ASSERT_TRUE(reason.has_value());
  EXPECT_FALSE(reason->isEmpty());
  EXPECT_FALSE(QFile::exists(missingDirectory));

  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder")));
  EXPECT_TRUE(writeExportFile(dir.filePath(QStringLiteral("folder")), "x").has_value());
  EXPECT_TRUE(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
}

}  // namespace
