#include "diarydocument.h"

#include "crypto/sealedheader.h"
#include "crypto/sodiumglue.h"
#include "datelistmodel.h"
#include "store/changejournal.h"
#include "store/cp1251.h"
#include "store/diaryedit.h"
#include "store/entrytext.h"
#include "store/posixio.h"
#include "store/rebuild.h"
#include "store/replacement.h"
#include "store/scramble.h"
#include "store/sealedmark.h"
#include "store/search.h"
#include "store/sidefiles.h"
#include "store/stamp.h"

#include "export/entryexport.h"
#include "import/importentries.h"

#include <QFile>
#include <QScopeGuard>

#include <algorithm>
#include <utility>

namespace
{

// The lists of the program count entries in 16 bits: a file with more lists its first MaxEntries.
int listedEntries(const RecordFile& file)
{
    return file.isOpen() ? int(std::clamp<qint64>(file.count() - 1, 0, MaxEntries)) : 0;
}

} // namespace

DiaryDocument::DiaryDocument(QObject* parent)
    : QObject(parent), m_list(new DateListModel(m_state, this)), m_view(m_state, *m_list)
{
}

DiaryDocument::~DiaryDocument() = default;

// A diary set aside by a replacement cut short is put back first. The diary is then locked, so that a copy of
// the program that holds it is not asked for its password in vain, and mended only once nobody else can be
// writing it.
std::optional<PreparedDiary> DiaryDocument::prepare(const QString& path, const PasswordAsker& askPassword)
{
    PreparedDiary diary;
    recoverSetAside(path);
    diary.file.openExclusive(path);
    diary.foreignJournal = recoverTornRecord(diary.file);
    sidefiles::removeLeftoverTemporaries(sidefiles::resolveTarget(posixio::encodePath(path)));
    if (sealedmark::marks(diary.file.readHeader())) {
        if (!unlockSealed(diary, path, askPassword))
            return std::nullopt;
        diary.path = path;
        return diary;
    }
    diary.header = DiaryHeader::fromRecord(diary.file.readHeader());
    diary.codec = std::make_shared<const ScrambledText>(FixedKey);
    if (!diary.header.password.isEmpty()) {
        // Only the last answer counts: the prompt stops asking once one is right. Each answer is checked
        // against the header as it is then. Without an asker nobody can give the password.
        bool accepted = false;
        if (askPassword)
            askPassword(path, [&](const QString& typed) {
                diary.header = DiaryHeader::fromRecord(diary.file.readHeader());
                const QByteArray password = decodePassword(diary.header.password);
                accepted = isTypedPassword(typed, password);
                if (accepted)
                    diary.codec = std::make_shared<const ScrambledText>(password);
                return accepted;
            });
        if (!accepted)
            return std::nullopt;
    }
    diary.path = path;
    return diary;
}

// A damaged header is told before anything is asked, and again should it be damaged by the time an answer comes:
// damage is never taken for a wrong passphrase.
bool DiaryDocument::unlockSealed(PreparedDiary& diary, const QString& path, const PasswordAsker& askPassword)
{
    const auto readHeader = [&] {
        const DiaryRecord record = diary.file.readHeader();
        std::optional<SealedHeader> header = SealedHeader::fromRecord(record);
        if (!header)
            throw DamagedHeaderError(path);
        diary.header = DiaryHeader::fromRecord(record);
        diary.header.created = header->created;
        return *header;
    };
    readHeader();
    std::optional<UnlockedDiary> unlocked;
    if (askPassword)
        askPassword(path, [&](const QString& typed) {
            const SealedHeader header = readHeader();
            QByteArray passphrase = passphraseBytes(typed);
            const auto forget = qScopeGuard([&] { wipe(passphrase); });
            try {
                unlocked = passphrase.isEmpty() ? std::nullopt : unlockDiary(header, passphrase);
            } catch (const DamagedHeaderError&) {
                throw DamagedHeaderError(path);
            }
            return unlocked.has_value();
        });
    if (!unlocked)
        return false;
    diary.header.title = unlocked->title;
    diary.header.owner = unlocked->owner;
    diary.codec = std::move(unlocked->codec);
    return true;
}

