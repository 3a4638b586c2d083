// Tirr_UserDefaults: the program's single gateway to the user's preferences.
//
// Reads answer from a search list: the values stored for this application,
// then the global domain shared by all applications, then registered defaults
// (which live only for the process). Stored values persist in one property-list
// file per domain under $XDG_CONFIG_HOME.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>
#include <optional>

class Tirr_UserDefaults {
 public:
  Tirr_UserDefaults() = delete;

  // The identifier of this application's own domain and of the global domain.
  static QString applicationDomain();
  static QString globalDomain();

  static void registerDefaults(const QVariantMap& defaults);
  static void registerDefault(const QVariant& value, const QString& key);
  static void writeDefault(const QVariant& value, const QString& key);
  static void writeBoolDefault(bool value, const QString& key);
  static void writeFloatDefault(double value, const QString& key);
  static void writeIntegerDefault(qint64 value, const QString& key);
  static void writeDoubleDefault(double value, const QString& key);
  static void writeArchivedDataDefault(const QVariant& value, const QString& key);
  static void removeDefault(const QString& key);
  // Writes every changed domain to disk; answers whether all writes succeeded.
  static bool synchronizeDefaults();
  static void resetDefaults();

  [[nodiscard]] static std::optional<QVariant> readDefault(const QString& key);
  [[nodiscard]] static bool readBoolDefault(const QString& key);
  [[nodiscard]] static double readFloatDefault(const QString& key);
  [[nodiscard]] static qint64 readIntegerDefault(const QString& key);
  [[nodiscard]] static double readDoubleDefault(const QString& key);
  [[nodiscard]] static std::optional<QVariant> readArchivedDataDefault(const QString& key);
  [[nodiscard]] static bool defaultExists(const QString& key);
  [[nodiscard]] static QVariantMap allDefaults();

  [[nodiscard]] static std::optional<QVariantMap> allDefaultsForPersistentDomain(const QString& domain);
  [[nodiscard]] static std::optional<QVariant> readDefault(const QString& key, const QString& domain);
  [[nodiscard]] static bool readBoolDefault(const QString& key, const QString& domain);
  [[nodiscard]] static double readFloatDefault(const QString& key, const QString& domain);
  [[nodiscard]] static qint64 readIntegerDefault(const QString& key, const QString& domain);
  [[nodiscard]] static double readDoubleDefault(const QString& key, const QString& domain);
  [[nodiscard]] static std::optional<QVariant> readArchivedDataDefault(const QString& key, const QString& domain);
  [[nodiscard]] static bool defaultExists(const QString& key, const QString& domain);

  // Centres `window` on its screen unless "NSWindow Frame <objectName>" exists.
  static void positionWindowOnLaunch(QWidget* window);
  // "NSNavLastRootDirectory" with a leading tilde expanded, or ~/Desktop.
  [[nodiscard]] static QString lastDirectory();
};
