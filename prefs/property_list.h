// Property lists: reading any of the three on-disk forms (binary, XML, old
// text), writing the binary form. The value model is in plist_value.h.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <optional>

#include "prefs/plist_value.h"

namespace plist {

enum class Format { Binary, Xml, Text };

// Returns the form `bytes` are in, judged by their first bytes: the binary
// signature, an XML prolog or element, and otherwise the text form.
[[nodiscard]] Format detectFormat(QByteArrayView bytes);

// Decodes a property list in whichever form `bytes` are. Returns nullopt, with
// a reason in `error`, for malformed or truncated input; never crashes or
// allocates far beyond the input's size, whatever the bytes.
[[nodiscard]] std::optional<QVariant> decode(QByteArrayView bytes, QString* error = nullptr);

// Encodes `value` as a binary property list after normalizing it. Returns
// nullopt, with a reason in `error`, when it holds a kind a property list
// cannot (see plist::normalized).
[[nodiscard]] std::optional<QByteArray> encode(const QVariant& value, QString* error = nullptr);

}  // namespace plist