void DiaryDocument::takePrepared(PreparedDiary&& diary)
{
    m_state.file = std::move(diary.file);
    m_state.readOnly = diary.readOnly;
    m_state.codec = std::move(diary.codec);
    m_state.replaced = false;
    m_state.foreignJournal = QFile::decodeName(diary.foreignJournal);
    takeHeader(diary.header);
    relistAll();
    forgetWrittenDays();
    forgetDeletions();
    followDiaryForBackups();
}

void DiaryDocument::adopt(PreparedDiary&& diary)
{
    m_state.path = diary.path;
    forgetViewedEntry();
    takePrepared(std::move(diary));
    emit opened();
}

bool DiaryDocument::reopen(const PasswordAsker& askPassword)
{
    std::optional<PreparedDiary> diary = prepare(m_state.path, askPassword);
    if (!diary)
        return false;
    diary->readOnly = m_state.readOnly;
    takePrepared(std::move(*diary));
    emit reloaded();
    return true;
}

// Whatever happens to the change, the copy made before it is settled once it is over, and the person hears of one
// that could not be made.
void DiaryDocument::writeAtPath(const std::function<void()>& write)
{
    refuseWritingCopy();
    const auto afterwards = qScopeGuard([this] {
        m_backups.settleInBackground();
        reportBackupFailure();
    });
    if (m_state.replaced)
        throw DiaryReplacedError(m_state.path);
    try {
        write();
    } catch (const DiaryReplacedError&) {
        m_state.file.close();
        m_state.replaced = true;
        m_list->relist(0);
        forgetWrittenDays();
        throw;
    }
}

bool DiaryDocument::open(const QString& path, const PasswordAsker& askPassword)
{
    std::optional<PreparedDiary> diary = prepare(path, askPassword);
    if (!diary)
        return false;
    adopt(std::move(*diary));
    return true;
}

bool DiaryDocument::openCopy(const QString& path, const PasswordAsker& askPassword)
{
    std::optional<PreparedDiary> diary = prepare(path, askPassword);
    if (!diary)
        return false;
    diary->readOnly = true;
    adopt(std::move(*diary));
    return true;
}

void DiaryDocument::refuseWritingCopy() const
{
    if (m_state.readOnly)
        throw QuillnestError(QStringLiteral("Резервная копия открыта только для чтения:\r") + m_state.path);
}

// The list mode keeps its values until the next diary is opened; nothing can reach them. The key goes: an encrypted
// diary's is wiped with its memory.
void DiaryDocument::close()
{
    m_state.path.clear();
    m_state.file.close();
    m_state.codec = std::make_shared<const ScrambledText>(FixedKey);
    m_state.readOnly = false;
    forgetViewedEntry();
    m_list->relist(0);
    forgetWrittenDays();
    forgetDeletions();
    followDiaryForBackups();
    emit closed();
}

void DiaryDocument::setEditAllowed(bool allowed)
{
    m_state.editAllowed = allowed;
}

std::optional<QString> DiaryDocument::viewEntry(int row)
{
    const std::int32_t record = row < m_list->rowCount() ? recordOfListItem(m_state, row) : 0;
    if (record < 1 || !m_state.file.isOpen())
        return std::nullopt;
    m_state.file.read(record, m_state.buffer);
    const auto viewed = [&](const QByteArray& bytes) {
        m_viewedBytes = bytes;
        m_viewedText = toEditorLineBreaks(fromCp1251(m_viewedBytes));
        m_state.viewedRecord = record;
        m_state.viewedLabel = m_list->rowText(row).left(LabelKeyLength);
        m_state.viewedStamp = m_state.buffer.stamp();
    };
    try {
        viewed(m_state.codec->decode(m_state.buffer));
    } catch (const DamagedEntryError&) {
        viewed({});
        throw;
    }
    return m_viewedText;
}

void DiaryDocument::forgetViewedEntry()
{
    m_state.viewedRecord = 0;
    m_state.viewedLabel.clear();
    m_viewedBytes.clear();
    m_viewedText.clear();
}

// The text box's text is searched in Windows-1251, a byte for each of its characters, so what is found in its
// bytes is found at the same places in it; a phrase holding a line break as the file does (CR LF) is not.
std::vector<TextSpan> DiaryDocument::listedWordSpans() const
{
    std::vector<TextSpan> spans;
    if (!m_state.wordFilterOn || m_state.viewedRecord == 0)
        return spans;
    const QByteArray& word = m_state.listedWord;
    for (const qsizetype at : findOccurrences(toCp1251(m_viewedText), word, m_state.listedWordFolded))
        spans.push_back({int(at), int(word.size())});
    return spans;
}

