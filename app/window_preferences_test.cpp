#include "app/window_preferences.h"

#include <gtest/gtest.h>

#include "app/main_window.h"
#include "prefs/user_defaults.h"

// The call table's grid follows the preference the moment it is updated,
// in a window built before and in one built after the update.
TEST(WindowPreferences, TableGridFollowsUpdateValue) {
  Tirr_UserDefaults::removeDefault(kTableShowsGridKey);
  MainWindow window;
  EXPECT_TRUE(window.table()->showGrid());

  Tirr_UserDefaults::updateValue(false, kTableShowsGridKey);
  EXPECT_FALSE(window.table()->showGrid());
  MainWindow later;
  EXPECT_FALSE(later.table()->showGrid());

  Tirr_UserDefaults::updateValue(true, kTableShowsGridKey);
  EXPECT_TRUE(window.table()->showGrid());
  EXPECT_TRUE(later.table()->showGrid());
  Tirr_UserDefaults::removeDefault(kTableShowsGridKey);
}
