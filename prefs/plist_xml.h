// XML property lists (<plist version="1.0">...</plist>), as other tools and
// people write them. Read only: the defaults store writes binary lists.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <optional>

namespace plist {

// Decodes an XML property list. Integers beyond 64 bits, malformed numbers,
// dates and base64, dictionary entries without a value, unknown elements and
// nesting deeper than kMaxDepth are errors. Returns nullopt, with a reason in
// `error`, when the document is not a well-formed property list.
[[nodiscard]] std::optional<QVariant> decodeXml(QByteArrayView bytes, QString* error = nullptr);

// Returns whether `bytes` (after an optional byte-order mark and white space)
// start with an XML tag rather than an old-style text value; "<0fbd>" is
// text data, "<dict>" and "<?xml" are XML.
[[nodiscard]] bool looksXml(QByteArrayView bytes);

}  // namespace plist
