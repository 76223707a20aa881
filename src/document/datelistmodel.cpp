#include "datelistmodel.h"

#include "diarystate.h"
#include "store/stamp.h"

DateListModel::DateListModel(const DiaryState& state, QObject* parent) : QAbstractListModel(parent), m_state(state) {}

int DateListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

QVariant DateListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return rowText(index.row());
}

// Type-ahead asks row after row for its text until one starts with what was typed: every stamp is
// read in one go rather than one read a row.
QModelIndexList DateListModel::match(const QModelIndex& start, int role, const QVariant& value, int hits,
                                     Qt::MatchFlags flags) const
{
    const bool typeAhead = role == Qt::DisplayRole && hits == 1 && flags == (Qt::MatchStartsWith | Qt::MatchWrap);
    if (!typeAhead || !checkIndex(start, CheckIndexOption::IndexIsValid))
        return QAbstractListModel::match(start, role, value, hits, flags);
    std::vector<double> stamps;
    try {
        stamps = m_state.file.readEntryStamps();
    } catch (const QuillnestError&) {
        return QAbstractListModel::match(start, role, value, hits, flags);
    }
    const QString typed = value.toString();
    for (int i = 0; i < m_rows; ++i) {
        const int row = (start.row() + i) % m_rows;
        const std::int32_t record = recordOfListItem(m_state, row);
        const bool readable = record >= 1 && std::size_t(record) <= stamps.size();
        if ((readable ? stampText(stamps[std::size_t(record) - 1]) : UnreadableLabel)
                .startsWith(typed, Qt::CaseInsensitive))
            return {index(row)};
    }
    return {};
}

// A failed read is not kept: the row reads again the next time it is shown.
QString DateListModel::rowText(int row) const
{
    const std::int32_t record = recordOfListItem(m_state, row);
    if (record < 1 || row >= m_rows)
        return UnreadableLabel;
    CachedText& cached = m_cache[std::size_t(record) % CacheSize];
    if (cached.record == record)
        return cached.text;
    try {
        cached.text = stampText(m_state.file.readStamp(record));
    } catch (const QuillnestError&) {
        cached.record = 0;
        return UnreadableLabel;
    }
    cached.record = record;
    return cached.text;
}

void DateListModel::relist(int rows)
{
    beginResetModel();
    m_rows = std::max(rows, 0);
    forgetTexts();
    endResetModel();
}

void DateListModel::appendRow()
{
    beginInsertRows(QModelIndex(), m_rows, m_rows);
    ++m_rows;
    endInsertRows();
}

void DateListModel::removeRow(int row, const std::function<void()>& remap)
{
    const bool shown = row >= 0 && row < m_rows;
    if (shown)
        beginRemoveRows(QModelIndex(), row, row);
    remap();
    forgetTexts();
    if (!shown)
        return;
    --m_rows;
    endRemoveRows();
}

void DateListModel::forgetTexts()
{
    m_cache.fill(CachedText());
}