// The text box shows every kind of line break as one: as long as the entry on view is shown as it
// was read, it keeps its own bytes (a lone CR or LF that another program stored stays so).
QByteArray DiaryDocument::fileBytesOf(const QString& editorText) const
{
    if (m_state.viewedRecord > 0 && editorText == m_viewedText)
        return m_viewedBytes;
    return entryFileBytes(editorText, m_state.codec->capacity());
}

void DiaryDocument::add(const QString& editorText)
{
    const QByteArray text = entryFileBytes(editorText, m_state.codec->capacity());
    const double stamp = currentStamp();
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        if (!m_state.listComplete)
            relistAll();
        m_backups.copyBeforeChange(m_state.file.descriptor());
        appendEntry(m_state.file, text, *m_state.codec, stamp, m_state.buffer);
        m_backups.noteWritten(stamp);
    });
    if (listedEntries(m_state.file) > m_list->rowCount())
        m_list->appendRow();
    m_writtenDays.add(stampDate(stamp));
    emit writtenDaysChanged();
}

// Another user's object at the change journal's name cannot hold the journal: the entry then changes in a
// rebuild of the diary, which needs none.
void DiaryDocument::change(const QString& editorText)
{
    const QByteArray text = fileBytesOf(editorText);
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        m_backups.copyBeforeChange(m_state.file.descriptor());
        try {
            rewriteEntry(m_state.file, m_state.viewedRecord, m_state.viewedLabel, text, *m_state.codec, m_state.buffer);
        } catch (const sidefiles::SideFileTakenError&) {
            rewriteByRebuild(m_state.viewedRecord, text);
        }
        m_backups.noteWritten(m_state.viewedStamp);
    });
    m_viewedBytes = text;
    m_viewedText = editorText;
}

void DiaryDocument::rewriteByRebuild(std::int32_t record, QByteArrayView text)
{
    readViewedEntry(m_state.file, record, m_state.viewedLabel, m_state.buffer);
    DiaryRecord changed = m_state.buffer;
    m_state.codec->encode(changed, text);
    rebuildOpenDiary(
        [&](RecordSink& sink) {
            m_state.file.readEach(0,
                                  [&](qint64 n, const DiaryRecord& kept) { sink.put(n == record ? changed : kept); });
        },
        [&](RecordFile&& file) { takeRebuiltFile(std::move(file)); });
}

void DiaryDocument::deleteViewedEntry()
{
    const std::int32_t record = m_state.viewedRecord;
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        readViewedEntry(m_state.file, record, m_state.viewedLabel, m_state.buffer);
        const DiaryRecord deleted = m_state.buffer;
        // An entry written since the newest copy lives on in the file the rebuild replaces, kept as a copy.
        rebuildOpenDiary(
            [&](RecordSink& sink) {
                m_state.file.readEach(0, [&](qint64 n, const DiaryRecord& kept) {
                    if (n != record)
                        sink.put(kept);
                });
            },
            [&](RecordFile&& file) {
                takeRebuiltFile(std::move(file));
                m_deleted.push_back({record, deleted});
                forgetDeletedEntry(record);
                emit deletionsChanged();
            },
            m_backups.isUncopied(deleted.stamp()));
    });
}

std::optional<double> DiaryDocument::undoableDeletion() const
{
    return m_deleted.empty() ? std::nullopt : std::optional(DiaryEntry::fromRecord(m_deleted.back().entry).stamp);
}

