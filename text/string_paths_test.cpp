#include "text/string_paths.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QCborValue>
#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>

#include "testsupport/qt_printers.h"

using namespace Tirr_NSStringAdditions;

namespace {

// The HFS name of the root volume, with its ":".
QString rootVolume() { return pathHFS(QStringLiteral("/")); }

void touch(const QString& path) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
}

// A private folder by its canonical path (/tmp may be a link elsewhere).
struct Folder {
  QTemporaryDir dir;
  QString path = QFileInfo(dir.path()).canonicalFilePath();
  QString operator/(const QString& name) const { return path + QLatin1Char('/') + name; }
};

}  // namespace

TEST(StringPaths, ReceiverComesBackWhenThereIsNothingToConvert) {
  const QString cases[] = {"", "Root:home:ann", ":relative:name"};
  for (const QString& hfs : cases) EXPECT_EQ(pathHFS(hfs), hfs);
  const QString posix[] = {"", "/home/ann", "relative/name", "/home/ann/12:30 notes.txt"};
  for (const QString& path : posix) EXPECT_EQ(pathPOSIX(path), path);
  const QString text = QString::fromUtf8("Volume:folder");
  EXPECT_TRUE(pathHFS(text).isSharedWith(text));
}

TEST(StringPaths, PosixToHfs) {
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (volume.rootPath().startsWith(QLatin1String("/home")))
      GTEST_SKIP() << "/home is a volume of its own here";
  const QString root = rootVolume();
  ASSERT_TRUE(root.endsWith(QLatin1Char(':')));
  ASSERT_EQ(root.count(QLatin1Char(':')), 1);
  const struct {
    QString posix;
    QString hfs;  // after the root volume's "Name:"
  } cases[] = {
      {"/", ""},
      {"/home/ann", "home:ann"},
      {"/home/ann/", "home:ann:"},
      {"/home//ann/./x/../", "home:ann:"},
      {"/home/ann/12:30 notes.txt", "home:ann:12/30 notes.txt"},
      {"/home/ann/a/b", "home:ann:a:b"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.posix.toStdString());
    EXPECT_EQ(pathHFS(c.posix), root + c.hfs);
  }
  EXPECT_EQ(pathHFS(QStringLiteral("relative/name")),
            pathHFS(QDir::currentPath() + QStringLiteral("/relative/name")));
}

TEST(StringPaths, HfsToPosix) {
  const QString root = rootVolume();
  const struct {
    QString hfs;
    std::optional<QString> posix;
  } cases[] = {
      {root, "/"},
      {root + "home:ann", "/home/ann"},
      {root + "home:ann:", "/home/ann"},  // a folder: no trailing "/"
      {root + "home:12/30 notes", "/home/12:30 notes"},
      {":docs:a", "docs/a"},
      {":docs:", "docs"},
      {"NoSuchVolume:x", "/NoSuchVolume/x"},
      {"a::b", std::nullopt},
      {":", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hfs.toStdString());
    EXPECT_EQ(pathPOSIX(c.hfs), c.posix);
  }
}

TEST(StringPaths, RoundTripsKeepEveryName) {
  QStringList bases{QStringLiteral("/")};
  for (const QStorageInfo& volume : QStorageInfo::mountedVolumes())
    if (QFileInfo(volume.rootPath()).isDir()) bases.append(volume.rootPath());
  const QString names[] = {
      QString::fromUtf8("Café crème"),       QString::fromUtf8("emoji 😀 file"), "12:30 notes.txt", "a/b",
      QString::fromUtf8("Ünïcödé:and/both"),
  };
  for (const QString& base : bases) {
    for (const QString& name : names) {
      const QString posix = QDir(base).filePath(QStringLiteral("folder/") + QString(name).replace('/', ':'));
      SCOPED_TRACE(posix.toStdString());
      const QString hfs = pathHFS(posix);
      EXPECT_EQ(pathPOSIX(hfs), posix);
      EXPECT_EQ(pathHFS(*pathPOSIX(hfs)), hfs);
      const QString folderHfs = pathHFS(posix + QLatin1Char('/'));
      EXPECT_EQ(folderHfs, hfs + QLatin1Char(':'));
      EXPECT_EQ(pathPOSIX(folderHfs), posix);
    }
  }
}

