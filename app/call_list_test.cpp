// The compact call list: every kind of value a stored record may hold comes
// back as it went in, through edits, the stored form, the binary file and
// the straight-from-the-file reading; lists stored by earlier versions read
// the same; copies stay apart.
#include "app/call_list.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QFile>
#include <QStandardPaths>
#include <cmath>
#include <limits>
#include <random>

#include "app/app_session_test.h"
#include "app/array_controller.h"
#include "app/call_list_filter.h"
#include "app/call_list_undo.h"
#include "app/stored_call_list.h"
#include "prefs/plist_binary.h"
#include "prefs/plist_value.h"
#include "prefs/user_defaults.h"
#include "testsupport/qt_printers.h"

namespace {

QDateTime utc(qint64 msecs) { return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC); }

// Values of every kind a field may be given.
QList<QVariant> valuesOfEveryKind() {
  return {
      QVariant::fromValue(qint64(0)),
      QVariant::fromValue(std::numeric_limits<qint64>::min()),
      QVariant::fromValue(std::numeric_limits<qint64>::max()),
      QVariant(2.5),
      QVariant(-0.0),
      QVariant(1e300),
      QVariant(555.123f),
      QVariant(true),
      QVariant(false),
      QVariant(QString()),
      QVariant(QStringLiteral("555-0100")),
      QVariant(QStringLiteral("Grüße 😀 日本 ") + QChar(0x202E) + QStringLiteral("טקסט")),
      QVariant(QStringView(u"nul\0inside", 10).toString()),
      QVariant(QString(20000, u'x')),
      QVariant(utc(1765033445678)),  // to the millisecond
      QVariant(utc(-86400001)),      // before 1970
      QVariant::fromValue(quint64(std::numeric_limits<qint64>::max()) + 1),
      QVariant(QByteArray("\x00\xff", 2)),
      QVariant(QVariantList{qint64(1), QStringLiteral("two")}),
      QVariant(QVariantMap{{QStringLiteral("nested"), true}}),
  };
}

QString describe(const QVariant& value) {
  return QString::fromLatin1(value.typeName()) + u' ' + value.toString().left(40);
}

// Each record's entries are the same values of the same kinds.
void expectSameRecords(const QList<QVariantMap>& actual, const QList<QVariantMap>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (qsizetype i = 0; i < actual.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(actual[i].keys(), expected[i].keys());
    for (auto it = expected[i].cbegin(); it != expected[i].cend(); ++it)
      EXPECT_TRUE(plist::sameValue(actual[i].value(it.key()), it.value()))
          << it.key().toStdString() << ": " << describe(actual[i].value(it.key())).toStdString() << " vs "
          << describe(it.value()).toStdString();
  }
}

QList<QVariantMap> listOf(const QVariant& value) {
  QList<QVariantMap> records;
  for (const QVariant& item : value.toList()) records.append(item.toMap());
  return records;
}

// The list read back from its binary encoding, straight from the bytes.
CallList throughFile(const CallList& list) {
  const std::optional<QByteArray> bytes =
      plist::encodeBinary(QVariant(QVariantMap{{QStringLiteral("data"), storedFromCallList(list)}}));
  EXPECT_TRUE(bytes);
  std::optional<plist::BinaryDictionary> file = plist::BinaryDictionary::open(bytes.value_or(QByteArray()));
  EXPECT_TRUE(file);
  CallListReader reader;
  if (file) {
    EXPECT_TRUE(file->visitRecords(file->entries().value(QStringLiteral("data")), reader));
  }
  return reader.finish();
}

TEST(CallList, EveryKindOfValueInEveryFieldComesBackAsItWentIn) {
  for (const QVariant& value : valuesOfEveryKind()) {
    for (int f = 0; f < kCallFieldCount; ++f) {
      const CallField field = CallField(f);
      SCOPED_TRACE((callKey(field) + u' ' + describe(value)).toStdString());
      const QVariantMap record{{callKey(field), value}, {QStringLiteral("extra"), QStringLiteral("kept")}};
      const QList<QVariantMap> expected{plist::normalized(record)->toMap()};

      // Built from dictionaries, as a restore of a generic value builds it.
      const CallList built = CallList::fromRecords({record});
      EXPECT_TRUE(plist::sameValue(built.value(0, field), value));
      expectSameRecords(built.toRecords(), expected);

      // Set by an edit on a list that had other values there.
      CallList edited = CallList::fromRecords({QVariantMap{{callKey(field), QStringLiteral("before")}}});
      edited.setRecord(0, record);
      expectSameRecords(edited.toRecords(), expected);

      // The stored form, generic and through the file.
      expectSameRecords(listOf(plist::materialized(storedFromCallList(built))), expected);
      expectSameRecords(throughFile(built).toRecords(), expected);
      expectSameRecords(throughFile(edited).toRecords(), expected);
    }
  }
}

