// Captures the lines the program writes to the system log while it is alive,
// so tests can check the exact text of "error: ..." lines.
#pragma once

#include <QStringList>

namespace testsupport {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  [[nodiscard]] const QStringList& lines() const { return lines_; }

 private:
  QStringList lines_;
};

}  // namespace testsupport
