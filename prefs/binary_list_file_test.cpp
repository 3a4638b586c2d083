// Writing a domain file that copies an unchanged record table from the file
// written before: the file is always the one a whole encoding gives.
#include "prefs/binary_list_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <atomic>
#include <functional>

#include "prefs/defaults_store.h"
#include "prefs/plist_binary.h"
#include "testsupport/file_size_limit.h"
#include "testsupport/qt_printers.h"

namespace {

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Records of an index, a distinct note and a flag, counting how often the
// writer visits them.
class CountingTable final : public plist::RecordTable {
 public:
  explicit CountingTable(int records) {
    for (int i = 0; i < records; ++i)
      notes_.append(QString::fromUtf8(i % 10 == 9 ? "note %1 ü" : "note %1 ").arg(i));
  }
  qsizetype count() const override { return notes_.size(); }
  void visit(qsizetype row, plist::RecordVisitor& visitor) const override {
    visits.fetch_add(1);
    plist::Scalar index;
    index.integer = row + 1;
    visitor.entry(keys_[0], index);
    plist::Scalar note;
    note.kind = plist::Scalar::Kind::Text;
    note.chars = notes_[row].constData();
    note.size = notes_[row].size();
    visitor.entry(keys_[1], note);
    plist::Scalar success;
    success.kind = plist::Scalar::Kind::Bool;
    success.boolean = row % 3 == 0;
    visitor.entry(keys_[2], success);
  }
  // Objects of its encoding: the array, a dictionary, an index and a note per
  // record, the three keys and the two flags.
  static int objects(int records) { return 1 + 3 * records + 3 + (records > 1 ? 2 : records); }

  mutable std::atomic<int> visits{0};

 private:
  QStringList notes_;
  const QString keys_[3] = {QStringLiteral("index"), QStringLiteral("note"), QStringLiteral("success")};
};

// Records kept as QVariants, for random contents.
class VariantTable final : public plist::RecordTable {
 public:
  explicit VariantTable(QVariantList records) : records_(std::move(records)) {}
  qsizetype count() const override { return records_.size(); }
  void visit(qsizetype row, plist::RecordVisitor& visitor) const override {
    visits.fetch_add(1);
    // The one-record list shares the record, so the entries outlive it.
    plist::visitRecords(QVariant(QVariantList{records_[row]}), visitor);
  }

  mutable std::atomic<int> visits{0};

