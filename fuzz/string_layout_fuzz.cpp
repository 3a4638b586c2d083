// Wrapping, cutting to a count and the HFS path style on arbitrary UTF-16:
// the first byte is the limit, the rest the text's code units (lone and paired
// surrogates included). Aborts when a result breaks its rules: a line longer
// than the limit, a surrogate pair split, a path that does not come back.
#include <QDir>
#include <QString>
#include <cstdlib>

#include "text/string_layout.h"
#include "text/string_paths.h"

using namespace Tirr_NSStringAdditions;

namespace {

qsizetype pairs(QStringView s) {
  qsizetype count = 0;
  for (qsizetype i = 0; i + 1 < s.size(); ++i)
    if (s[i].isHighSurrogate() && s[i + 1].isLowSurrogate()) ++count, ++i;
  return count;
}

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const quint64 limit = data[0];
  const QString text(reinterpret_cast<const QChar*>(data + 1), qsizetype((size - 1) / 2));

  const QString wrapped = wrapToLength(text, limit);
  if (wrapped != text) {
    for (QStringView line : QStringView(wrapped).split(u'\n'))
      check(quint64(line.size()) <= std::max<quint64>(limit, 2));
    check(pairs(wrapped) == pairs(text));
  }

  const QString cut = truncateStringToMaxCharacters(text, limit);
  if (cut != text) {
    check(cut.endsWith(ellipsisString()) && quint64(cut.size()) <= limit + 1);
    const QString kept = cut.chopped(1);
    check(text.startsWith(kept));
    check(!(kept.size() > 0 && kept.back().isHighSurrogate() && text[kept.size()].isLowSurrogate()));
  }

  // Any absolute POSIX path survives the trip through the HFS style.
  QString path = QLatin1Char('/') + text;
  path.replace(QChar(0), QLatin1Char('_'));
  const QString hfs = pathHFS(path);
  check(pathPOSIX(hfs) == QDir::cleanPath(path));
  return 0;
}
