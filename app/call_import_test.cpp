#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/call_list_io.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

using Status = ImportOutcome::Status;

QString writeFile(const QTemporaryDir& dir, const QByteArray& content) {
  static int serial = 0;
  const QString path = dir.filePath(QStringLiteral("list%1.txt").arg(++serial));
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(content);
  return path;
}

// A record as "key=type:value" lines, so that the integer 1, the float 1 and
// the text "1" do not pass for one another.
QString describe(const QVariantMap& record) {
  QStringList parts;
  for (auto it = record.begin(); it != record.end(); ++it) {
    const QString value = it->typeId() == QMetaType::QDateTime
                              ? it->toDateTime().toUTC().toString(Qt::ISODate)
                              : it->toString();
    parts << it.key() + u'=' + QString::fromLatin1(it->typeName()) + u':' + value;
  }
  return parts.join(u"; ");
}

QStringList describe(const CallList& records) {
  QStringList out;
  for (const QVariantMap& record : records) out << describe(record);
  return out;
}

TEST(CallImport, BuildsRecords) {
  QTemporaryDir dir;
  const struct {
    const char* name;
    QByteArray file;
    QStringList expected;
  } cases[] = {
      {"one column, any name; numbers stay as written",
       "Phone\n555 1234\n555-1234\n0800123456\n",
       {"index=qlonglong:1; note=QString:; number=QString:555 1234; success=bool:false",
        "index=qlonglong:2; note=QString:; number=QString:555-1234; success=bool:false",
        "index=qlonglong:3; note=QString:; number=QString:0800123456; success=bool:false"}},
      {"one column called index is still a list of numbers",
       "index\n7\n9\n",
       {"index=qlonglong:1; note=QString:; number=QString:7; success=bool:false",
        "index=qlonglong:2; note=QString:; number=QString:9; success=bool:false"}},
      {"named columns keep number and note text; index is typed; others ignored",
       "name,index,number,note\nAnn,1,555.123.4567,yes\nBob,x,+49 30 1234,0049\nCy,2.5,\"Smith, John\",\"say "
       "\"\"hi\"\"\"\n",
       {"index=qlonglong:1; note=QString:yes; number=QString:555.123.4567; success=bool:false",
        "index=QString:x; note=QString:0049; number=QString:+49 30 1234; success=bool:false",
        "index=float:2.5; note=QString:say \"hi\"; number=QString:Smith, John; success=bool:false"}},
      {"cells left out at the end of a row are empty",
       "index,number,success,note\n1,555,1,a\n2,556\n3\n",
       {"index=qlonglong:1; note=QString:a; number=QString:555; success=bool:true",
        "index=qlonglong:2; note=QString:; number=QString:556; success=bool:false",
        "index=qlonglong:3; note=QString:; number=QString:; success=bool:false"}},
      {"tab-delimited export form",
       "index\tnumber\tdate\tsuccess\tnote\n3\t555, 1234\t\t1\tcall back, later\n",
       {"index=qlonglong:3; note=QString:call back, later; number=QString:555, 1234; success=bool:true"}},
      {"dates: read when they parse, dropped when empty or unreadable",
       "index,number,note,date\n1,5,a,2026-12-06T15:04:05Z\n2,5,b,2026-12-06T15:04:05+01:00\n3,5,c,\n4,5,d,"
       "call back\n",
       {"date=QDateTime:2026-12-06T15:04:05Z; index=qlonglong:1; note=QString:a; number=QString:5; "
        "success=bool:false",
        "date=QDateTime:2026-12-06T14:04:05Z; index=qlonglong:2; note=QString:b; number=QString:5; "
        "success=bool:false",
        "index=qlonglong:3; note=QString:c; number=QString:5; success=bool:false",
        "index=qlonglong:4; note=QString:d; number=QString:5; success=bool:false"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::LogCapture log;
    const ImportOutcome outcome = importCallList(writeFile(dir, c.file));
    EXPECT_EQ(outcome.status, Status::Loaded);
    EXPECT_EQ(describe(outcome.records), c.expected);
    EXPECT_EQ(log.lines(), QStringList());
  }
}

TEST(CallImport, SuccessFollowsTheIntegerValueOfTheCell) {
  QTemporaryDir dir;
  const struct {
    const char* cell;
    bool expected;
  } cases[] = {
      {"yes", true}, {"true", true},     {"Y", true},     {"1", true},      {"7", true},  {"-3", true},
      {"1.5", true}, {"12 calls", true}, {"no", false},   {"false", false}, {"0", false}, {"0.5", false},
      {"", false},   {"done", false},    {"-0.9", false}, {"00", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.cell);
    const QByteArray file = QByteArray("index\tnumber\tnote\tsuccess\n1\t555\tx\t") + c.cell + '\n';
    const ImportOutcome outcome = importCallList(writeFile(dir, file));
    ASSERT_EQ(outcome.records.size(), 1);
    EXPECT_EQ(outcome.records.record(0).value(CallKeys::success), QVariant(c.expected));
  }
}

TEST(CallImport, FailuresNameTheirCauseAndLog) {
  QTemporaryDir dir;
  QString manyColumns;
  for (int i = 0; i < 5000; ++i) manyColumns += QStringLiteral("c%1,").arg(i);
  const struct {
    const char* name;
    QByteArray file;
    const char* reason;
  } cases[] = {
      {"no index column", "number,note\n555,a\n",
       "it has no \"index\" column (its columns: \"number\", \"note\")"},
      {"column names differ in case", "Index,Number,note\n1,555,a\n",
       "it has no columns \"index\", \"number\" (its columns: \"Index\", \"Number\", \"note\")"},
      {"a column only in the rows", "index,number\n1,555,a\n",
       "it has no \"note\" column (its columns: \"index\", \"number\")"},
      {"thousands of columns: a few are named", (manyColumns + QStringLiteral("number\n1\n")).toUtf8(),
       "it has no columns \"index\", \"note\" (its columns: \"c0\", \"c1\", \"c2\", \"c3\", \"c4\" and 4996 "
       "more)"},
      {"not a text file", QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), "it is not a text file"},
      {"UTF-16 cut in the middle of a unit", QByteArray("\xff\xfen\0o", 5), "it is not valid UTF-16 text"},
      {"not UTF-8 and full of control bytes", "\x01\x02\x03\xff\x04\x05\n", "it is not a text file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testsupport::LogCapture log;
    const QString path = writeFile(dir, c.file);
    const ImportOutcome outcome = importCallList(path);
    const QString message = QStringLiteral("cannot import \"%1\": %2").arg(path, QString::fromUtf8(c.reason));
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_EQ(outcome.reason, QString::fromUtf8(c.reason));
    EXPECT_EQ(outcome.error, message);
    EXPECT_TRUE(outcome.records.isEmpty());
    EXPECT_EQ(log.lines(), QStringList{QStringLiteral("error: ") + message});
  }
}

TEST(CallImport, NothingToImportSaysWhy) {
  QTemporaryDir dir;
  const struct {
    QByteArray file;
    const char* reason;
  } cases[] = {
      {"", "it holds no lines to read"},
      {"# only a comment\n\n", "it holds no lines to read"},
      {"index\tnumber\tnote\n", "it has a header line but no entries"},
      {"Phone\n\n# none yet\n", "it has a header line but no entries"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    testsupport::LogCapture log;
    const ImportOutcome outcome = importCallList(writeFile(dir, c.file));
    EXPECT_EQ(outcome.status, Status::Nothing);
    EXPECT_EQ(outcome.reason, QString::fromUtf8(c.reason));
    EXPECT_EQ(log.lines(), QStringList());
  }
}

// A one-column file whose first line is itself a telephone number keeps it
// as the first entry; a first line with a letter in it is the column's name.
TEST(CallImport, FirstLineThatIsANumberIsAnEntry) {
  QTemporaryDir dir;
  const struct {
    QByteArray file;
    std::optional<QString> headerEntry;
    QStringList numbers;
  } cases[] = {
      {"555 0100\n555 0101\n", QStringLiteral("555 0100"), {"555 0100", "555 0101"}},
      {"+49 (30) 123-45\n", QStringLiteral("+49 (30) 123-45"), {"+49 (30) 123-45"}},
      {"\"0800 123\"\n0800 124\n", QStringLiteral("0800 123"), {"0800 123", "0800 124"}},
      {"# list\n5550100\r\n5550101\r\n", QStringLiteral("5550100"), {"5550100", "5550101"}},
      {"Phone\n555 0100\n", std::nullopt, {"555 0100"}},
      {"Nr. 1\n555 0100\n", std::nullopt, {"555 0100"}},
      {"--\n555\n", std::nullopt, {"555"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file.toStdString());
    const ImportOutcome outcome = importCallList(writeFile(dir, c.file));
    ASSERT_EQ(outcome.status, Status::Loaded);
    EXPECT_EQ(outcome.headerEntry, c.headerEntry);
    QStringList numbers;
    for (const QVariantMap& record : outcome.records) numbers << record.value(CallKeys::number).toString();
    EXPECT_EQ(numbers, c.numbers);
    EXPECT_EQ(outcome.records.record(0).value(CallKeys::index), QVariant(qint64(1)));
  }
}

}  // namespace
