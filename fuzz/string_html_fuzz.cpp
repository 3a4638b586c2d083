// The HTML readers take markup from anywhere. For any input they answer a
// text without crashing or hanging (run with -timeout: a slow unit is a
// finding), and the text holds no lone surrogate.
#include <QGuiApplication>
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "text/string_markup.h"

using namespace Tirr_NSStringAdditions;

namespace {

bool hasLoneSurrogate(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
      ++i;
    else if (text[i].isSurrogate())
      return true;
  }
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QGuiApplication app(*argc, *argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString html = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<QString> text = convertHTMLEntities(html);
  if (!text || hasLoneSurrogate(*text)) std::abort();
  const QString flat = flattenHTML(html);
  if (hasLoneSurrogate(flat)) std::abort();
  if (html.size() >= 4 && flat != *text) std::abort();
  return 0;
}
