// A throw-away HOME and XDG tree for a test process, removed when it ends.
#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

class TempHome {
 public:
  TempHome();
  // The directory that stands in for $HOME; XDG_CONFIG_HOME and XDG_DATA_HOME
  // are .config and .local/share below it.
  static QString path();

 private:
  QTemporaryDir dir_;
};

}  // namespace testsupport
