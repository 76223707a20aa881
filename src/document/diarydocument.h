#pragma once

#include "backupkeeper.h"
#include "diarystate.h"
#include "diaryview.h"
#include "store/diaryrecord.h"
#include "store/draft.h"
#include "store/progress.h"
#include "writtendays.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class DateListModel;
class EntryCodec;
class SealedText;
struct KeyDerivation;
struct SealedHeader;
class OldDiarySource;
class RecordSink;
enum class ExportLayout;
struct ExportChoice;
struct ImportSelection;

// Whether `typed` is the password of the diary about to be opened, as its header holds it at the moment of
// asking (the file may change meanwhile). Throws FileError when the header cannot be read.
using PasswordCheck = std::function<bool(const QString& typed)>;
// A typed password or passphrase as the diary's file holds it: at most 255 characters, Windows-1251; empty when a
// character is not in Windows-1251, or is byte 0, for no such text is anyone's password.
QByteArray passphraseBytes(const QString& typed);

// Asks for the password of the protected diary at `path` until `check` accepts one or the person gives up.
// The key of the diary's entries stays in the document: the asker learns only whether a password is right.
using PasswordAsker = std::function<void(const QString& path, const PasswordCheck& check)>;

// A stretch of the text box's text: where it starts and how many characters it holds.
struct TextSpan {
    int start = 0;
    int length = 0;
};

// A diary that is readable and unlocked, ready to take the open diary's place: what the caller may
// only hand back to the document that prepared it.
class PreparedDiary
{
private:
    friend class DiaryDocument;
    QString path;
    RecordFile file;
    DiaryHeader header;
    std::shared_ptr<const EntryCodec> codec;
    QByteArray foreignJournal;
    bool readOnly = false;
};

// The open diary: its file, its key, the list of its entries and the entry on view. Every operation on
// a diary's file goes through here, and neither the file nor the key ever leaves: the windows read
// view() and call the operations. Each operation either does all it says or throws QuillnestError
// having changed nothing the user can see, unless it says otherwise; the exception common to all that
// rebuild the file is NotDurableError, thrown once the change is wholly done and only its flush to disk
// failed: the document then holds the new contents, as the disk does. A diary is open in one document
// at a time (the file is locked), and nothing is written once its path names another file
// (DiaryReplacedError). Windows learn of a diary opened, closed or rebuilt by another window through
// the signals.
class DiaryDocument : public QObject
{
    Q_OBJECT

public:
    explicit DiaryDocument(QObject* parent = nullptr);
    ~DiaryDocument() override;

    const DiaryView& view() const { return m_view; }
    bool isOpen() const { return m_state.diaryOpen(); }
    // Row i of the date list; its rows follow every change made here.
    DateListModel* listModel() const { return m_list; }

    // Opening happens in two steps so that the caller can do its own part in between: prepare()
    // opens and locks the file (DiaryInUseError while another copy holds it), finishes a change cut
    // short and removes leftover rebuild files, reads the header and asks for the
    // password when the header holds one, changing nothing of the open diary; it returns nothing when
    // the password was refused.
    // adopt() then puts the diary in place of the open one, cannot fail, and lists every entry.
    std::optional<PreparedDiary> prepare(const QString& path, const PasswordAsker& askPassword);
    void adopt(PreparedDiary&& diary);
    // Both steps at once; false when the password was refused.
    bool open(const QString& path, const PasswordAsker& askPassword);
    // Opens the dated copy at `path` as open() does, as a diary of its own that nothing changes: every operation
    // that would write it throws QuillnestError, and no copies are made of it.
    bool openCopy(const QString& path, const PasswordAsker& askPassword);
    // After another program replaced the diary's file (DiaryReplacedError): the diary is opened again from its
    // path as it now is, its password asked for where it has one, and lists every entry. The entry on view
    // stays on view, for a change of it to go ahead while its record still bears its label. Emits
    // reloaded(), not opened(): what is being written into the diary stays. False when the password was
    // refused.
    bool reopen(const PasswordAsker& askPassword);
    void close();

    void setEditAllowed(bool allowed);

    // Reads the entry of list row `row` and makes it the entry on view; returns its text as the text
    // box shows it, or nothing when the row stands for no record. A failed read leaves the entry that
    // was on view.
    std::optional<QString> viewEntry(int row);
    void forgetViewedEntry();
    // Where the entry on view, as the text box was given it, holds the phrase of the word search the list
    // shows, matched as the search matched it; none while the list shows anything else.
    std::vector<TextSpan> listedWordSpans() const;

