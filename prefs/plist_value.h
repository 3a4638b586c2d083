// The value model of property lists, held in QVariants.
//
// A property-list value is one of: qint64 (or quint64 above INT64_MAX), double,
// float, bool, QString, QDateTime (UTC), QByteArray, QVariantList and
// QVariantMap. The codecs and the defaults store deal only in these kinds.
#pragma once

#include <QVariant>
#include <optional>

namespace plist {

// Containers nested deeper than this are rejected by every reader and writer,
// so untrusted files cannot exhaust the stack.
inline constexpr int kMaxDepth = 512;

// Returns `value` converted to the canonical kinds above: the other integer
// types become qint64, QStringList a QVariantList, QVariantHash a QVariantMap,
// dates UTC. Returns nullopt when `value` (or anything inside it) has no
// property-list form, e.g. an invalid QVariant, an invalid date or a QPoint.
[[nodiscard]] std::optional<QVariant> normalized(const QVariant& value, int depth = 0);

// Returns whether `a` and `b` are the same value of the same kind, deeply.
// Unlike QVariant's operator==, 1 (qint64) differs from 1.0 (double) and from
// true, and two NaNs of the same kind are equal.
[[nodiscard]] bool sameValue(const QVariant& a, const QVariant& b);

// Seconds between the Unix epoch and 2001-01-01T00:00:00Z, the reference date
// of binary property-list dates.
inline constexpr qint64 kReferenceDateMsecs = 978307200000;

}  // namespace plist
