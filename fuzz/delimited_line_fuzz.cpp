// Fuzzes the delimited line parser. The first byte picks a delimiter length
// of 1 to 3 UTF-16 units, taken from the start of the decoded rest; the
// remaining text is the line. Checks the parser against the literal
// transcription of its rules and the invariants every caller relies on.
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "collections/delimited_line.h"
#include "collections/delimited_reference.h"

namespace {

void check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const qsizetype delimiterLength = 1 + data[0] % 3;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  if (text.size() < delimiterLength) return 0;
  const QString delimiter = text.left(delimiterLength);
  const QString line = text.sliced(delimiterLength);

  const QStringList fields =
      Tirr_NSStringAdditions::arrayByParsingLineDelimitedWithDelimiter(line, delimiter);
  check(fields == delimited_reference::parseLine(line, delimiter));
  // No more fields than pieces, and a line without quotes loses none.
  const qsizetype pieces = line.split(delimiter).size();
  check(fields.size() <= pieces);
  if (!line.contains(u'"')) check(fields.size() == pieces);
  for (const QString& field : fields)
    check(field.isEmpty() || (!field.front().isSpace() && !field.back().isSpace()));
  return 0;
}
