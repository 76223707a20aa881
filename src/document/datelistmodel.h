#pragma once

#include <QAbstractListModel>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

struct DiaryState;

// What a list shows for a record whose stamp cannot be read.
inline const QString UnreadableLabel = QStringLiteral("??.??.????");

// The date list of the open diary as a model: row i stands for the record that recordOfListItem
// names, and shows that record's time-stamp text. A row's stamp is read when its text is asked for,
// so a diary of any size is listed at once; the texts of recently shown rows are kept in a small cache.
class DateListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    explicit DateListModel(const DiaryState& state, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QModelIndexList match(const QModelIndex& start, int role, const QVariant& value, int hits = 1,
                          Qt::MatchFlags flags = Qt::MatchFlags(Qt::MatchStartsWith | Qt::MatchWrap)) const override;

    // The time-stamp text of row `row`; "??.??.????" when its record cannot be read.
    QString rowText(int row) const;

    // Changes the document makes, once the state's list mapping says what the rows now stand for.
    void relist(int rows);
    void appendRow();
    // An entry left the diary: `row` (or -1 when no row showed it) goes while `remap` changes what
    // the rows stand for, since the record numbers after it have moved.
    void removeRow(int row, const std::function<void()>& remap);

private:
    struct CachedText {
        std::int32_t record = 0;
        QString text;
    };
    static constexpr std::size_t CacheSize = 256;

    void forgetTexts();

    const DiaryState& m_state;
    int m_rows = 0;
    mutable std::array<CachedText, CacheSize> m_cache;
};
