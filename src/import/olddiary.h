#pragma once

#include "store/diaryrecord.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class EntryCodec;

// One of the older layouts of a diary file: how big its records are, where its entries start and how
// a record becomes an entry of today's layout.
class OldLayoutReader
{
public:
    virtual ~OldLayoutReader() = default;
    // The version label the import window shows, e.g. "1.2.0 - 1.3.1".
    virtual QString label() const = 0;
    virtual int recordSize() const = 0;
    // The record that holds entry 0: 1 behind a header, else 0.
    virtual int firstEntryRecord() const = 0;
    // The entry in `record` (recordSize() bytes) in today's layout, its lines still scrambled under
    // the source's key. The bytes behind each line's length are zeros, whatever the source held there.
    virtual DiaryRecord toEntry(const char* record) const = 0;
};

// An older diary being imported: opened for reading only, recognised by its size and first record,
// never by its name. Holds the stamps of its entries (at most MaxEntries of them: those after are
// neither listed nor imported) and the key its lines are read with. Every read failure throws FileError.
class OldDiarySource
{
public:
    enum class Outcome { Recognised, NotFound, Empty };

    OldDiarySource();
    ~OldDiarySource();
    OldDiarySource(const OldDiarySource&) = delete;
    OldDiarySource& operator=(const OldDiarySource&) = delete;

    // Closes the source open before, if any, and opens `path`. The key goes back to FixedKey.
    Outcome recognise(const QString& path);
    void close() noexcept;

    bool isOpen() const { return m_reader != nullptr; }
    const QString& path() const { return m_path; }
    // The layout's label; empty while no source is recognised.
    QString kind() const;
    bool hasHeader() const;
    // The header holds a password.
    bool isProtected() const { return !m_storedPassword.isEmpty(); }
    // The header's password line as stored; empty for a source without one.
    const QByteArray& storedPassword() const { return m_storedPassword; }
    // The key of the source's lines in force: FixedKey until a password is accepted.
    const QByteArray& key() const { return m_key; }

    int entryCount() const { return int(m_stamps.size()); }
    const std::vector<double>& stamps() const { return m_stamps; }
    // Entry k (0-based, file order) in today's layout, scrambled under key().
    DiaryRecord readEntry(int k) const;
    // The clear text of entry k (file bytes): its non-empty lines unscrambled and joined.
    QByteArray entryText(int k) const;
    // True when `typed` is the source's password (isTypedPassword); the key is then that password.
    bool checkPassword(const QString& typed);
    // `entry` (read from this source) as a diary of `target` keeps it: scrambled, every line keeps its cut and goes
    // under the target's key instead of key(); otherwise the text is encoded anew. Text longer than the target
    // holds throws QuillnestError naming the entry.
    DiaryRecord recoded(DiaryRecord entry, const EntryCodec& target) const;

private:
    void readStamps(qint64 count);

    int m_fd = -1;
    QString m_path;
    std::unique_ptr<OldLayoutReader> m_reader;
    std::vector<double> m_stamps;
    QByteArray m_storedPassword;
    QByteArray m_key;
    // The pattern that turns lines from m_changeSource to m_changeTarget.
    mutable QByteArray m_change;
    mutable QByteArray m_changeSource;
    mutable QByteArray m_changeTarget;
};
