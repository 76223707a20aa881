#include "recordlistmodel.h"

#include "document/diaryview.h"

#include <utility>

RecordListModel::RecordListModel(const DiaryView& diary, QObject* parent) : QAbstractListModel(parent), m_diary(diary)
{
}

int RecordListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_records.size());
}

QVariant RecordListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    return m_diary.labelOf(m_records[std::size_t(index.row())]);
}

void RecordListModel::setRecords(std::vector<std::int32_t> records)
{
    beginResetModel();
    m_records = std::move(records);
    endResetModel();
}

void RecordListModel::append(std::int32_t record)
{
    const int row = rowCount();
    beginInsertRows({}, row, row);
    m_records.push_back(record);
    endInsertRows();
}

std::int32_t RecordListModel::take(int row)
{
    beginRemoveRows({}, row, row);
    const std::int32_t record = m_records[std::size_t(row)];
    m_records.erase(m_records.begin() + row);
    endRemoveRows();
    return record;
}

void RecordListModel::forgetDeletedRecord(std::int32_t record)
{
    std::vector<std::int32_t> kept;
    kept.reserve(m_records.size());
    for (const std::int32_t r : m_records) {
        if (r != record)
            kept.push_back(r > record ? r - 1 : r);
    }
    setRecords(std::move(kept));
}
