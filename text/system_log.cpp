#include "text/system_log.h"

#include <QDebug>

namespace {

std::function<void(const QString&)>& sink() {
  static std::function<void(const QString&)> current;
  return current;
}

}  // namespace

void systemLog(const QString& line) {
  if (const auto& s = sink()) {
    s(line);
    return;
  }
  qWarning().noquote() << line;
}

void setSystemLogSink(std::function<void(const QString&)> s) { sink() = std::move(s); }
