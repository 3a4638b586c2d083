// The persistent side of the user defaults: named domains, each kept in one
// binary property-list file "<directory>/<domain>.plist", loaded on first use
// and written back when changed.
#pragma once

#include <QHash>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class DomainStore {
 public:
  explicit DomainStore(QString directory);
  DomainStore(const DomainStore&) = delete;
  DomainStore& operator=(const DomainStore&) = delete;

  // Returns the values stored in `domain`, reading its file the first time.
  // A file that cannot be decoded is moved aside to "<file>.corrupt-<time>",
  // the line "error: <reason>" is logged and the domain starts empty.
  // Returns nullptr for a name that cannot be a file name ("", ".", "a/b").
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
    QVariantMap values;
    bool dirty = false;
    // False when the file exists but could be neither read nor moved aside:
    // it is never overwritten then.
    bool writable = true;
  };

  Domain* domain(const QString& name);
  Domain load(const QString& name) const;
  bool save(const QString& name, Domain& domain) const;

  QString directory_;
  QHash<QString, Domain> domains_;
};
