// Tirr_UserDefaults: the program's single gateway to the user's preferences.
//
// Reads answer from a search list: the values stored for this application,
// then the global domain shared by all applications, then registered defaults
// (which live only for the process). Stored values persist in one binary
// property-list file per domain in $XDG_CONFIG_HOME/tirr-defaults/; files in
// the XML or old text form are read as well.
//
// Values are QVariants of the property-list kinds: qint64, double, float,
// bool, QString, QDateTime (UTC), QByteArray, QVariantList and QVariantMap.
#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <optional>

#include "prefs/defaults_store.h"

class Tirr_UserDefaults {
 public:
  Tirr_UserDefaults() = delete;

  // The identifier of this application's own domain ("org.telvane.ListDialer")
  // and of the global domain ("NSGlobalDomain").
  [[nodiscard]] static QString applicationDomain();
  [[nodiscard]] static QString globalDomain();
  // The folder that holds the domain files: $XDG_CONFIG_HOME/tirr-defaults.
  [[nodiscard]] static QString preferencesFolder();

  // Adds `defaults` to the registered defaults, which answer a read only while
  // nothing is stored under the key and are never written to disk. Values that
  // are not property-list values are left out.
  static void registerDefaults(const QVariantMap& defaults);
  static void registerDefault(const QVariant& value, const QString& key);

  // Stores `value` under `key` in the application's domain and synchronises.
  // An invalid QVariant removes the key; a value with no property-list form
  // (a QPoint, say) is not stored, so it can never make the domain unwritable.
  static void writeDefault(const QVariant& value, const QString& key);
  static void writeBoolDefault(bool value, const QString& key);
  // Stores `value` narrowed to single precision: 0.1 reads back as
  // 0.10000000149011612.
  static void writeFloatDefault(double value, const QString& key);
  static void writeIntegerDefault(qint64 value, const QString& key);
  static void writeDoubleDefault(double value, const QString& key);
  // Stores `value` as archived data (see archived_value.h); a value that
  // cannot be archived is not stored.
  static void writeArchivedDataDefault(const QVariant& value, const QString& key);
  // Removes `key` from the application's domain and synchronises.
  static void removeDefault(const QString& key);
  // Stores under `key` whatever `produce` makes when the domain is written,
  // and synchronises. For a large value: `produce` captures a cheap
  // (implicitly shared) snapshot and does the building and normalizing, on the
  // writer's thread when saving in the background. It must answer a
  // normalized property-list value (plist::normalized), or nullopt to fail.
  static void writeProducedDefault(DomainStore::ValueProducer produce, const QString& key);
  // Tells the store that `produce` makes the value already stored under `key`
  // (read with visitRecordsDefault): later writes encode what it makes, and
  // nothing is written now.
  static void adoptProducedDefault(DomainStore::ValueProducer produce, const QString& key);
  // Passes the records of the list the search list answers for `key` to
  // `visitor`, decoding a stored list straight from its file (see
  // plist_records.h). Answers false when the key is absent or not a list.
  static bool visitRecordsDefault(const QString& key, plist::RecordVisitor& visitor);
  // Writes every changed domain to disk; answers whether all writes succeeded
  // (when saving in the background: whether all could be queued).
  static bool synchronizeDefaults();
  // From now on, for the rest of the process, every synchronisation encodes
  // and writes on one background thread and returns at once; how each write
  // ends is told by DefaultsSaveEvents (prefs/save_events.h) either way.
  static void setSavesInBackground(bool on);
  // Blocks until the queued writes have ended; answers whether the last write
  // of each file succeeded.
  static bool waitForPendingSaves();
  // Why the application domain's file was not taken as it is (unreadable, or
  // damaged and moved aside), or nullopt.
  [[nodiscard]] static std::optional<DomainLoadProblem> applicationDomainProblem();
  // Saves pending changes and forgets everything held in memory, registered
  // defaults included; the next call starts afresh from the files, as after a
  // relaunch.
  static void resetDefaults();

