#include "testsupport/temp_home.h"

#include <QDir>

namespace testsupport {

namespace {
QString g_path;
}

TempHome::TempHome() : dir_(QDir::tempPath() + QStringLiteral("/telvane-test-XXXXXX")) {
  g_path = dir_.path();
  QDir(g_path).mkpath(QStringLiteral(".config"));
  QDir(g_path).mkpath(QStringLiteral(".local/share"));
  qputenv("HOME", g_path.toLocal8Bit());
  qputenv("XDG_CONFIG_HOME", (g_path + QStringLiteral("/.config")).toLocal8Bit());
  qputenv("XDG_DATA_HOME", (g_path + QStringLiteral("/.local/share")).toLocal8Bit());
  qputenv("XDG_CACHE_HOME", (g_path + QStringLiteral("/.cache")).toLocal8Bit());
}

QString TempHome::path() { return g_path; }

}  // namespace testsupport