TEST(CallList, CopiesStayApartWhenEitherChanges) {
  CallList original{{{CallKeys::note, QStringLiteral("first")}},
                    {{CallKeys::note, QStringLiteral("second")}}};
  CallList copy = original;
  copy.setValue(0, CallField::Note, QStringLiteral("changed"));
  copy.setValue(0, CallField::Note, QStringLiteral("changed again"));  // in place in the copy's added texts
  copy.setValue(1, CallField::Success, true);
  EXPECT_EQ(original.text(0, CallField::Note), u"first");
  EXPECT_FALSE(original.has(1, CallField::Success));
  EXPECT_EQ(copy.text(0, CallField::Note), u"changed again");

  original.setValue(1, CallField::Note, QVariant());
  EXPECT_FALSE(original.has(1, CallField::Note));
  EXPECT_EQ(copy.text(1, CallField::Note), u"second");
}

TEST(CallList, ACopySharesEveryChunkOfRecordsItDoesNotChange) {
  constexpr qsizetype kChunk = CallList::kChunkCalls;
  const qsizetype n = 3 * kChunk + 7;
  QList<QVariantMap> records;
  for (qsizetype i = 0; i < n; ++i) records.append({{CallKeys::index, QVariant::fromValue(qint64(i))}});
  const CallList original = CallList::fromRecords(records);
  const struct {
    const char* name;
    qsizetype row;  // n: a record appended
  } cases[] = {{"first", 0},
               {"inside a chunk", kChunk + 5},
               {"last of a chunk", 2 * kChunk - 1},
               {"last", n - 1},
               {"appended", n}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CallList copy = original;
    if (c.row < n)
      copy.setValue(c.row, CallField::Note, QStringLiteral("changed"));
    else
      copy.append({{CallKeys::note, QStringLiteral("changed")}});
    for (qsizetype first = 0; first < n; first += kChunk)
      EXPECT_EQ(&copy.at(first) == &original.at(first), first != c.row - c.row % kChunk) << first;
    ASSERT_EQ(copy.size(), std::max(n, c.row + 1));
    EXPECT_EQ(original.size(), n);
    EXPECT_EQ(copy.text(c.row, CallField::Note), u"changed");
    for (const qsizetype row : {qsizetype(0), c.row - 1, c.row + 1, n - 1}) {
      if (row < 0 || row >= n) continue;
      EXPECT_FALSE(original.has(row, CallField::Note));
      EXPECT_EQ(copy.value(row, CallField::Index), original.value(row, CallField::Index)) << row;
    }
    // A second change in the same chunk copies nothing more.
    const Call* changed = &copy.at(c.row);
    copy.setValue(c.row, CallField::Success, true);
    EXPECT_EQ(&copy.at(c.row), changed);
  }
}

// Copies edited in turn, at random, across chunk boundaries, each against
// the same edits made to plain dictionaries.
TEST(CallList, RandomEditsOfCopiesAgreeWithTheSameEditsToDictionaries) {
  std::mt19937 random(20261207);
  const auto below = [&random](qsizetype n) { return qsizetype(random() % quint64(n)); };
  QList<QVariantMap> first;
  for (qsizetype i = 0; i < 2 * CallList::kChunkCalls + 100; ++i)
    first.append({{CallKeys::index, QVariant::fromValue(qint64(i))}, {CallKeys::number, QString::number(i)}});
  struct Version {
    CallList list;
    QList<QVariantMap> records;
  };
  std::vector<Version> versions{{CallList::fromRecords(first), first}};
  const QVariant values[] = {QVariant(),
                             QVariant(true),
                             QVariant::fromValue(qint64(-7)),
                             QVariant(QStringLiteral("a note")),
                             QVariant(QDateTime::fromMSecsSinceEpoch(1'700'000'000'123, Qt::UTC)),
                             QVariant(QVariantList{1, 2})};
  for (int step = 0; step < 3000; ++step) {
    Version& v = versions[size_t(below(qsizetype(versions.size())))];
    const qsizetype row = below(v.records.size());
    switch (below(4)) {
      case 0:  // a copy, kept beside the others
        if (versions.size() < 6) {
          versions.push_back(v);
          continue;
        }
        versions[size_t(below(6))] = v;
        continue;
      case 1: {
        const CallField f = CallField(below(kCallFieldCount));
        const QVariant& value = values[below(std::size(values))];
        v.list.setValue(row, f, value);
        if (value.isValid())
          v.records[row].insert(callKey(f), plist::normalized(value).value_or(value));
        else
          v.records[row].remove(callKey(f));
        break;
      }
      case 2: {
        const QVariantMap record{{CallKeys::note, QString::number(step)},
                                 {QStringLiteral("extra"), QVariant::fromValue(qint64(step))}};
        v.list.append(record);
        v.records.append(record);
        break;
      }
      case 3: {
        const QVariantMap record = v.records[below(v.records.size())];
        v.list.setRecord(row, record);
        v.records[row] = record;
        break;
      }
    }
    ASSERT_TRUE(plist::sameValue(v.list.record(row), v.records[row])) << "step " << step;
  }
  for (const Version& v : versions) {
    ASSERT_EQ(v.list.size(), v.records.size());
    for (qsizetype row = 0; row < v.records.size(); ++row)
      ASSERT_TRUE(plist::sameValue(v.list.record(row), v.records[row])) << row;
  }
}