// The entries deleted after it were put back first, and entries added since went to the end, so the place it had
// is its place again; one past the end puts it last.
int DiaryDocument::undoDeletion()
{
    if (m_deleted.empty())
        throw QuillnestError(QStringLiteral("Нет удалённой записи"));
    const DeletedEntry& last = m_deleted.back();
    std::int32_t place = 0;
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        const qint64 count = m_state.file.count();
        place = std::int32_t(std::clamp<qint64>(last.record, 1, count));
        rebuildOpenDiary(
            [&](RecordSink& sink) {
                m_state.file.readEach(0, [&](qint64 n, const DiaryRecord& kept) {
                    if (n == place)
                        sink.put(last.entry);
                    sink.put(kept);
                });
                if (place == count)
                    sink.put(last.entry);
            },
            [&](RecordFile&& file) {
                takeRebuiltFile(std::move(file));
                if (m_state.viewedRecord >= place)
                    ++m_state.viewedRecord;
                m_deleted.pop_back();
                relistAll();
                forgetWrittenDays();
                emit entriesRenumbered();
                emit deletionsChanged();
            });
    });
    return place - 1;
}

void DiaryDocument::forgetDeletions()
{
    if (m_deleted.empty())
        return;
    m_deleted.clear();
    emit deletionsChanged();
}

void DiaryDocument::forgetDeletedEntry(std::int32_t record)
{
    const int rows = m_list->rowCount();
    m_list->removeRow(listRowOfRecord(m_state, record, rows), [&] { forgetDeletedRecord(m_state, record, rows); });
    forgetViewedEntry();
    forgetWrittenDays();
    emit entryRemoved(record);
}

int DiaryDocument::listAll()
{
    const int rows = listedEntries(m_state.file);
    m_state.setFullListMode();
    m_list->relist(rows);
    return rows;
}

void DiaryDocument::relistAll()
{
    // A file whose size cannot be read lists nothing; viewing or searching it reports the trouble.
    int rows = 0;
    try {
        rows = listedEntries(m_state.file);
    } catch (const QuillnestError&) {
    }
    m_state.setFullListMode();
    m_list->relist(rows);
}

// Entries may share a stamp: the record that had it comes first.
std::optional<int> DiaryDocument::listAllFinding(std::int32_t record, double stamp)
{
    listAll();
    const std::vector<double> stamps = m_state.file.readEntryStamps();
    if (record >= 1 && std::size_t(record) <= stamps.size() && stamps[std::size_t(record) - 1] == stamp)
        return record - 1;
    const auto found = std::find(stamps.begin(), stamps.end(), stamp);
    return found == stamps.end() ? std::nullopt : std::optional(int(found - stamps.begin()));
}

// A character that Windows-1251 lacks cannot occur in any entry, so such a phrase finds nothing,
// instead of matching the '?' that would stand in for the character.
std::optional<int> DiaryDocument::findWord(const QString& phrase, bool folded)
{
    if (!m_state.file.isOpen() || m_state.file.count() <= 1)
        return std::nullopt;
    const QString typed = phrase.left(SlotCapacity);
    const QByteArray bytes = fitsCp1251(typed) ? toCp1251(typed) : QByteArray();
    std::vector<std::uint16_t> found = findEntriesContaining(m_state.file, bytes, *m_state.codec, folded);
    const int count = int(found.size());
    m_state.setSearchListMode(std::move(found), true);
    m_state.listedWord = bytes;
    m_state.listedWordFolded = folded;
    m_list->relist(count);
    return count;
}

std::optional<int> DiaryDocument::findDay(const QDate& day)
{
    if (!m_state.file.isOpen() || m_state.file.count() <= 1)
        return std::nullopt;
    std::vector<std::uint16_t> found = findEntriesOfDay(m_state.file, day);
    const int count = int(found.size());
    m_state.setSearchListMode(std::move(found), false);
    m_list->relist(count);
    return count;
}

std::vector<QDate> DiaryDocument::writtenDays(const QDate& first, const QDate& last)
{
    if (!m_state.file.isOpen())
        return {};
    if (!m_writtenDays.isKnown())
        m_writtenDays.fill(m_state.file.readEntryStamps());
    return m_writtenDays.between(first, last);
}

void DiaryDocument::forgetWrittenDays()
{
    m_writtenDays.forget();
    emit writtenDaysChanged();
}

qsizetype DiaryDocument::characterCount(const QString& editorText) const
{
    if (m_state.viewedRecord > 0 && editorText == m_viewedText)
        return m_viewedBytes.size();
    return toFileLineBreaks(editorText).size();
}

void DiaryDocument::keepDraft(bool changing, const QString& editorText)
{
    Draft draft{changing, 0, 0, m_state.created, currentStamp(), editorText};
    if (changing) {
        draft.entryRecord = m_state.viewedRecord;
        draft.entryStamp = m_state.viewedStamp;
    }
    writeDraft(m_state.path, draft, *m_state.codec);
}