    // Adds `editorText` as a new entry stamped now. The list shows every entry again first (a new
    // entry goes to the end of the file), then gets the new entry's row. Text that cannot be stored
    // whole is refused before anything changes.
    void add(const QString& editorText);
    // Gives the entry on view the text `editorText`, all or nothing. The text box shows every line break
    // alike; an entry saved as it was shown keeps its own bytes.
    void change(const QString& editorText);
    // Removes the entry on view from the diary, in one rebuild of its file, and its row from the list;
    // none is on view afterwards. The entry is kept for undoDeletion() until the diary closes, and where copies are
    // made and none holds it as it was (written since the newest), the file before the deletion becomes one.
    void deleteViewedEntry();
    // The stamp of the entry that undoDeletion() would put back, the one deleted last; none while there is none.
    std::optional<double> undoableDeletion() const;
    // Puts the entry deleted last back with its stamp, its text and its place in the file, in one rebuild; the
    // list then shows every entry, and the row it returns is the entry's. Each deletion since the diary was
    // opened can be undone so, newest first, until an import or a restore renumbers the entries.
    int undoDeletion();

    // The list shows every entry; returns how many. A diary without its header record lists nothing.
    int listAll();
    // The list shows every entry; returns the row of entry `record` while it is stamped exactly `stamp`,
    // else of the first entry that is, if any.
    std::optional<int> listAllFinding(std::int32_t record, double stamp);
    // The list shows the entries whose text holds `phrase`, or those saved on `day`; returns how many.
    // Letter case counts, unless `folded`: then capitals match small letters, and ё matches е. Nothing is
    // searched, and nothing returned, while the diary has no entry.
    std::optional<int> findWord(const QString& phrase, bool folded = false);
    std::optional<int> findDay(const QDate& day);
    // The days from `first` to `last` on which at least one listed entry was saved, in order; none while no
    // diary is open. The first call after a diary is opened reads its entries' stamps, never their text; the
    // calls after it read nothing until writtenDaysChanged() says the days may differ. Throws FileError.
    std::vector<QDate> writtenDays(const QDate& first, const QDate& last);

    // Characters of an entry's text as the diary file counts them: a line break typed counts two
    // (CR LF), one of the entry on view as it was stored.
    qsizetype characterCount(const QString& editorText) const;

    // The text being written into the diary, kept as its draft under its key (see draft.h): a new entry,
    // or with `changing` a change of the entry on view. Throws QuillnestError.
    void keepDraft(bool changing, const QString& editorText);
    // The diary's draft goes: what it held was saved or let go. Throws FileError.
    void forgetDraft();
    // Reads the draft that the diary just opened kept from the last time it was written into without
    // saving; one that cannot be read with its key is set aside (see readDraft).
    DraftReading readDraft();

    // Whether `typed` is the open diary's password as its header holds it now (isTypedPassword), or its passphrase.
    // Throws DamagedHeaderError for an encrypted diary whose header is damaged.
    bool isPassword(const QString& typed) const;
    // Puts every entry under `newPassword` (file bytes; empty removes the password) in one rebuild
    // of the diary: the file is either wholly old or wholly new, and the key held follows it. The
    // list and the entry on view stay. Emits reloaded(). An encrypted diary only gets a new passphrase: its header
    // is replaced as one record (see replaceRecord), whatever its size, and it cannot be without one.
    void rekey(const QByteArray& newPassword);

    // Encryption (sealedtext.h, sealedheader.h): encrypt() seals every entry, the title and the owner under a new
    // key, which `passphrase` (file bytes) unlocks, in one rebuild; decrypt() makes the diary scrambled again under
    // `password` (empty: none), also in one rebuild. Either is all or nothing, and refuses, naming it, an entry
    // that the other kind of diary cannot hold or that does not read. The list and the entry on view stay; no
    // deletion can be undone afterwards. Emits reloaded().
    void encrypt(const QByteArray& passphrase);
    void decrypt(const QByteArray& password);
    // The Argon2id cost a diary being encrypted is given; by default about half a second of this computer, never
    // less than libsodium's interactive limits, and a new passphrase keeps its diary's. Tests make it cheap.
    void setPassphraseCost(std::function<KeyDerivation()> cost);

    // Writes the chosen entries in clear text to `fileName` in `layout` (see writeExport); the diary is
    // only read. `progress` hears how many of the entries are written.
    void exportEntries(const ExportChoice& choice, const QString& fileName, ExportLayout layout,
                       const ProgressReport& progress = {}) const;
    // Merges the entries that `selection` takes from `source` into the diary, under its key, in one
    // rebuild (see DiaryMerger). A diary that would hold more than MaxEntries entries is refused before
    // anything is written. Afterwards the list shows every entry and the entry on view
    // stays on view. `progress` hears how many entries of the merged diary are written. Emits
    // entriesRenumbered() and reloaded().
    void importEntries(const OldDiarySource& source, const ImportSelection& selection,
                       const ProgressReport& progress = {});