TEST(CallList, SuccessReadsAsATruthValueOfAnyKind) {
  const struct {
    QVariant value;
    bool succeeded;
  } cases[] = {
      {QVariant(), false},
      {QVariant(true), true},
      {QVariant(false), false},
      {QVariant::fromValue(qint64(2)), true},
      {QVariant::fromValue(qint64(0)), false},
      {QVariant(0.5), true},
      {QVariant(QStringLiteral("true")), true},
      {QVariant(QStringLiteral("false")), false},
      {QVariant(QString()), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(describe(c.value).toStdString());
    EXPECT_EQ(CallList::fromRecords({{{CallKeys::success, c.value}}}).succeeded(0), c.succeeded);
  }
}

// A stored list written by the version before the compact list, with
// integer, floating and text indexes, dates to the millisecond and notes in
// several scripts.
class StoredCallList : public testsupport::AppTest {
 protected:
  static QString storedFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/tirr-defaults/") + Tirr_UserDefaults::applicationDomain() +
           QStringLiteral(".plist");
  }
};

TEST_F(StoredCallList, AListStoredByTheEarlierVersionRestoresIdentically) {
  QFile fixture(QStringLiteral(":/stored_call_list_1.plist"));
  ASSERT_TRUE(fixture.open(QIODevice::ReadOnly));
  const QByteArray bytes = fixture.readAll();
  const QList<QVariantMap> expected =
      listOf(plist::decodeBinary(bytes)->toMap().value(QStringLiteral("data")));
  ASSERT_EQ(expected.size(), 5);

  Tirr_UserDefaults::resetDefaults();
  QFile stored(storedFile());
  ASSERT_TRUE(stored.open(QIODevice::WriteOnly));
  stored.write(bytes);
  stored.close();
  testsupport::relaunchStore();

  const std::optional<CallList> restored = readStoredCallList(QStringLiteral("data"));
  ASSERT_TRUE(restored);
  expectSameRecords(restored->toRecords(), expected);
  EXPECT_EQ(restored->value(1, CallField::Index).userType(), QMetaType::Float);
  EXPECT_EQ(restored->value(2, CallField::Date), QVariant(utc(1767323045678)));
  EXPECT_EQ(restored->text(1, CallField::Note), u"Grüße 😀 日本");
}

TEST_F(StoredCallList, AListStoredNowReadsBackThroughTheGenericStoreWithTheSameKinds) {
  QList<QVariantMap> records;
  for (const QVariant& value : valuesOfEveryKind())
    records.append(
        {{CallKeys::index, value}, {CallKeys::number, QStringLiteral("555")}, {CallKeys::note, value}});
  const CallList list = CallList::fromRecords(records);
  Tirr_UserDefaults::writeProducedDefault([stored = storedFromCallList(list)] { return stored; },
                                          QStringLiteral("data"));
  // Read before the file is read again: the store's own copy.
  expectSameRecords(listOf(*Tirr_UserDefaults::readDefault(QStringLiteral("data"))), list.toRecords());
  testsupport::relaunchStore();
  const std::optional<QVariant> generic = Tirr_UserDefaults::readDefault(QStringLiteral("data"));
  ASSERT_TRUE(generic);
  expectSameRecords(listOf(*generic), list.toRecords());
  testsupport::relaunchStore();
  expectSameRecords(readStoredCallList(QStringLiteral("data"))->toRecords(), list.toRecords());
}

