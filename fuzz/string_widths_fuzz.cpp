// Path truncation by drawn width, on paths put together from pieces that
// matter to widths: kerned pairs, ligatures, separators, white space, the
// ellipsis and characters beyond Latin. The first byte is the width, the
// second the font's size and weight, every further byte one piece. Aborts
// when the answer differs from measuring every candidate whole.
#include <QFontDatabase>
#include <QGuiApplication>
#include <cstdlib>

#include "testsupport/plain_truncation.h"
#include "text/string_layout.h"

using namespace Tirr_NSStringAdditions;

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  new QGuiApplication(*argc, *argv);  // kept to the end: Qt's own teardown comes first
  for (const char* file : {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf"})
    QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/") +
                                      QLatin1String(file));
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const QStringList pieces = QString::fromUtf8(
                                        "a e o r n s t A V W T Y L P f fi fl ff ffi To AV 1 7 . , _ - ' ( é "
                                        "ß Ł œ – € / / / … \t e\u0301 😀 漢")
                                        .split(QLatin1Char(' '))
                                    << QStringLiteral(" ") << QStringLiteral("  ");
  if (size < 2) return 0;
  QString path;
  for (size_t i = 2; i < size && i < 2 + 48; ++i) path += pieces[data[i] % pieces.size()];
  TextAttributes attributes;
  attributes.font = QFont(QStringLiteral("DejaVu Sans"));
  attributes.font.setPixelSize(6 + data[1] % 32);
  attributes.font.setBold(data[1] & 0x80);
  const double width = data[0] * 1.25;
  if (truncatePathString(path, width, attributes) != truncatePathEveryCandidate(path, width, attributes.font))
    std::abort();
  return 0;
}
