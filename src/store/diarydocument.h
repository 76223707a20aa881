#pragma once

#include "diaryrecord.h"
#include "diarystate.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

class DateListModel;
class RecordSink;

// Asks for the password of the protected diary at `path`, whose header `probe` is open on (read it
// again on every attempt: the file may change meanwhile). Returns the key of the diary's entries, the
// clear password, once the person gave the right one, or nothing when they gave up.
using PasswordAsker = std::function<std::optional<QByteArray>(const QString& path, const RecordFile& probe)>;

// A diary that is readable and unlocked, ready to take the open diary's place.
struct PreparedDiary {
    QString path;
    RecordFile file;
    DiaryHeader header;
    QByteArray key;
};

// A place in a diary rebuilt from its own entries and others: entry `record` of the diary (1..N), or
// entry `other` of wherever the others come from.
struct MergedEntry {
    bool own = true;
    std::int32_t index = 0;
    bool operator==(const MergedEntry&) const = default;
};

// One entry as an export reads it.
struct EntryContent {
    double stamp = 0;
    QString text; // line breaks as the text box shows them
};

// The open diary: its file, its key, the list of its entries and the entry on view. Every diary
// operation of the program goes through here; each one either does all it says or throws
// QuillnestError having changed nothing the user can see, unless it says otherwise. A diary is open
// in one document at a time (the file is locked), and nothing is written once its path names another
// file (DiaryReplacedError). Windows learn
// of a diary opened, closed or reloaded by another window through the signals.
class DiaryDocument : public QObject
{
    Q_OBJECT

public:
    explicit DiaryDocument(QObject* parent = nullptr);
    ~DiaryDocument() override;

    const DiaryState& state() const { return m_state; }
    bool isOpen() const { return m_state.diaryOpen(); }
    // Row i of the date list; its rows follow every change made here.
    DateListModel* listModel() const { return m_list; }
    // The open diary's title and owner as the main window names them.
    QString title() const;
    QString owner() const;

    // Opening happens in two steps so that the caller can do its own part in between: prepare()
    // opens and locks the file (DiaryInUseError while another copy holds it), finishes a change cut
    // short and removes leftover rebuild files, reads the header through ProbeFile and asks for the
    // password when the header holds one, changing nothing of the open diary; it returns nothing when
    // the password was refused.
    // adopt() then puts the diary in place of the open one, cannot fail, and lists every entry.
    std::optional<PreparedDiary> prepare(const QString& path, const PasswordAsker& askPassword);
    void adopt(PreparedDiary&& diary);
    // Both steps at once; false when the password was refused.
    bool open(const QString& path, const PasswordAsker& askPassword);
    void close();

    void setEditAllowed(bool allowed);

    // Reads the entry of list row `row` and makes it the entry on view; returns its text as the text
    // box shows it, or nothing when the row stands for no record. A failed read leaves the entry that
    // was on view.
    std::optional<QString> view(int row);
    void forgetViewedEntry();

    // Adds `editorText` as a new entry stamped now. The list shows every entry again first (a new
    // entry goes to the end of the file), then gets the new entry's row. Text that cannot be stored
    // whole is refused before anything changes.
    void add(const QString& editorText);
    // Gives the entry on view the text `editorText`, all or nothing. The text box shows every line break
    // alike; an entry saved as it was shown keeps its own bytes.
    void change(const QString& editorText);
    // Removes the entry on view from the diary and its row from the list; none is on view afterwards.
    // When the diary's rebuilt file cannot be opened again the diary is closed (its file is whole).
    void deleteViewedEntry();

    // The list shows every entry; returns how many. A diary without its header record lists nothing.
    int listAll();
    // The list shows the entries whose text holds `phrase` (letter case counts), or those saved on
    // `day`; returns how many. Nothing is searched, and nothing returned, while the diary has no entry.
    std::optional<int> findWord(const QString& phrase);
    std::optional<int> findDay(const QDate& day);

    // The message of "О дневнике": file name, number of entries, creation time.
    QString information() const;
    // Characters of an entry's text as the diary file counts them: a line break typed counts two
    // (CR LF), one of the entry on view as it was stored.
    qsizetype characterCount(const QString& editorText) const;
    // What to tell the user when the open diary has more entries than a list can show (they are
    // never read); empty when it has not.
    QString unlistedEntriesNotice() const;

    // Entry `record` (1..N) in clear text, for an export.
    EntryContent readEntry(qint64 record) const;
    qint64 entryCount() const;

    // Whether `typed` is the open diary's password as its header holds it now, exactly (letter case
    // counts, and the whole of the typed text).
    bool isPassword(const QString& typed) const;
    // Puts every entry under `newPassword` (file bytes; empty removes the password) in one rebuild
    // of the diary: the file is either wholly old or wholly new, and the key held follows it. The
    // list and the entry on view stay. Emits reloaded().
    void rekey(const QByteArray& newPassword);
    // Rebuilds the diary with the entries `order` names, in that order, once: `other` gives the record
    // of an entry from elsewhere, under this diary's key. The header stays as it was. All or nothing,
    // as a deletion; afterwards the list shows every entry and the entry on view, if kept, stays on
    // view. `progress` hears of every entry written. Emits reloaded().
    void merge(const std::vector<MergedEntry>& order, const std::function<DiaryRecord(std::int32_t)>& other,
               const std::function<void(qint64 done)>& progress = {});
    // Opens the diary's file again after it was replaced (an import) and lists every entry; the
    // entry on view stays on view. Emits reloaded(); when the file cannot be opened the diary is
    // closed and the error thrown.
    void reload();

    // The records that the date list's rows stand for, in row order.
    std::vector<std::int32_t> listedRecords() const;

signals:
    void opened();
    void closed();
    void reloaded();
    // `record` left the diary; every record after it moved one place towards the start.
    void entryRemoved(std::int32_t record);
    // The entries may have other record numbers now (a merge, a file replaced and read again).
    void entriesRenumbered();

private:
    void relistAll();
    void reopenFile();
    void rebuildOpenDiary(const std::function<void(RecordSink&)>& produce,
                          const std::function<void(RecordFile&&)>& take);
    void takeRekeyedFile(RecordFile&& file, const QByteArray& newKey);
    void takeMergedFile(RecordFile&& file, const std::vector<MergedEntry>& order);
    void takeHeader(const DiaryHeader& header);
    QByteArray fileBytesOf(const QString& editorText) const;

    DiaryState m_state;
    QString m_title;
    QString m_owner;
    DateListModel* m_list = nullptr;
    // The text of the entry on view as the file holds it, and as the text box was given it.
    QByteArray m_viewedBytes;
    QString m_viewedText;
};
