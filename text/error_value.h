// Failures that an operation reports as a value rather than by aborting: the
// library that failed, its own code, and details keyed by name.
#pragma once

#include <QString>
#include <QVariantMap>

// Key of the human-readable message in ErrorValue::userInfo.
inline const QString kLocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");

struct ErrorValue {
  QString domain;  // the failing library, e.g. "regerror"
  qint64 code = 0;
  QVariantMap userInfo;

  // The message stored under kLocalizedDescriptionKey; empty when there is none.
  [[nodiscard]] QString localizedDescription() const {
    return userInfo.value(kLocalizedDescriptionKey).toString();
  }

  friend bool operator==(const ErrorValue&, const ErrorValue&) = default;
};
