// The persistent side of the user defaults: named domains, each kept in one
// binary property-list file "<directory>/<domain>.plist", loaded on first use
// and written back when changed.
//
// A binary file is checked whole when it is loaded, but its top-level values
// are decoded one at a time, on their first read: the few small keys a window
// needs at launch do not wait for a call list of 100,000 records stored beside
// them.
#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <map>
#include <optional>

#include "prefs/plist_binary.h"

class DomainStore {
 public:
  explicit DomainStore(QString directory);
  DomainStore(const DomainStore&) = delete;
  DomainStore& operator=(const DomainStore&) = delete;

  // Returns the value stored under `key` in `domain`, decoding only that value.
  // The domain's file is read the first time: a file that cannot be decoded is
  // moved aside to "<file>.corrupt-<time>", the line "error: <reason>" is
  // logged and the domain starts empty. Returns nullopt for an absent key and
  // for a name that cannot be a file name ("", ".", "a/b").
  [[nodiscard]] std::optional<QVariant> value(const QString& domain, const QString& key);

  // Returns every value stored in `domain`, decoding all of them; otherwise as
  // value(). Returns nullptr for a name that cannot be a file name.
  [[nodiscard]] const QVariantMap* values(const QString& domain);

  // Sets or removes one key of `domain` in memory; synchronize() saves it.
  // `value` must already be a normalized property-list value.
  void setValue(const QString& domain, const QString& key, const QVariant& value);
  void removeValue(const QString& domain, const QString& key);

  // Writes every changed domain to its file atomically. Returns false when any
  // write failed; those domains stay changed, to be tried again.
  [[nodiscard]] bool synchronize();

  // The file that holds `domain`.
  [[nodiscard]] QString filePath(const QString& domain) const;

 private:
  struct Domain {
    QVariantMap values;  // decoded, or set since loading
    // Keys whose values are still only encoded in `file`, with their references.
    QHash<QString, quint64> encoded;
    std::optional<plist::BinaryDictionary> file;
    bool dirty = false;
    // False when the file exists but could be neither read nor moved aside:
    // it is never overwritten then.
    bool writable = true;
  };

  Domain* domain(const QString& name);
  Domain load(const QString& name) const;
  static std::optional<QVariant> decode(Domain& domain, const QString& key);
  static void decodeAll(Domain& domain);
  bool save(const QString& name, Domain& domain) const;

  QString directory_;
  std::map<QString, Domain> domains_;
};