void DiaryDocument::forgetDraft()
{
    if (isOpen())
        removeDraft(m_state.path);
}

DraftReading DiaryDocument::readDraft()
{
    return ::readDraft(m_state.path, *m_state.codec, m_state.created);
}

bool DiaryDocument::isPassword(const QString& typed) const
{
    const DiaryRecord header = m_state.file.readHeader();
    if (!m_state.encrypted())
        return isTypedPassword(typed, decodePassword(DiaryHeader::fromRecord(header).password));
    QByteArray passphrase = passphraseBytes(typed);
    const auto forget = qScopeGuard([&] { wipe(passphrase); });
    try {
        return !passphrase.isEmpty() && unlockDiary(sealedHeaderOf(header), passphrase);
    } catch (const DamagedHeaderError&) {
        throw DamagedHeaderError(m_state.path);
    }
}

SealedHeader DiaryDocument::sealedHeaderOf(const DiaryRecord& record) const
{
    std::optional<SealedHeader> header = SealedHeader::fromRecord(record);
    if (!header)
        throw DamagedHeaderError(m_state.path);
    return *header;
}

const QByteArray& DiaryDocument::scrambledKey() const
{
    return static_cast<const ScrambledText&>(*m_state.codec).key();
}

void DiaryDocument::rekey(const QByteArray& newPassword)
{
    if (m_state.encrypted()) {
        changePassphrase(newPassword);
        return;
    }
    writeAtPath([&] {
        const QByteArray newKey = newPassword.isEmpty() ? FixedKey : newPassword;
        m_state.file.checkStillAtPath();
        // Only the password changes in the header; its bytes after the new stored form are zeros, so that
        // nothing of the old one stays in the file.
        DiaryRecord header = m_state.file.readHeader();
        header.setSlot(1, newPassword.isEmpty() ? QByteArray() : encodePassword(newPassword));
        const QByteArray change = rekeyingPattern(scrambledKey(), newKey);
        rebuildOpenDiary(
            [&](RecordSink& sink) {
                sink.put(header);
                m_state.file.readEach(1, [&](qint64, DiaryRecord& entry) {
                    rekeyLines(entry, change);
                    sink.put(entry);
                });
            },
            [&](RecordFile&& file) {
                // The deleted entries come back under the new key.
                for (DeletedEntry& deleted : m_deleted)
                    rekeyLines(deleted.entry, change);
                takeRekeyedFile(std::move(file), std::make_shared<const ScrambledText>(newKey),
                                DiaryHeader::fromRecord(header));
            });
    });
}

// A rebuild that is done but not yet safe on disk has put the new file in the old one's place all
// the same: it is taken then too, and the error thrown on.
void DiaryDocument::rebuildOpenDiary(const std::function<void(RecordSink&)>& produce,
                                     const std::function<void(RecordFile&&)>& take, bool losesUncopied,
                                     bool mayKeepReplaced)
{
    RecordFile replacement;
    const FileIdentity madeFrom = m_state.file.identity();
    const ReplacedFileKeeper keeper = mayKeepReplaced ? m_backups.keeperOfReplaced(losesUncopied) : nullptr;
    try {
        rebuildDiary(m_state.path, produce, &replacement, &madeFrom, keeper);
    } catch (const NotDurableError&) {
        take(std::move(replacement));
        throw;
    }
    take(std::move(replacement));
}

// Nobody waits for the old file to go: it has lost its name, and only this handle holds it.
void DiaryDocument::takeRebuiltFile(RecordFile&& file)
{
    m_state.file.closeWithoutWaiting();
    m_state.file = std::move(file);
}

// The entries keep their places, so the list and the entry on view stay as they are.
// Nothing here can fail: the file is already the new one.
void DiaryDocument::takeRekeyedFile(RecordFile&& file, std::shared_ptr<const EntryCodec> codec,
                                    const DiaryHeader& header)
{
    takeRebuiltFile(std::move(file));
    m_state.codec = std::move(codec);
    takeHeader(header);
    emit reloaded();
}

