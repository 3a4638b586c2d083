// The interface in German: the catalogue built into the program is found for
// the locale, reaches the menus, and counts with German plural forms.
#include "app/translations.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMenuBar>
#include <memory>

#include "app/main_window.h"
#include "testsupport/qt_printers.h"

namespace {

// The program always runs with its translations installed (the English one
// supplies the singular of counted texts), and so does every test here.
class InstalledTranslations : public ::testing::Environment {
 public:
  void SetUp() override { installTranslations(); }
};
[[maybe_unused]] const ::testing::Environment* const installed =
    ::testing::AddGlobalTestEnvironment(new InstalledTranslations);

class TranslationsTest : public ::testing::Test {
 protected:
  void TearDown() override { installTranslations(QLocale(QLocale::English)); }
};

QStringList menuTitles(const MainWindow& window) {
  QStringList titles;
  for (const QAction* action : window.menuBar()->actions()) titles << action->text();
  return titles;
}

QString counted(const char* text, int n) { return QCoreApplication::translate("ui", text, nullptr, n); }

TEST_F(TranslationsTest, GermanMenusAndPluralForms) {
  installTranslations(QLocale(QLocale::German, QLocale::Germany));
  const auto window = std::make_unique<MainWindow>();
  EXPECT_EQ(menuTitles(*window), (QStringList{"&Datei", "&Bearbeiten", "&Anruf"}));
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Telvane List Dialer"));

  struct Case {
    int n;
    QString expected;
  };
  const Case cases[] = {
      {1, QStringLiteral("1 Eintrag aus „%1“ geladen.")},
      {2, QStringLiteral("2 Einträge aus „%1“ geladen.")},
      {0, QStringLiteral("0 Einträge aus „%1“ geladen.")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(counted("Loaded %n entries from “%1”.", c.n), c.expected);
  }
}

TEST_F(TranslationsTest, EnglishCountsInTheSingularToo) {
  installTranslations(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(counted("Loaded %n entries from “%1”.", 1), QStringLiteral("Loaded 1 entry from “%1”."));
  EXPECT_EQ(counted("Loaded %n entries from “%1”.", 3), QStringLiteral("Loaded 3 entries from “%1”."));
  const auto window = std::make_unique<MainWindow>();
  EXPECT_EQ(menuTitles(*window), (QStringList{"&File", "&Edit", "&Call"}));
}

TEST_F(TranslationsTest, ALocaleWithoutACatalogueFallsBackToEnglish) {
  installTranslations(QLocale(QLocale::German, QLocale::Germany));
  installTranslations(QLocale(QLocale::Japanese, QLocale::Japan));
  EXPECT_EQ(counted("Loaded %n entries from “%1”.", 1), QStringLiteral("Loaded 1 entry from “%1”."));
  EXPECT_EQ(QCoreApplication::translate("ui", "&File"), QStringLiteral("&File"));
}

}  // namespace
