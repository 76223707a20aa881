#pragma once

#include <QAbstractListModel>

#include <cstdint>
#include <vector>

class DiaryView;

// Entries of the open diary named by their record numbers, so that an entry keeps its identity
// whatever other entries share its list text. A row shows the list text of its record's stamp, read
// when the row is shown: a list of every entry of a full diary costs no more than its numbers.
class RecordListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit RecordListModel(const DiaryView& diary, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    const std::vector<std::int32_t>& records() const { return m_records; }
    void setRecords(std::vector<std::int32_t> records);
    void append(std::int32_t record);
    // Removes row `row` and returns its record.
    std::int32_t take(int row);
    // `record` left the diary and every record after it moved one place towards the start.
    void forgetDeletedRecord(std::int32_t record);

private:
    const DiaryView& m_diary;
    std::vector<std::int32_t> m_records;
};