void DiaryDocument::exportEntries(const ExportChoice& choice, const QString& fileName, ExportLayout layout,
                                  const ProgressReport& progress) const
{
    writeExport(m_state.file, *m_state.codec, choice, fileName, layout, progress);
}

// The diary's own entries are read in file order in large sequential reads, each source entry once.
void DiaryDocument::importEntries(const OldDiarySource& source, const ImportSelection& selection,
                                  const ProgressReport& progress)
{
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        const qint64 own = m_view.entryCount();
        // A diary of more entries than a list holds is refused by its count alone: its stamps are not read.
        DiaryMerger merger(source, selection, own > MaxEntries ? std::vector<double>() : m_state.file.readEntryStamps(),
                           *m_state.codec);
        merger.checkRoom(own);
        const DiaryRecord header = m_state.file.readHeader();
        const std::int32_t viewed = m_state.viewedRecord;
        std::int32_t viewedPlace = 0;
        ProgressPace pace(progress, merger.mostEntries(own));
        rebuildOpenDiary(
            [&](RecordSink& sink) {
                sink.put(header);
                merger.begin(sink, pace);
                m_state.file.readEach(
                    1,
                    [&](qint64 n, const DiaryRecord& entry) {
                        const std::int32_t place = merger.putOwn(entry);
                        if (n == viewed)
                            viewedPlace = place;
                    },
                    own + 1);
                merger.finish();
            },
            [&](RecordFile&& file) { takeMergedFile(std::move(file), viewedPlace); });
    });
}

// The entry on view has a new place; its label still finds it.
void DiaryDocument::takeMergedFile(RecordFile&& file, std::int32_t viewedRecord)
{
    takeRebuiltFile(std::move(file));
    relistAll();
    m_state.viewedRecord = viewedRecord;
    forgetWrittenDays();
    forgetDeletions();
    emit entriesRenumbered();
    emit reloaded();
}

void DiaryDocument::takeHeader(const DiaryHeader& header)
{
    m_state.hasPassword = !header.password.isEmpty();
    m_state.created = header.created;
    m_state.title = fromCp1251(header.title);
    m_state.owner = fromCp1251(header.owner);
}

void DiaryDocument::setBackupPlace(const QString& root, const BackupPolicy& policy)
{
    m_backups.setRoot(root);
    m_backups.setPolicy(policy);
    followDiaryForBackups();
}

void DiaryDocument::setBackupClock(BackupKeeper::Clock clock)
{
    m_backups.setClock(std::move(clock));
    followDiaryForBackups();
}

std::vector<BackupCopy> DiaryDocument::backupCopies() const
{
    return m_backups.copies();
}

void DiaryDocument::waitForBackups()
{
    m_backups.waitUntilSettled();
}

void DiaryDocument::followDiaryForBackups()
{
    m_backups.follow(isOpen() && !m_state.readOnly ? m_state.path : QString());
}

void DiaryDocument::reportBackupFailure()
{
    if (const std::optional<QString> cause = m_backups.takeFailure())
        emit backupFailed(*cause);
}

// The copy is read as the diary it was, its own password asked for; the diary as it is now is copied first, so
// that the restore can be undone the same way.
bool DiaryDocument::restoreCopy(const QString& copyPath, const PasswordAsker& askPassword)
{
    refuseWritingCopy();
    if (BackupShelf::contentsOf(copyPath).damaged)
        throw QuillnestError(QStringLiteral("Резервная копия повреждена и не может быть восстановлена:\r") + copyPath);
    std::optional<PreparedDiary> copy = prepare(copyPath, askPassword);
    if (!copy)
        return false;
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        m_backups.copyNow(m_state.file.descriptor());
        rebuildOpenDiary(
            [&](RecordSink& sink) {
                copy->file.readEach(0, [&](qint64, const DiaryRecord& record) { sink.put(record); });
            },
            [&](RecordFile&& file) { takeRestoredFile(std::move(file), *copy); });
    });
    return true;
}

void DiaryDocument::takeRestoredFile(RecordFile&& file, const PreparedDiary& copy)
{
    takeRebuiltFile(std::move(file));
    m_state.codec = copy.codec;
    takeHeader(copy.header);
    forgetViewedEntry();
    relistAll();
    forgetWrittenDays();
    forgetDeletions();
    emit entriesRenumbered();
    emit reloaded();
}
