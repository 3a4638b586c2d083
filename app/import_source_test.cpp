// What the import accepts and refuses before it reads a line: files that are
// not regular files (a named pipe would block the open for ever), files it may
// not read, and the encodings spreadsheets save text in.
#include "app/import_source.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "app/call_list_io.h"
#include "app/import_report.h"
#include "testsupport/log_capture.h"
#include "testsupport/qt_printers.h"

namespace {

using Status = ImportOutcome::Status;

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& content) {
  const QString path = dir.filePath(name);
  QFile file(path);
  EXPECT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(content);
  return path;
}

QByteArray utf16(const QString& text, QStringEncoder::Encoding encoding) {
  QStringEncoder encoder(encoding, QStringEncoder::Flag::WriteBom);
  return encoder(text);
}

TEST(ImportSource, RefusesWhatIsNotARegularFile) {
  QTemporaryDir dir;
  const QString fifo = dir.filePath(QStringLiteral("pipe.txt"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  const struct {
    QString path;
    const char* reason;
  } cases[] = {
      {fifo, "it is a named pipe (FIFO), not a regular file"},
      {dir.path(), "it is a folder, not a regular file"},
      {QStringLiteral("/dev/null"), "it is a device, not a regular file"},
      {dir.filePath(QStringLiteral("absent.txt")), "there is no such file"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    testsupport::LogCapture log;
    const ImportOutcome outcome = importCallList(c.path);
    EXPECT_EQ(outcome.status, Status::Failed);
    EXPECT_EQ(outcome.reason, QString::fromUtf8(c.reason));
    EXPECT_EQ(log.lines().size(), 1);
  }
}

TEST(ImportSource, UnreadableFileIsPermissionDenied) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  QTemporaryDir dir;
  const QString path = writeFile(dir, QStringLiteral("locked.txt"), "Phone\n555\n");
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0), 0);
  const ImportOutcome outcome = importCallList(path);
  EXPECT_EQ(outcome.status, Status::Failed);
  EXPECT_EQ(outcome.reason, QStringLiteral("permission denied"));
}

// UTF-8 with or without a byte-order mark, UTF-16 in either byte order with
// one, and Windows-1252 for a file that is not UTF-8, each told to the user.
TEST(ImportSource, ReadsTheEncodingsSpreadsheetsSave) {
  QTemporaryDir dir;
  const QString text = QStringLiteral("index\tnumber\tnote\n1\t+49 30 1234\tGrüße, “bitte” € 📞\n");
  QByteArray lateInvalid = "index\tnumber\tnote\n";
  while (lateInvalid.size() < 200 * 1024) lateInvalid += "1\t555\tplain\n";
  lateInvalid += "2\t556\tM\xfcller\n";
  const struct {
    const char* name;
    QByteArray file;
    const char* encoding;
    QString lastNote;
    const char* status;
  } cases[] = {
      {"UTF-8", text.toUtf8(), "UTF-8", QStringLiteral("Grüße, “bitte” € 📞"), "Loaded 1 entry from “f”."},
      {"UTF-8 with a byte-order mark", "\xef\xbb\xbf" + text.toUtf8(), "UTF-8",
       QStringLiteral("Grüße, “bitte” € 📞"), "Loaded 1 entry from “f”."},
      {"UTF-16LE", utf16(text, QStringEncoder::Utf16LE), "UTF-16LE", QStringLiteral("Grüße, “bitte” € 📞"),
       "Loaded 1 entry from “f”. Read as UTF-16LE."},
      {"UTF-16BE", utf16(text, QStringEncoder::Utf16BE), "UTF-16BE", QStringLiteral("Grüße, “bitte” € 📞"),
       "Loaded 1 entry from “f”. Read as UTF-16BE."},
      {"Windows-1252",
       "index\tnumber\tnote\n1\t+49 30 1234\tGr\xfc\xdf"
       "e, \x93"
       "bitte\x94 \x80\n",
       "Windows-1252", QStringLiteral("Grüße, “bitte” €"), "Loaded 1 entry from “f”. Read as Windows-1252."},
      {"not UTF-8 only far into the file", lateInvalid, "Windows-1252", QStringLiteral("Müller"), nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const ImportOutcome outcome = importCallList(writeFile(dir, QString::fromUtf8(c.name), c.file));
    ASSERT_EQ(outcome.status, Status::Loaded) << outcome.reason.toStdString();
    EXPECT_EQ(outcome.encoding, QString::fromUtf8(c.encoding));
    EXPECT_EQ(outcome.records.record(outcome.records.size() - 1).value(CallKeys::note).toString(), c.lastNote);
    if (c.status) {
      EXPECT_EQ(importStatusMessage(outcome, QStringLiteral("f")), QString::fromUtf8(c.status));
    }
  }
}

// The header is found however far it reaches: thousands of columns run past
// the block the import reads first.
TEST(ImportSource, FindsAHeaderBeyondTheFirstBlock) {
  QTemporaryDir dir;
  QByteArray header, row;
  for (int i = 0; i < 20000; ++i) header += "column" + QByteArray::number(i) + ',', row += "x,";
  const QString path = writeFile(dir, QStringLiteral("wide.csv"),
                                 "# wide\n" + header + "index,number,note\n" + row + "7,555,n\n");
  QString problem;
  const std::optional<ImportSource> source = ImportSource::open(path, &problem);
  ASSERT_TRUE(source.has_value()) << problem.toStdString();
  EXPECT_EQ(source->delimiter(), QStringLiteral(","));
  ASSERT_TRUE(source->headerLine().has_value());
  EXPECT_TRUE(source->headerLine()->endsWith(QStringLiteral(",index,number,note")));
  const ImportOutcome outcome = importCallList(path);
  ASSERT_EQ(outcome.status, Status::Loaded);
  EXPECT_EQ(outcome.records.record(0).value(CallKeys::index), QVariant(qint64(7)));
  EXPECT_EQ(outcome.records.record(0).value(CallKeys::note), QVariant(QStringLiteral("n")));
}

}  // namespace
