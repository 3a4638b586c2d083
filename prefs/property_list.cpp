#include "prefs/property_list.h"

#include "prefs/plist_binary.h"
#include "prefs/plist_text.h"
#include "prefs/plist_xml.h"

namespace plist {

Format detectFormat(QByteArrayView bytes) {
  if (looksBinary(bytes)) return Format::Binary;
  if (looksXml(bytes)) return Format::Xml;
  return Format::Text;
}

std::optional<QVariant> decode(QByteArrayView bytes, QString* error) {
  switch (detectFormat(bytes)) {
    case Format::Binary:
      return decodeBinary(bytes, error);
    case Format::Xml:
      return decodeXml(bytes, error);
    case Format::Text:
      break;
  }
  return decodeText(bytes, error);
}

std::optional<QByteArray> encode(const QVariant& value, QString* error) {
  const auto canonical = normalized(value);
  if (!canonical) {
    if (error) *error = QStringLiteral("value has no property-list form");
    return std::nullopt;
  }
  return encodeBinary(*canonical, error);
}

}  // namespace plist
