// Equality and order of list elements (QVariants) by their own kind, for
// duplicate removal and ordered insertion.
//
// QVariant's operator== converts between kinds (the string "1" equals the number
// 1); here a string equals only a string with the same code units, a number only
// a number of the same value (1 equals 1.0; qint64 values beyond 2^53 compare
// exactly), a boolean only a boolean. Lists and dictionaries compare element by
// element under the same rules.
#pragma once

#include <QString>
#include <QVariant>
#include <cstddef>

// The string `element` holds, without a copy; nullptr when it holds none.
[[nodiscard]] inline const QString* heldString(const QVariant* element) {
  return element && element->typeId() == QMetaType::QString
             ? static_cast<const QString*>(element->constData())
             : nullptr;
}

// True when `a` and `b` are the same element by the rules above.
[[nodiscard]] bool sameListElement(const QVariant& a, const QVariant& b);

// A hash that agrees with sameListElement: equal elements hash alike.
[[nodiscard]] size_t listElementHash(const QVariant& element, size_t seed = 0);

// A total order, -1, 0 or +1: absent values (invalid or the null marker), then
// booleans, numbers by value (NaN last), strings by code units, then other kinds
// by type and within a type by Qt's own order where it has one.
[[nodiscard]] int compareListElements(const QVariant& a, const QVariant& b);
