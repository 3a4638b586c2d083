#include "testsupport/log_capture.h"

#include "text/system_log.h"

namespace testsupport {

LogCapture::LogCapture() {
  setSystemLogSink([this](const QString& line) { lines_.append(line); });
}

LogCapture::~LogCapture() { setSystemLogSink({}); }

}  // namespace testsupport
