#include "sourceentrymodel.h"

#include "store/stamp.h"

#include <algorithm>
#include <utility>

int SourceEntryModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_stamps.size());
}

QVariant SourceEntryModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    if (role == Qt::DisplayRole)
        return stampText(m_stamps[size_t(index.row())]);
    if (role == Qt::CheckStateRole)
        return m_picked[size_t(index.row())] ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool SourceEntryModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::CheckStateRole || !checkIndex(index, CheckIndexOption::IndexIsValid))
        return false;
    m_picked[size_t(index.row())] = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags SourceEntryModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable : Qt::NoItemFlags;
}

void SourceEntryModel::setStamps(std::vector<double> stamps)
{
    beginResetModel();
    m_stamps = std::move(stamps);
    m_picked.assign(m_stamps.size(), false);
    endResetModel();
}

bool SourceEntryModel::anyPicked() const
{
    return std::find(m_picked.begin(), m_picked.end(), true) != m_picked.end();
}