TEST(StringPaths, UniquePathSkipsTakenNames) {
  Folder folder;
  const struct {
    QStringList taken;  // folders end in "/"
    QString path;
    QString expected;
  } cases[] = {
      {{}, "report.txt", "report.txt"},
      {{"report.txt"}, "report.txt", "report 1.txt"},
      {{"report.txt", "report 1.txt"}, "report.txt", "report 2.txt"},
      {{"archive.tar.gz"}, "archive.tar.gz", "archive.tar 1.gz"},
      {{"data/"}, "data", "data 1"},
      {{"data/", "data 1/", "data 2"}, "data/", "data 3"},
      {{"v1.2/"}, "v1.2/", "v1 1.2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path.toStdString());
    Folder scratch;
    for (const QString& name : c.taken) {
      if (name.endsWith('/'))
        ASSERT_TRUE(QDir(scratch.path).mkdir(name));
      else
        touch(scratch / name);
    }
    EXPECT_EQ(uniquePath(scratch / c.path), scratch / c.expected);
  }
  // An HFS path gives a POSIX answer; a dangling link is a taken name.
  ASSERT_EQ(symlink("nowhere", QFile::encodeName(folder / "link").constData()), 0);
  EXPECT_EQ(uniquePath(pathHFS(folder / "link")), folder / "link 1");
  EXPECT_EQ(uniquePath(QStringLiteral("a::b")), std::nullopt);
}

TEST(StringPaths, ReferenceFollowsRenameAndEndsWithDeletion) {
  Folder folder;
  const QString original = folder / QStringLiteral("12:30 notes.txt");
  touch(original);
  const FSRef ref = fsRef(original);
  EXPECT_NE(ref, FSRef{});
  EXPECT_EQ(fsRef(pathHFS(original)), ref);
  EXPECT_EQ(stringWithFSRef(ref), original);

  const QString renamed = folder / QString::fromUtf8("renamed é.txt");
  ASSERT_TRUE(QFile::rename(original, renamed));
  EXPECT_EQ(stringWithFSRef(ref), renamed);

  ASSERT_TRUE(QFile::remove(renamed));
  EXPECT_EQ(stringWithFSRef(ref), std::nullopt);

  EXPECT_EQ(fsRef(folder / "missing"), FSRef{});
  EXPECT_EQ(stringWithFSRef(FSRef{}), std::nullopt);
  EXPECT_EQ(stringWithFSRef(FSRef{1, 2, 3, 4}), std::nullopt);
}

// A reference finds its item after moves to other folders, of the item and
// of the folders around it, as long as the file system records birth times.
TEST(StringPaths, ReferenceFollowsMovesAcrossFolders) {
  Folder folder;
  ASSERT_TRUE(QDir(folder.path).mkpath("a/inner"));
  ASSERT_TRUE(QDir(folder.path).mkpath("b/deep/er"));
  const QString file = folder / "a/inner/notes.txt";
  touch(file);
  const FSRef ref = fsRef(file);
  if (ref.birthTime == 0) GTEST_SKIP() << "the file system keeps no birth times";
  const FSRef folderRef = fsRef(folder / "a/inner");

  const struct {
    QString from, to;   // a move, relative to the scratch folder
    QString fileAfter;  // where the file is then
  } moves[] = {
      {"a/inner/notes.txt", "b/notes.txt", "b/notes.txt"},                // to a sibling's folder
      {"b/notes.txt", "b/deep/er/notes 2.txt", "b/deep/er/notes 2.txt"},  // deeper, renamed
      {"b/deep/er/notes 2.txt", "notes.txt", "notes.txt"},                // up to the top
      {"notes.txt", "a/inner/n.txt", "a/inner/n.txt"},                    // back down
      {"a/inner", "b/deep/moved inner", "b/deep/moved inner/n.txt"},      // its folder moves
      {"b/deep/moved inner", QString::fromUtf8("é inner"), QString::fromUtf8("é inner/n.txt")},
  };
  for (const auto& move : moves) {
    SCOPED_TRACE((move.from + " -> " + move.to).toStdString());
    ASSERT_TRUE(QDir(folder.path).rename(move.from, move.to));
    EXPECT_EQ(stringWithFSRef(ref), folder / move.fileAfter);
  }
  EXPECT_EQ(stringWithFSRef(folderRef), folder / QString::fromUtf8("é inner"));

  // Deleted and its inode number given to new files: still gone.
  const QString last = folder / QString::fromUtf8("é inner/n.txt");
  ASSERT_TRUE(QFile::remove(last));
  bool reused = false;
  for (int i = 0; i < 20 && !reused; ++i) {
    const QString other = folder / QStringLiteral("new %1").arg(i);
    touch(other);
    reused = fsRef(other).inode == ref.inode;
  }
  EXPECT_EQ(stringWithFSRef(ref), std::nullopt) << (reused ? "with the inode number reused" : "");
}

TEST(StringPaths, ReferencePathLimitIs1023Bytes) {
  Folder folder;
  // Grow a chain of folders until the path passes 1023 bytes; every step
  // answers its path until then.
  QString path = folder.path;
  const QString name(200, QLatin1Char('d'));
  while (true) {
    const QString next = path + QLatin1Char('/') + name;
    if (next.toUtf8().size() > 1023) {
      ASSERT_TRUE(QDir().mkdir(next));
      EXPECT_EQ(stringWithFSRef(fsRef(next)), std::nullopt);
      break;
    }
    ASSERT_TRUE(QDir().mkdir(next));
    EXPECT_EQ(stringWithFSRef(fsRef(next)), next);
    path = next;
  }
  const QString exact = path + QLatin1Char('/') + QString(1023 - path.toUtf8().size() - 1, QLatin1Char('e'));
  ASSERT_TRUE(QDir().mkdir(exact));
  EXPECT_EQ(stringWithFSRef(fsRef(exact)), exact);
}

TEST(StringPaths, AliasRecordsLocateTheItem) {
  Folder folder;
  const QString file = folder / QString::fromUtf8("alias target 😀.txt");
  touch(file);
  const std::optional<QByteArray> data = aliasData(file);
  ASSERT_TRUE(data);
  const QCborValue record = QCborValue::fromCbor(*data);
  EXPECT_EQ(record[QStringLiteral("path")].toString(), file);
  EXPECT_EQ(record[QStringLiteral("kind")].toString(), QStringLiteral("file"));
  EXPECT_EQ(quint64(record[QStringLiteral("inode")].toInteger()), fsRef(file).inode);

  const std::optional<AppleEventDescriptor> descriptor = alias(pathHFS(file));
  ASSERT_TRUE(descriptor);
  EXPECT_EQ(descriptor->descriptorType, 0x616C6973u);  // "alis"
  EXPECT_EQ(descriptor->data, *data);

  EXPECT_EQ(alias(folder / "missing"), std::nullopt);
  EXPECT_EQ(aliasData(folder / "missing"), std::nullopt);
  EXPECT_EQ(alias(QString()), std::nullopt);
}
