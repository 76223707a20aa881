#pragma once

#include <QString>

#include <cstdint>
#include <vector>

class DateListModel;
struct DiaryState;

// What the windows may know of the open diary, read only and as the document holds it at the moment
// of asking: never its file, never its key. The document makes the one instance and keeps it true.
class DiaryView
{
public:
    DiaryView(const DiaryState& state, const DateListModel& list);
    DiaryView(const DiaryView&) = delete;
    DiaryView& operator=(const DiaryView&) = delete;

    bool isOpen() const;
    // Full path of the open diary; empty when none is open.
    const QString& path() const;
    bool hasPassword() const;
    // The diary is encrypted (DiaryDocument::encrypt); its password is its passphrase.
    bool isEncrypted() const;
    // The most characters an entry holds, as the diary file counts them (a line break counts two).
    qsizetype entryCapacity() const;
    // The header's title and owner as stored (possibly empty), and its creation stamp.
    const QString& title() const;
    const QString& owner() const;
    double created() const;
    // Entries in the diary's file as it is now; 0 when none is open. Throws FileError when its size
    // cannot be read.
    qint64 entryCount() const;
    // Entries past the first MaxEntries, which no list shows and nothing reads; 0 when the size of the
    // diary's file cannot be read.
    qint64 unlistedEntries() const;

    // The records that the date list's rows stand for, in row order.
    std::vector<std::int32_t> listedRecords() const;
    // The list shows every entry, in file order.
    bool listsEveryEntry() const;
    // The list text of `record`'s stamp as the date list shows it; "??.??.????" when it cannot be read.
    QString labelOf(std::int32_t record) const;

    // The entry on view: its record, 0 while none is, and its list text as it was shown.
    std::int32_t viewedRecord() const;
    const QString& viewedLabel() const;
    // Changing and deleting entries is allowed.
    bool editAllowed() const;
    // The open diary is a dated copy opened to be read (DiaryDocument::openCopy): nothing may change it.
    bool isReadOnlyCopy() const;

    // Another program replaced, moved or removed the diary's file: it is opened again from its path before
    // anything more is written (DiaryDocument::reopen).
    bool wasReplaced() const;
    // Whether the file open here is the one `path` names now.
    bool holdsFileAt(const QString& path) const;
    // A change journal beside the diary that another user could have written, which was left as it is and
    // not applied; empty when there is none.
    const QString& foreignJournal() const;

private:
    const DiaryState& m_state;
    const DateListModel& m_list;
};