TEST_F(StoredCallList, ARestoredListKeepsItsOddValuesWhenOtherKeysAreWritten) {
  const CallList list{{{CallKeys::index, qint64(1)}, {QStringLiteral("colour"), QStringLiteral("red")}},
                      {{CallKeys::index, QVariantList{qint64(1), qint64(2)}}}};
  Tirr_UserDefaults::writeProducedDefault([stored = storedFromCallList(list)] { return stored; },
                                          QStringLiteral("data"));
  testsupport::relaunchStore();
  testsupport::AppSession session;  // restores and adopts the list
  EXPECT_EQ(session.content(), list);
  // Another key written: the list is encoded from the window's form, unchanged.
  Tirr_UserDefaults::writeDefault(QStringLiteral("x"), QStringLiteral("other"));
  ASSERT_TRUE(Tirr_UserDefaults::waitForPendingSaves());
  session.quit();
  testsupport::relaunchStore();
  EXPECT_EQ(readStoredCallList(QStringLiteral("data")), std::optional(list));
}

// The table's models over the compact list keep Qt's model rules through
// every way the list changes.
TEST(CallListModels, KeepTheModelRulesThroughEditsSortFilterAndUndo) {
  ArrayController controller;
  QAbstractItemModelTester sourceTester(controller.model(),
                                        QAbstractItemModelTester::FailureReportingMode::Fatal);
  QAbstractItemModelTester arrangedTester(controller.arranged(),
                                          QAbstractItemModelTester::FailureReportingMode::Fatal);
  CallListUndo undo(&controller);
  CallList list;
  for (int i = 0; i < 40; ++i)
    list.append({{CallKeys::index, qint64(40 - i)},
                 {CallKeys::number, QStringLiteral("555-%1").arg(i * 7 % 40)},
                 {CallKeys::success, i % 3 == 0},
                 {CallKeys::note, i % 2 ? QStringLiteral("anna") : QString()}});
  controller.setContent(list);
  CallListModel* model = controller.model();
  CallListSortModel* arranged = controller.arranged();

  for (int column = -1; column < CallListModel::ColumnCount; ++column) {
    arranged->sort(column, Qt::AscendingOrder);
    arranged->sort(column, Qt::DescendingOrder);
  }
  arranged->sort(CallListModel::NumberColumn);
  QStringList shown;
  for (int row = 0; row < arranged->rowCount(); ++row)
    shown << arranged->index(row, CallListModel::NumberColumn).data().toString();
  QStringList sorted = shown;
  std::sort(sorted.begin(), sorted.end(),
            [](const QString& a, const QString& b) { return a.mid(4).toInt() < b.mid(4).toInt(); });
  EXPECT_EQ(shown, sorted);

  ASSERT_TRUE(model->setData(model->index(3, CallListModel::NoteColumn), QStringLiteral("called back")));
  ASSERT_TRUE(model->setData(model->index(4, CallListModel::SuccessColumn), Qt::Checked, Qt::CheckStateRole));
  model->stampDate(5, utc(1765033445000));
  EXPECT_EQ(model->index(3, CallListModel::NoteColumn).data().toString(), QStringLiteral("called back"));
  EXPECT_TRUE(controller.content().called(5));

  const CallListFilter anna{QStringLiteral("anna"), CallListFilter::Calls::All};
  arranged->setRowFilter([anna](const CallList& calls, qsizetype row) { return anna.accepts(calls, row); });
  EXPECT_EQ(arranged->rowCount(), 19);  // row 3's note is "anna" no more
  arranged->sort(CallListModel::IndexColumn);

  undo.undo();
  EXPECT_EQ(model->index(3, CallListModel::NoteColumn).data().toString(), QStringLiteral("anna"));
  EXPECT_EQ(model->index(4, CallListModel::SuccessColumn).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
  undo.redo();
  EXPECT_EQ(model->index(3, CallListModel::NoteColumn).data().toString(), QStringLiteral("called back"));

  // An import replaced the list, and was undone.
  const CallList previous = controller.content();
  controller.setContent(CallList{{{CallKeys::number, QStringLiteral("1")}}});
  undo.listImported(previous);
  EXPECT_EQ(arranged->rowCount(), 0);  // the filter applies to the new list
  arranged->setRowFilter({});
  EXPECT_EQ(arranged->rowCount(), 1);
  undo.undo();
  EXPECT_EQ(controller.content(), previous);
  EXPECT_EQ(arranged->rowCount(), 40);
}

}  // namespace