  // Returns the value the search list answers for `key`, or nullopt.
  [[nodiscard]] static std::optional<QVariant> readDefault(const QString& key);
  // Typed reads of the search list: numbers convert, strings such as "YES",
  // "true" or "42" are read as the platform reads them, and anything else
  // (including an absent key) gives false or 0. See value_conversion.h.
  [[nodiscard]] static bool readBoolDefault(const QString& key);
  [[nodiscard]] static double readFloatDefault(const QString& key);
  [[nodiscard]] static qint64 readIntegerDefault(const QString& key);
  [[nodiscard]] static double readDoubleDefault(const QString& key);
  // Returns the decoded object for archived data, any other value unchanged,
  // or nullopt when absent. Data that is not an archive logs
  // "error: <reason>" and gives nullopt.
  [[nodiscard]] static std::optional<QVariant> readArchivedDataDefault(const QString& key);
  // Returns whether the search list answers `key` (registered defaults count).
  [[nodiscard]] static bool defaultExists(const QString& key);
  // Returns every key and value the search list answers.
  [[nodiscard]] static QVariantMap allDefaults();

  // Returns the values stored in the domain named `domain`, or nullopt when it
  // has none (or the name cannot be a domain, such as "../x").
  [[nodiscard]] static std::optional<QVariantMap> allDefaultsForPersistentDomain(const QString& domain);
  // Reads one key of a persistent domain; the typed reads use the value's own
  // conversion (a string is true when it starts with Y, T or 1-9).
  [[nodiscard]] static std::optional<QVariant> readDefault(const QString& key, const QString& domain);
  [[nodiscard]] static bool readBoolDefault(const QString& key, const QString& domain);
  [[nodiscard]] static double readFloatDefault(const QString& key, const QString& domain);
  [[nodiscard]] static qint64 readIntegerDefault(const QString& key, const QString& domain);
  [[nodiscard]] static double readDoubleDefault(const QString& key, const QString& domain);
  // As readArchivedDataDefault(key), but a decoding failure is not logged: it
  // gives nullopt with the reason in `error`.
  [[nodiscard]] static std::optional<QVariant> readArchivedDataDefault(const QString& key,
                                                                       const QString& domain,
                                                                       QString* error = nullptr);
  [[nodiscard]] static bool defaultExists(const QString& key, const QString& domain);

  // Centres `window` on its screen's available area unless the key
  // "NSWindow Frame <objectName>" exists (its frame was saved before).
  static void positionWindowOnLaunch(QWidget* window);
  // Returns "NSNavLastRootDirectory" with a leading "~" or "~/" expanded to the
  // home directory, or "<home>/Desktop" when it holds no non-empty string.
  [[nodiscard]] static QString lastDirectory();

  // Returns the value of `key` in the application's information dictionary:
  // the property list compiled into its resources as ":/Info.plist", read once.
  // A string value gives way to its translation, where one is installed, in the
  // translation context "InfoPlist" with the key as source text. nullopt for
  // an absent key.
  [[nodiscard]] static std::optional<QVariant> plistValue(const QString& key);
  // Returns the value of `key` in the dictionary at the root of the property
  // list file at `path` (binary, XML or old text form), or nullopt. A file that
  // is missing, not a regular file, unreadable or malformed logs
  // "plistValue error: <reason>"; a root that is not a dictionary answers
  // nullopt without a line.
  [[nodiscard]] static std::optional<QVariant> plistValue(const QString& path, const QString& key);
  // Stores `value` under `key` as writeDefault does, then tells every binding of
  // the key (UserDefaultsController) at once. A value with no property-list
  // form is neither stored nor announced.
  static void updateValue(const QVariant& value, const QString& key);
  // Returns the user's country as two upper-case letters: the fifth element of
  // the stored "com.apple.TimeZonePref.Last_Selected_City" list when the key is
  // there; otherwise the country of ICU's default time zone (the system zone,
  // or $TZ). "US" when the stored value is not a list of at least five with a
  // string fifth, or the zone belongs to no country (UTC).
  [[nodiscard]] static QString userCountryCode();
  // Sets the modification time of the application's executable file to now;
  // does nothing, silently, where that is not allowed (an installed program).
  static void touchBundleDate();
};
