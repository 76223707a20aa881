#pragma once

#include <QAbstractListModel>

#include <vector>

// The entries of an older diary as a check list: a row per stamp, its text made only when the row is
// shown, so that a source of 65,535 entries is listed at once.
class SourceEntryModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Every row unchecked.
    void setStamps(std::vector<double> stamps);

    // Whether entry k is checked, for each entry in source order.
    const std::vector<bool>& picked() const { return m_picked; }
    bool anyPicked() const;

private:
    std::vector<double> m_stamps;
    std::vector<bool> m_picked;
};