    // Dated copies of the open diary (backupkeeper.h): made under `root` as `policy` says, from the next change on.
    // No copies are made while the root is empty.
    void setBackupPlace(const QString& root, const BackupPolicy& policy);
    void setBackupClock(BackupKeeper::Clock clock);
    const BackupPolicy& backupPolicy() const { return m_backups.policy(); }
    // The open diary's copies, oldest first.
    std::vector<BackupCopy> backupCopies() const;
    // Returns once the last copy made is on disk and the copies let go are removed.
    void waitForBackups();
    // Puts the copy at `copyPath` in the diary's place in one rebuild, after a copy of the diary as it is now,
    // which a failure to make stops the restore (FileError). The copy's password is asked for where it has one,
    // and becomes the diary's with its key; false when it was refused. The list then shows every entry and none
    // is on view; no deletion can be undone any longer. Emits reloaded().
    bool restoreCopy(const QString& copyPath, const PasswordAsker& askPassword);

signals:
    void opened();
    void closed();
    void reloaded();
    // `record` left the diary; every record after it moved one place towards the start.
    void entryRemoved(std::int32_t record);
    // The entries may have other record numbers now (a merge).
    void entriesRenumbered();
    // What writtenDays() returns may have changed: an entry was added, deleted or imported, or a diary was
    // opened, opened again or closed.
    void writtenDaysChanged();
    // A dated copy could not be made, for `cause` (the failure's text); the change itself was made.
    void backupFailed(const QString& cause);
    // What undoableDeletion() returns may have changed.
    void deletionsChanged();

private:
    // Runs `write`, a write to the diary's file; should another program have replaced the file, it is
    // closed, the list shows nothing, and DiaryReplacedError is thrown on.
    void writeAtPath(const std::function<void()>& write);
    void rewriteByRebuild(std::int32_t record, QByteArrayView text);
    void relistAll();
    // `losesUncopied`: the rebuild drops text that no copy holds, so the file it replaces is kept as one. Where it
    // is no day's first change, or `mayKeepReplaced` is false, the file replaced is not kept.
    void rebuildOpenDiary(const std::function<void(RecordSink&)>& produce,
                          const std::function<void(RecordFile&&)>& take, bool losesUncopied = false,
                          bool mayKeepReplaced = true);
    void refuseWritingCopy() const;
    void reportBackupFailure();
    void forgetDeletions();
    void followDiaryForBackups();
    void takeRestoredFile(RecordFile&& file, const PreparedDiary& copy);
    void takeRebuiltFile(RecordFile&& file);
    void takeRekeyedFile(RecordFile&& file, std::shared_ptr<const EntryCodec> codec, const DiaryHeader& header);
    bool unlockSealed(PreparedDiary& diary, const QString& path, const PasswordAsker& askPassword);
    SealedHeader sealedHeaderOf(const DiaryRecord& record) const;
    const QByteArray& scrambledKey() const;
    const SealedText& sealedText() const;
    KeyDerivation passphraseCost() const;
    void changePassphrase(const QByteArray& passphrase);
    void recodeEntries(const DiaryRecord& header, std::shared_ptr<const EntryCodec> target, const QString& tooLong,
                       const DiaryHeader& shown);
    void rekeepDraft(const EntryCodec& old);
    void takeMergedFile(RecordFile&& file, std::int32_t viewedRecord);
    void forgetDeletedEntry(std::int32_t record);
    // The entries' days are read again at the next writtenDays(); listeners hear of it.
    void forgetWrittenDays();
    void takeHeader(const DiaryHeader& header);
    // The prepared diary's file, key and header in place of the open one's, every entry listed.
    void takePrepared(PreparedDiary&& diary);
    QByteArray fileBytesOf(const QString& editorText) const;

    DiaryState m_state;
    DateListModel* m_list = nullptr;
    DiaryView m_view;
    // The text of the entry on view as the file holds it, and as the text box was given it.
    QByteArray m_viewedBytes;
    QString m_viewedText;
    WrittenDays m_writtenDays;
    BackupKeeper m_backups;
    // The entries deleted since the diary was opened, each as its record was and at the place it had, the last
    // deleted last.
    struct DeletedEntry {
        std::int32_t record = 0;
        DiaryRecord entry;
    };
    std::vector<DeletedEntry> m_deleted;
    std::function<KeyDerivation()> m_passphraseCost;
};
