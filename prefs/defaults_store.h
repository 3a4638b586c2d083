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
#include <QObject>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "prefs/background_writer.h"
#include "prefs/binary_list_file.h"
#include "prefs/plist_binary.h"
#include "prefs/plist_records.h"

// Why a domain's file was not taken as it is.
struct DomainLoadProblem {
  enum class Kind {
    // The file exists but could not be read (permissions, I/O, not a regular
    // file), or was damaged and could not be moved aside. It is left where it
    // is and never overwritten in this run.
    Unreadable,
    // The file was read but could not be decoded; it was renamed to `movedTo`
    // and the domain started empty.
    MovedAside,
  };
  Kind kind;
  QString path;
  QString reason;
  QString movedTo;
};

class DomainStore {
 public:
  // Makes a value when the domain is written, on whichever thread writes it.
  // It must only read what it captured.
  using ValueProducer = std::function<std::optional<QVariant>()>;
  // Told on the thread that owns the store how each write of a domain file
  // ended: the file, and the reason when it failed.
  using SaveFinished = std::function<void(const QString& path, const std::optional<QString>& error)>;

  explicit DomainStore(QString directory);
  ~DomainStore();
  DomainStore(const DomainStore&) = delete;
  DomainStore& operator=(const DomainStore&) = delete;

  // Returns the value stored under `key` in `domain`, decoding only that value.
  // The domain's file is read the first time: a file that cannot be decoded is
  // moved aside to "<file>.corrupt-<time>", the line "error: <reason>" is
  // logged and the domain starts empty; a file that cannot be read at all is
  // logged, left in place and never overwritten (see loadProblem()). Returns
  // nullopt for an absent key and
  // for a name that cannot be a file name ("", ".", "a/b").
  [[nodiscard]] std::optional<QVariant> value(const QString& domain, const QString& key);

  // Returns every value stored in `domain`, decoding all of them; otherwise as
  // value(). Returns nullptr for a name that cannot be a file name.
  [[nodiscard]] const QVariantMap* values(const QString& domain);

  // Sets or removes one key of `domain` in memory; synchronize() saves it.
  // `value` must already be a normalized property-list value.
  void setValue(const QString& domain, const QString& key, const QVariant& value);
  void removeValue(const QString& domain, const QString& key);
  // Sets `key` to what `produce` makes, called only when the domain is written
  // (or the key read): a large value can be handed over as a cheap snapshot
  // and built, normalized and encoded away from the event loop. `produce` must
  // give a normalized property-list value; nullopt fails the write.
  void setValueProducer(const QString& domain, const QString& key, ValueProducer produce);
  // As setValueProducer(), for a value the caller holds exactly as it is
  // stored (it read it with visitRecords()): nothing is written for it now,
  // and the encoded value is forgotten, so that a later write of the domain
  // encodes the caller's form instead of decoding the file's.
  void adoptValueProducer(const QString& domain, const QString& key, ValueProducer produce);

  // Passes the records of the list stored under `key` to `visitor` (see
  // plist_records.h), decoding them straight from the file when the value
  // was not read before; answers false when the key is absent or its value
  // is not a list.
  bool visitRecords(const QString& domain, const QString& key, plist::RecordVisitor& visitor);
  // Whether `domain` holds a value for `key`.
  [[nodiscard]] bool contains(const QString& domain, const QString& key);

  // Writes every changed domain to its file atomically. Returns false when any
  // write failed; those domains stay changed, to be tried again. When saving
  // in the background, the writes are only queued and the answer is false
  // just for a domain that may not be written at all.
  [[nodiscard]] bool synchronize();

  // From now on synchronize() hands each changed domain to one worker thread,
  // as a snapshot, and returns at once. A write that fails marks its domain
  // changed again.
  void setBackgroundSaving(bool on);
  // Blocks until every queued write has ended; answers whether the last write
  // of each file succeeded.
  [[nodiscard]] bool waitForPendingSaves();
  // Called after every write of a domain file, queued or not.
  void setSaveFinished(SaveFinished finished) { saveFinished_ = std::move(finished); }

  // Why `domain`'s file was not taken as it is, or nullopt when it was read
  // (or did not exist). Loads the domain if it was not yet.
  [[nodiscard]] std::optional<DomainLoadProblem> loadProblem(const QString& domain);

  // The file that holds `domain`.
  [[nodiscard]] QString filePath(const QString& domain) const;

  // What the last write of a domain's file left there, for the next write to
  // copy an unchanged record table from; used by one write at a time.
  struct LastWrite {
    std::mutex mutex;
    std::optional<WrittenBinaryList> list;
  };

 private:
  struct Domain {
    QVariantMap values;  // decoded, or set since loading
    // Keys whose values are still only encoded in `file`, with their references.
    QHash<QString, quint64> encoded;
    std::optional<plist::BinaryDictionary> file;
    // Keys whose values are made when written.
    QHash<QString, ValueProducer> produced;
    bool dirty = false;
    // Set when the file exists but was not taken as it is; an Unreadable file
    // is never overwritten.
    std::optional<DomainLoadProblem> problem;
    std::shared_ptr<LastWrite> lastWrite = std::make_shared<LastWrite>();
  };

  Domain* domain(const QString& name);
  Domain load(const QString& name) const;
  static std::optional<QVariant> decode(Domain& domain, const QString& key);
  static std::optional<QVariant> produce(Domain& domain, const QString& key);
  static void decodeAll(Domain& domain);
  bool save(const QString& name, Domain& domain);
  void finished(const QString& path, const std::optional<QString>& error);

  QString directory_;
  std::map<QString, Domain> domains_;
  SaveFinished saveFinished_;
  // Receives the worker's reports on this store's thread; dropped reports of
  // a store that is gone are never delivered.
  std::unique_ptr<QObject> reports_;
  std::unique_ptr<BackgroundWriter> writer_;  // after reports_: stopped first
};