 private:
  const QVariantList records_;
};

// Small values of every kind, repeats among them.
QVariant randomValue(QRandomGenerator& random) {
  static const QString shared = QStringLiteral("shared text");
  switch (random.bounded(9)) {
    case 0:
      return QVariant::fromValue(qint64(random.bounded(-3, 300)));
    case 1:
      return random.bounded(2) == 0;
    case 2:
      return random.bounded(100.0);
    case 3:
      return QDateTime::fromMSecsSinceEpoch(qint64(random.bounded(1'000'000'000)) * 1000, Qt::UTC);
    case 4:
      return shared;
    case 5:
      return QStringLiteral("text %1 é").arg(random.bounded(50));
    case 6:
      return QByteArray(random.bounded(40), 'b');
    case 7:
      return QVariantList{QVariant::fromValue(qint64(random.bounded(5))), shared};
    default:
      return QStringLiteral("x").repeated(random.bounded(600));
  }
}

QVariantMap randomRecord(QRandomGenerator& random) {
  static const QString keys[] = {"date", "index", "note", "number", "success", "tags"};
  QVariantMap record;
  for (const QString& key : keys)
    if (random.bounded(4) != 0) record.insert(key, randomValue(random));
  return record;
}

QVariantList distinctTexts(int n) {
  QVariantList list;
  for (int i = 0; i < n; ++i) list.append(QStringLiteral("text %1").arg(i));
  return list;
}

const QString kFrame = QStringLiteral("NSWindow Frame Main");

class BinaryListFileTest : public ::testing::Test {
 protected:
  QString file() const { return temp_.path() + QStringLiteral("/d.plist"); }
  QTemporaryDir temp_;
};

TEST_F(BinaryListFileTest, ACopiedTableGivesTheFileAWholeEncodingGives) {
  struct Case {
    const char* name;
    int records;
    QVariantMap first;   // besides "data"
    QVariantMap second;  // besides "data"
    bool reused;
    // Bytes per reference and per offset, of the first file and of the second.
    std::pair<int, int> refAndOffsetSizes[2];
  };
  const QVariantMap frame{{kFrame, QStringLiteral("{{10, 20}, {960, 600}}")}};
  const QVariantMap moved{{kFrame, QStringLiteral("{{17, 25}, {960, 600}}")}};
  auto with = [](QVariantMap map, const QString& key, const QVariant& value) {
    map.insert(key, value);
    return map;
  };
  // Objects besides the table's: the top dictionary, its keys and its small values.
  const int below256 = 256 - CountingTable::objects(80) - 5;
  const int records64k = (65536 - 6 - 40) / 3;
  const Case cases[] = {
      {"the frame moved", 1000, frame, moved, true, {{2, 2}, {2, 2}}},
      {"a key added before the list", 1000, frame, with(moved, "AAA", qint64(5)), true, {{2, 2}, {2, 2}}},
      {"a key added after the list",
       1000,
       frame,
       with(moved, "zzz", QStringLiteral("x")),
       true,
       {{2, 2}, {2, 2}}},
      {"keys removed on both sides",
       1000,
       with(with(frame, "AAA", qint64(5)), "zzz", true),
       moved,
       true,
       {{2, 2}, {2, 2}}},
      {"the same value again", 1000, frame, frame, true, {{2, 2}, {2, 2}}},
      {"an empty table", 0, frame, moved, true, {{1, 1}, {1, 1}}},
      {"one record", 1, frame, moved, true, {{1, 1}, {1, 1}}},
      {"references grow past one byte",
       80,
       with(frame, "list", distinctTexts(below256 - 2)),
       with(moved, "list", distinctTexts(below256 + 10)),
       false,
       {{1, 2}, {2, 2}}},
      {"references shrink to one byte",
       80,
       with(frame, "list", distinctTexts(below256 + 10)),
       with(moved, "list", distinctTexts(below256 - 2)),
       false,
       {{2, 2}, {1, 2}}},
      {"references grow past two bytes",
       records64k,
       with(frame, "list", distinctTexts(10)),
       with(moved, "list", distinctTexts(100)),
       false,
       {{2, 4}, {4, 4}}},
      // Offsets of 2 bytes before, 4 after (and back): the copied entries are rewritten.
      {"offsets grow", 1000, frame, with(moved, "AAA", QByteArray(70000, 'x')), true, {{2, 2}, {2, 4}}},
      {"offsets shrink", 1000, with(frame, "AAA", QByteArray(70000, 'x')), moved, true, {{2, 4}, {2, 2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(file());
    const auto table = std::make_shared<CountingTable>(c.records);
    const QVariant data = plist::recordTableValue(table);
    std::optional<WrittenBinaryList> last;
    ASSERT_EQ(writeBinaryListFile(file(), with(c.first, "data", data), &last), std::nullopt);
    ASSERT_TRUE(last);
    const std::pair<int, int> sizesBefore{last->run.refSize, last->run.offsetSize};
    const int visits = table->visits;

    const QVariantMap second = with(c.second, "data", data);
    ASSERT_EQ(writeBinaryListFile(file(), second, &last), std::nullopt);
    EXPECT_EQ(table->visits > visits, !c.reused);
    ASSERT_TRUE(last);
    EXPECT_EQ(sizesBefore, c.refAndOffsetSizes[0]);
    EXPECT_EQ(std::make_pair(last->run.refSize, last->run.offsetSize), c.refAndOffsetSizes[1]);
    const QByteArray written = readAll(file());
    EXPECT_EQ(written, plist::encodeBinary(second).value_or(QByteArray()));
    const auto decoded = plist::decodeBinary(written);
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->toMap().value("data").toList().size(), c.records);
    EXPECT_EQ(decoded->toMap().value(kFrame), second.value(kFrame));
  }
}

TEST_F(BinaryListFileTest, AFileChangedBehindTheWritersBackIsNotCopiedFrom) {
  struct Case {
    const char* name;
    std::function<void(const QString&)> disturb;
  };
  const Case cases[] = {
      {"replaced by an equal file",
       [](const QString& path) {
         const QByteArray bytes = readAll(path);
         QFile::remove(path);
         QFile file(path);
         ASSERT_TRUE(file.open(QIODevice::WriteOnly));
         ASSERT_EQ(file.write(bytes), bytes.size());
       }},
      {"rewritten in place, same size, other bytes",
       [](const QString& path) {
         struct stat before {};
         ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &before), 0);
         QFile file(path);
         ASSERT_TRUE(file.open(QIODevice::ReadWrite));
         QByteArray bytes = file.readAll();
         const qsizetype at = bytes.indexOf("note 7 ");
         ASSERT_GT(at, 0);
         bytes[at + 5] = '8';
         ASSERT_TRUE(file.seek(0));
         ASSERT_EQ(file.write(bytes), bytes.size());
         file.close();
         // A later change, whatever the file system's timestamp granularity.
         const timespec times[2] = {{0, UTIME_OMIT}, {before.st_mtim.tv_sec + 1, before.st_mtim.tv_nsec}};
         ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0), 0);
       }},
      {"deleted", [](const QString& path) { ASSERT_TRUE(QFile::remove(path)); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QFile::remove(file());
    const auto table = std::make_shared<CountingTable>(100);
    const QVariant data = plist::recordTableValue(table);
    std::optional<WrittenBinaryList> last;
    ASSERT_EQ(writeBinaryListFile(file(), QVariantMap{{"data", data}, {kFrame, "a"}}, &last), std::nullopt);
    c.disturb(file());
    const int visits = table->visits;

    const QVariantMap second{{"data", data}, {kFrame, "b"}};
    ASSERT_EQ(writeBinaryListFile(file(), second, &last), std::nullopt);
    EXPECT_GT(table->visits, visits);
    EXPECT_EQ(readAll(file()), plist::encodeBinary(second).value_or(QByteArray()));
  }
}

TEST_F(BinaryListFileTest, AnotherTableWithTheSameRecordsIsEncodedAgain) {
  std::optional<WrittenBinaryList> last;
  const auto first = std::make_shared<CountingTable>(100);
  ASSERT_EQ(writeBinaryListFile(file(), QVariantMap{{"data", plist::recordTableValue(first)}}, &last),
            std::nullopt);
  const auto second = std::make_shared<CountingTable>(100);
  const QVariantMap value{{"data", plist::recordTableValue(second)}, {kFrame, "b"}};
  ASSERT_EQ(writeBinaryListFile(file(), value, &last), std::nullopt);
  EXPECT_EQ(second->visits, 100);
  EXPECT_EQ(readAll(file()), plist::encodeBinary(value).value_or(QByteArray()));
}

TEST_F(BinaryListFileTest, AFailedCopyKeepsTheOldFileAndTheNextWriteStillCopies) {
  const auto table = std::make_shared<CountingTable>(3000);
  const QVariant data = plist::recordTableValue(table);
  std::optional<WrittenBinaryList> last;
  ASSERT_EQ(writeBinaryListFile(file(), QVariantMap{{"data", data}, {kFrame, "a"}}, &last), std::nullopt);
  const QByteArray before = readAll(file());
  {
    testsupport::FileSizeLimit limit(4096);
    EXPECT_NE(writeBinaryListFile(file(), QVariantMap{{"data", data}, {kFrame, "b"}}, &last), std::nullopt);
  }
  EXPECT_EQ(readAll(file()), before);
  EXPECT_EQ(QDir(temp_.path()).entryList(QDir::Files), QStringList{"d.plist"});
  const int visits = table->visits;
  const QVariantMap value{{"data", data}, {kFrame, "c"}};
  ASSERT_EQ(writeBinaryListFile(file(), value, &last), std::nullopt);
  EXPECT_EQ(table->visits, visits);
  EXPECT_EQ(readAll(file()), plist::encodeBinary(value).value_or(QByteArray()));
}

TEST_F(BinaryListFileTest, RandomDomainsWrittenTwiceGiveTheFilesAWholeEncodingGives) {
  QRandomGenerator random(7);
  int copied = 0;
  for (int round = 0; round < 60; ++round) {
    SCOPED_TRACE(round);
    QFile::remove(file());
    QVariantList records;
    for (int n = random.bounded(round % 5 == 0 ? 3000 : 60); n > 0; --n) records.append(randomRecord(random));
    const auto table = std::make_shared<VariantTable>(records);
    const QVariant data = plist::recordTableValue(table);
    QVariantMap value{{"data", data}, {kFrame, QStringLiteral("frame")}};
    std::optional<WrittenBinaryList> last;
    for (int write = 0; write < 3; ++write) {
      // Keys come and go on both sides of "data", with values of any size.
      for (int change = random.bounded(4); change > 0; --change) {
        const QString key =
            QStringLiteral("%1key%2").arg(random.bounded(2) ? "a" : "z").arg(random.bounded(4));
        if (random.bounded(3) == 0)
          value.remove(key);
        else
          value.insert(key, random.bounded(4) == 0 ? QVariant(QByteArray(random.bounded(90000), 'y'))
                                                   : randomValue(random));
      }
      value.insert(kFrame, QStringLiteral("frame %1").arg(write));
      const int visits = table->visits;
      ASSERT_EQ(writeBinaryListFile(file(), value, &last), std::nullopt);
      copied += write > 0 && !records.isEmpty() && table->visits == visits;
      const QByteArray written = readAll(file());
      ASSERT_EQ(written, plist::encodeBinary(value).value_or(QByteArray()));
      const auto decoded = plist::decodeBinary(written);
      ASSERT_TRUE(decoded);
      EXPECT_EQ(decoded->toMap().value("data").toList(), records);
    }
  }
  EXPECT_GT(copied, 60);
}

// As the window stores its frame: in the background, the list handed over
// once as a produced value that gives the same table each time.
TEST_F(BinaryListFileTest, AStoredFrameDoesNotVisitTheUnchangedList) {
  DomainStore store(temp_.path());
  store.setBackgroundSaving(true);
  const auto table = std::make_shared<CountingTable>(5000);
  const QVariant data = plist::recordTableValue(table);
  store.setValueProducer("d", "data", [data] { return std::optional<QVariant>(data); });
  store.setValue("d", kFrame, QStringLiteral("{{1, 2}, {3, 4}}"));
  ASSERT_TRUE(store.synchronize());
  ASSERT_TRUE(store.waitForPendingSaves());
  EXPECT_EQ(table->visits, 5000);

  for (int move = 0; move < 3; ++move) {
    store.setValue("d", kFrame, QStringLiteral("{{%1, 2}, {3, 4}}").arg(move + 10));
    ASSERT_TRUE(store.synchronize());
    ASSERT_TRUE(store.waitForPendingSaves());
  }
  EXPECT_EQ(table->visits, 5000);
  const QVariantMap expected{{"data", data}, {kFrame, QStringLiteral("{{12, 2}, {3, 4}}")}};
  EXPECT_EQ(readAll(store.filePath("d")), plist::encodeBinary(expected).value_or(QByteArray()));
}

}  // namespace
