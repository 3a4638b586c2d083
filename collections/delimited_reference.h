// A slow, literal transcription of the delimited line parser's and file
// reader's rules, step by step with whole strings. Tests and fuzz targets hold
// the fast scanner and reader against it; nothing else should use it.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include "collections/delimited_file.h"
#include "text/string_core.h"

namespace delimited_reference {

// Quotes off both ends, then white space and newlines, then placeholders back to quotes.
inline QString finishField(const QString& text) {
  qsizetype begin = 0, end = text.size();
  while (begin < end && text[begin] == u'"') ++begin;
  while (end > begin && text[end - 1] == u'"') --end;
  while (begin < end && text[begin].isSpace()) ++begin;
  while (end > begin && text[end - 1].isSpace()) --end;
  return Tirr_NSStringAdditions::snr(text.mid(begin, end - begin), QStringLiteral("<<quote>>"),
                                     QStringLiteral("\""));
}

inline QStringList parseLine(const QString& line, const QString& delimiter) {
  using namespace Tirr_NSStringAdditions;
  const QString doubled = QStringLiteral("\"\""), placeholder = QStringLiteral("<<quote>>");
  if (delimiter.isEmpty()) return {finishField(snr(line, doubled, placeholder))};
  QStringList fields;
  QString pending;
  bool inside = false;
  for (QString piece : line.split(delimiter)) {
    piece = snr(piece, doubled, placeholder);
    if (!inside) {
      if (piece.startsWith(u'"') && !piece.endsWith(u'"')) {
        pending += deprefix(piece, QStringLiteral("\"")) + delimiter;
        inside = true;
      } else {
        fields.append(finishField(piece));
      }
    } else {
      pending += piece;
      if (piece.endsWith(u'"')) {
        fields.append(finishField(pending));
        pending.clear();
        inside = false;
      } else {
        pending += delimiter;
      }
    }
  }
  return fields;
}

// The records of an already decoded text, typed or as the parser's text.
inline QList<QVariantMap> readText(const QString& text, const QString& delimiter, bool typed) {
  QList<QVariantMap> records;
  bool haveHeader = false;
  QStringList columns;
  for (const QString& line : Tirr_NSStringAdditions::paragraphs(text)) {
    if (line.isEmpty() || line.startsWith(u'#')) continue;
    if (!haveHeader) {
      columns = delimiter.isEmpty() ? QStringList{line} : line.split(delimiter);
      haveHeader = true;
      continue;
    }
    const QStringList fields = parseLine(line, delimiter);
    QVariantMap record;
    for (qsizetype i = 0; i < columns.size() && i < fields.size(); ++i)
      record.insert(columns[i], typed ? typedDelimitedValue(fields[i]) : QVariant(fields[i]));
    if (!record.isEmpty()) records.append(record);
  }
  return records;
}

// Whether two cells are the same value of the same kind (QVariant's own
// operator== calls the integer 1 equal to the float 1 and to true).
inline bool sameCell(const QVariant& a, const QVariant& b) { return a.metaType() == b.metaType() && a == b; }

inline bool sameRecords(const QList<QVariantMap>& a, const QList<QVariantMap>& b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (a[i].keys() != b[i].keys()) return false;
    for (auto it = a[i].cbegin(); it != a[i].cend(); ++it)
      if (!sameCell(it.value(), b[i].value(it.key()))) return false;
  }
  return true;
}

}  // namespace delimited_reference
