#include "prefs/plist_xml.h"

#include <QDateTime>
#include <QVariantList>
#include <QVariantMap>
#include <QXmlStreamReader>
#include <cctype>
#include <cmath>
#include <limits>

#include "prefs/plist_value.h"

namespace plist {

namespace {

// Parses a decimal or 0x-prefixed hexadecimal integer with an optional sign.
std::optional<QVariant> parseInteger(QStringView text) {
  bool negative = false;
  if (text.startsWith(u'-') || text.startsWith(u'+')) {
    negative = text.front() == u'-';
    text = text.mid(1);
  }
  int base = 10;
  if (text.startsWith(u"0x") || text.startsWith(u"0X")) {
    base = 16;
    text = text.mid(2);
  }
  if (text.isEmpty() || text.front() == u'+' || text.front() == u'-') return std::nullopt;
  bool ok = false;
  const quint64 magnitude = text.toULongLong(&ok, base);
  if (!ok) return std::nullopt;
  constexpr quint64 kMaxMagnitudeNegative = quint64(std::numeric_limits<qint64>::max()) + 1;
  if (negative) {
    if (magnitude > kMaxMagnitudeNegative) return std::nullopt;
    return QVariant::fromValue(qint64(0 - magnitude));
  }
  if (magnitude > quint64(std::numeric_limits<qint64>::max())) return QVariant::fromValue(magnitude);
  return QVariant::fromValue(qint64(magnitude));
}

std::optional<QVariant> parseReal(QStringView text) {
  const QString lower = text.toString().toLower();
  if (lower == u"nan") return QVariant(std::numeric_limits<double>::quiet_NaN());
  for (const char* inf : {"inf", "+inf", "infinity", "+infinity"})
    if (lower == QLatin1String(inf)) return QVariant(std::numeric_limits<double>::infinity());
  if (lower == u"-inf" || lower == u"-infinity") return QVariant(-std::numeric_limits<double>::infinity());
  bool ok = false;
  const double d = text.toDouble(&ok);  // C locale, whatever the user's locale is
  if (!ok) return std::nullopt;
  return QVariant(d);
}

std::optional<QVariant> parseDate(QStringView text) {
  QDateTime dt = QDateTime::fromString(text.toString(), Qt::ISODateWithMs);
  if (!dt.isValid()) return std::nullopt;
  if (dt.timeSpec() == Qt::LocalTime) dt.setTimeSpec(Qt::UTC);  // a date without zone is UTC
  return QVariant(dt.toUTC());
}

std::optional<QVariant> parseData(QStringView text) {
  QByteArray base64;
  base64.reserve(text.size());
  for (QChar c : text)
    if (!c.isSpace()) base64.append(char(c.unicode() < 0x80 ? c.unicode() : '!'));
  auto decoded = QByteArray::fromBase64Encoding(base64, QByteArray::AbortOnBase64DecodingErrors);
  if (!decoded) return std::nullopt;
  return QVariant(*decoded);
}

class XmlReader {
 public:
  explicit XmlReader(QByteArrayView bytes) : xml_(QByteArray::fromRawData(bytes.data(), bytes.size())) {}

  std::optional<QVariant> read(QString* error) {
    auto result = document();
    if (!result && error) {
      if (error_.isEmpty()) error_ = xml_.errorString();
      *error = QStringLiteral("XML property list: line %1: %2").arg(xml_.lineNumber()).arg(error_);
    }
    return result;
  }

 private:
  std::optional<QVariant> failed(const QString& why) {
    if (error_.isEmpty()) error_ = why;
    return std::nullopt;
  }

  std::optional<QVariant> document() {
    if (!xml_.readNextStartElement()) return failed(QStringLiteral("no root element"));
    std::optional<QVariant> result;
    if (xml_.name() == u"plist") {
      if (!xml_.readNextStartElement()) return failed(QStringLiteral("empty plist element"));
      result = value(0);
      if (result && xml_.readNextStartElement())
        return failed(QStringLiteral("more than one top-level value"));
    } else {
      result = value(0);
    }
    if (!result) return std::nullopt;
    while (!xml_.atEnd() && !xml_.hasError())
      if (xml_.readNext() == QXmlStreamReader::StartElement)
        return failed(QStringLiteral("trailing element"));
    if (xml_.hasError()) return std::nullopt;
    return result;
  }

  // Reads the element the reader stands on, leaving it on its end tag.
  std::optional<QVariant> value(int depth) {
    if (depth > kMaxDepth) return failed(QStringLiteral("nesting deeper than %1").arg(kMaxDepth));
    const QStringView name = xml_.name();
    if (name == u"dict") return dictionary(depth);
    if (name == u"array") return array(depth);
    const QString element = name.toString();
    const QString text = xml_.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
    if (xml_.hasError()) return std::nullopt;
    std::optional<QVariant> result;
    if (element == u"string") return QVariant(text);
    if (element == u"true" || element == u"false") {
      if (!text.trimmed().isEmpty()) return failed(QStringLiteral("text inside <%1/>").arg(element));
      return QVariant(element == u"true");
    }
    if (element == u"integer")
      result = parseInteger(QStringView(text).trimmed());
    else if (element == u"real")
      result = parseReal(QStringView(text).trimmed());
    else if (element == u"date")
      result = parseDate(QStringView(text).trimmed());
    else if (element == u"data")
      result = parseData(text);
    else
      return failed(QStringLiteral("unknown element <%1>").arg(element));
    if (!result) return failed(QStringLiteral("malformed <%1>: %2").arg(element, text.left(64)));
    return result;
  }

  std::optional<QVariant> array(int depth) {
    QVariantList list;
    while (xml_.readNextStartElement()) {
      auto item = value(depth + 1);
      if (!item) return std::nullopt;
      list.append(std::move(*item));
    }
    if (xml_.hasError()) return std::nullopt;
    return QVariant(std::move(list));
  }

  std::optional<QVariant> dictionary(int depth) {
    QVariantMap map;
    while (xml_.readNextStartElement()) {
      if (xml_.name() != u"key") return failed(QStringLiteral("<%1> where a <key> belongs").arg(xml_.name()));
      QString key = xml_.readElementText(QXmlStreamReader::ErrorOnUnexpectedElement);
      if (xml_.hasError()) return std::nullopt;
      if (!xml_.readNextStartElement()) return failed(QStringLiteral("key \"%1\" has no value").arg(key));
      auto item = value(depth + 1);
      if (!item) return std::nullopt;
      map.insert(std::move(key), std::move(*item));
    }
    if (xml_.hasError()) return std::nullopt;
    return QVariant(std::move(map));
  }

  QXmlStreamReader xml_;
  QString error_;
};

}  // namespace

std::optional<QVariant> decodeXml(QByteArrayView bytes, QString* error) {
  return XmlReader(bytes).read(error);
}

bool looksXml(QByteArrayView bytes) {
  if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
  while (!bytes.isEmpty() && QChar::isSpace(uchar(bytes.front()))) bytes = bytes.sliced(1);
  if (!bytes.startsWith('<') || bytes.startsWith("<*")) return false;
  // Text data is "<" hex digits and white space ">"; anything else is a tag.
  for (const char c : bytes.sliced(1)) {
    if (c == '>') return false;
    if (!QChar::isSpace(uchar(c)) && !std::isxdigit(uchar(c))) return true;
  }
  return false;
}

}  // namespace plist
