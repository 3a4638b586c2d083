// Archived values: any value the store can hold, and the null marker, kept
// inside a data value so that it survives the trip through a property list
// with its exact kinds.
//
// The encoding is CBOR, opened by the self-describe tag 55799 and a tag of our
// own, so that arbitrary data is told apart from an archive.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QVariant>
#include <optional>

namespace archive {

// Encodes `value`: integers (quint64 too), doubles, floats, booleans, strings
// (unpaired surrogates included), dates to the millisecond, data, lists, maps
// and QVariant::fromValue(nullptr). Returns nullopt, with a reason in `error`,
// for anything else.
[[nodiscard]] std::optional<QByteArray> archive(const QVariant& value, QString* error = nullptr);

// Decodes what archive() made. Returns nullopt, with a reason in `error`, for
// data that is not such an archive, a damaged one, or one with trailing bytes.
[[nodiscard]] std::optional<QVariant> unarchive(QByteArrayView data, QString* error = nullptr);

}  // namespace archive
