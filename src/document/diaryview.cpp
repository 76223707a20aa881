#include "diaryview.h"

#include "datelistmodel.h"
#include "diarystate.h"
#include "store/fileidentity.h"
#include "store/stamp.h"

#include <algorithm>

DiaryView::DiaryView(const DiaryState& state, const DateListModel& list) : m_state(state), m_list(list) {}

bool DiaryView::isOpen() const
{
    return m_state.diaryOpen();
}

const QString& DiaryView::path() const
{
    return m_state.path;
}

bool DiaryView::hasPassword() const
{
    return m_state.hasPassword;
}

bool DiaryView::isEncrypted() const
{
    return m_state.encrypted();
}

qsizetype DiaryView::entryCapacity() const
{
    return m_state.codec->capacity();
}

const QString& DiaryView::title() const
{
    return m_state.title;
}

const QString& DiaryView::owner() const
{
    return m_state.owner;
}

double DiaryView::created() const
{
    return m_state.created;
}

qint64 DiaryView::entryCount() const
{
    return m_state.file.isOpen() ? std::max<qint64>(m_state.file.count() - 1, 0) : 0;
}

qint64 DiaryView::unlistedEntries() const
{
    try {
        return std::max<qint64>(entryCount() - MaxEntries, 0);
    } catch (const QuillnestError&) {
        return 0;
    }
}

std::vector<std::int32_t> DiaryView::listedRecords() const
{
    std::vector<std::int32_t> records(std::size_t(m_list.rowCount()));
    for (int row = 0; row < m_list.rowCount(); ++row)
        records[std::size_t(row)] = recordOfListItem(m_state, row);
    return records;
}

bool DiaryView::listsEveryEntry() const
{
    return m_state.listComplete;
}

QString DiaryView::labelOf(std::int32_t record) const
{
    try {
        return record >= 1 ? stampText(m_state.file.readStamp(record)) : UnreadableLabel;
    } catch (const QuillnestError&) {
        return UnreadableLabel;
    }
}

std::int32_t DiaryView::viewedRecord() const
{
    return m_state.viewedRecord;
}

const QString& DiaryView::viewedLabel() const
{
    return m_state.viewedLabel;
}

bool DiaryView::editAllowed() const
{
    return m_state.editAllowed;
}

bool DiaryView::isReadOnlyCopy() const
{
    return m_state.readOnly;
}

bool DiaryView::wasReplaced() const
{
    return m_state.replaced;
}

bool DiaryView::holdsFileAt(const QString& path) const
{
    try {
        return m_state.file.isOpen() && fileIdentity(path) == m_state.file.identity();
    } catch (const QuillnestError&) {
        return false;
    }
}

const QString& DiaryView::foreignJournal() const
{
    return m_state.foreignJournal;
}
