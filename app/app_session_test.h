// Test support for the application on its real widgets: one run of the
// program (window layout, delegate, launch) and a clean preferences store.
#pragma once

#include <gtest/gtest.h>

#include <QDir>
#include <QStandardPaths>
#include <QTest>
#include <memory>

#include "app/app_delegate.h"
#include "prefs/user_defaults.h"

namespace testsupport {

// Forgets the in-memory store so the next read comes from disk, and registers
// the defaults again, as a new process does.
inline void relaunchStore() {
  Tirr_UserDefaults::resetDefaults();
  AppDelegate::registerApplicationDefaults();
}

// One run of the program, up to its table being filled with the stored list.
struct AppSession {
  std::unique_ptr<AppDelegate> delegate = std::make_unique<AppDelegate>();
  std::unique_ptr<MainWindow> window;

  AppSession() {
    window.reset(loadMainWindowLayout(delegate.get()));
    delegate->applicationDidFinishLaunching();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    EXPECT_TRUE(QTest::qWaitFor([this] { return delegate->callListRestored(); }));
  }
  ArrayController* controller() const { return delegate->dataArrayController(); }
  const CallList& content() const { return controller()->content(); }
  QTableView* table() const { return window->table(); }
  // Quits the way the program does: the termination handler stores everything.
  void quit() {
    delegate->applicationWillTerminate();
    window.reset();
  }
};

// Starts every test with no stored preferences, and dialling going to a
// harmless command, never to the desktop's tel: handler.
class AppTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Tirr_UserDefaults::resetDefaults();
    QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/tirr-defaults"))
        .removeRecursively();
    relaunchStore();
    QDir().mkpath(QDir::homePath() + QStringLiteral("/Desktop"));
    Tirr_UserDefaults::writeDefault(QStringLiteral("true %N"), QStringLiteral("DialCommand"));
  }
};

}  // namespace testsupport
