#include "datelistmodel.h"

#include "diarystate.h"
#include "stamp.h"

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

// A failed read is not kept: the row reads again the next time it is shown.
QString DateListModel::rowText(int row) const
{
    static const QString Unreadable = QStringLiteral("??.??.????");
    const std::int32_t record = recordOfListItem(m_state, row);
    if (record < 1 || row >= m_rows)
        return Unreadable;
    CachedText& cached = m_cache[std::size_t(record) % CacheSize];
    if (cached.record == record)
        return cached.text;
    try {
        cached.text = stampText(m_state.DiaryFile.readStamp(record));
    } catch (const QuillnestError&) {
        cached.record = 0;
        return Unreadable;
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

void DateListModel::removeRow(int row)
{
    forgetTexts();
    if (row < 0 || row >= m_rows)
        return;
    beginRemoveRows(QModelIndex(), row, row);
    --m_rows;
    endRemoveRows();
}

void DateListModel::forgetTexts()
{
    m_cache.fill(CachedText());
}
