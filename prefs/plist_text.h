// Old-style (OpenStep) text property lists: { key = value; }, ( a, b ),
// <0fbd77> data and "quoted" or bare strings, with // and /* */ comments.
// Also reads the GNUstep typed forms <*I12>, <*R1.5>, <*BY>/<*BN> and
// <*D2001-01-01 00:00:00 +0000>, so numbers, booleans and dates survive.
#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <optional>

namespace plist {

// Decodes a text property list from UTF-8 (or UTF-16 with a byte-order mark).
// Untyped scalars are strings, as in the format itself. A top level of bare
// `key = value;` pairs (a strings file) reads as a dictionary. Returns
// nullopt, with a reason and position in `error`, for malformed text.
[[nodiscard]] std::optional<QVariant> decodeText(QByteArrayView bytes, QString* error = nullptr);

}  // namespace plist
