// Preferences the main window displays, bound so that it follows every
// Tirr_UserDefaults::updateValue of their keys at once.
#pragma once

#include <QTableView>

#include "prefs/user_defaults_controller.h"

// Whether the call table draws its grid; absent means yes.
inline const QString kTableShowsGridKey = QStringLiteral("CallTableShowsGrid");

inline void bindWindowPreferences(QTableView* table) {
  UserDefaultsController::sharedUserDefaultsController()->bind(
      kTableShowsGridKey, table,
      [table](const QVariant& value) { table->setShowGrid(!value.isValid() || value.toBool()); });
}
