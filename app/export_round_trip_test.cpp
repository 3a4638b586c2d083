// The export reads back exactly: for random notes and numbers, importing the
// export gives the same list, apart from what no written form can carry (line
// breaks become spaces, white space at the ends goes, U+0000 becomes U+FFFD,
// and the parser's placeholder text reads as one double quote).
#include "testsupport/export_round_trip.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <random>

#include "app/call_list_io.h"
#include "testsupport/qt_printers.h"

namespace {

// Texts built from the pieces that trouble a delimited file most: quotes
// alone and in runs, tabs, commas, spaces of several kinds, line breaks, the
// placeholder and parts of it, "#", and text beyond ASCII and the BMP.
QString randomText(std::mt19937& random) {
  static const QString pieces[] = {
      QStringLiteral("\""),        QStringLiteral("\"\""), QStringLiteral("\t"),      QStringLiteral(","),
      QStringLiteral(" "),         QStringLiteral("a"),    QStringLiteral("555"),     QStringLiteral("#"),
      QStringLiteral("<<quote>>"), QStringLiteral("<<"),   QStringLiteral("quote>>"), QStringLiteral("\n"),
      QStringLiteral("\r\n"),      QString(QChar(0x2028)), QString(QChar(0x00A0)),    QString(QChar(0x3000)),
      QStringLiteral("é"),         QStringLiteral("日本"), QStringLiteral("📞"),       QString(QChar(0xFEFF)),
      QString(QChar(0)),           QStringLiteral("\x01"), QStringLiteral("yes"),     QStringLiteral("-"),
  };
  std::uniform_int_distribution<int> length(0, 8);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
  QString text;
  for (int n = length(random); n > 0; --n) text += pieces[pick(random)];
  return text;
}

TEST(ExportRoundTrip, ImportOfExportGivesTheSameList) {
  std::mt19937 random(20261206);
  QTemporaryDir dir;
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    CallList records;
    for (qint64 i = 1; i <= 200; ++i)
      records.append({{CallKeys::index, i},
                      {CallKeys::number, randomText(random)},
                      {CallKeys::success, i % 3 == 0},
                      {CallKeys::note, randomText(random)}});
    const QString path = dir.filePath(QStringLiteral("round%1.txt").arg(round));
    ASSERT_EQ(writeExportFile(path, exportText(records)), std::nullopt);
    const ImportOutcome back = importCallList(path);
    ASSERT_EQ(back.status, ImportOutcome::Status::Loaded) << back.reason.toStdString();
    ASSERT_EQ(back.records.size(), records.size());
    for (qsizetype i = 0; i < records.size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(back.records.record(i).value(CallKeys::index), records.record(i).value(CallKeys::index));
      EXPECT_EQ(back.records.record(i).value(CallKeys::success), records.record(i).value(CallKeys::success));
      for (const QString* key : {&CallKeys::number, &CallKeys::note}) {
        const QString written = records.record(i).value(*key).toString();
        EXPECT_EQ(back.records.record(i).value(*key).toString(), afterRoundTrip(written))
            << "written: " << written.toStdString();
      }
    }
  }
}

}  // namespace
