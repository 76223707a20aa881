#pragma once

#include <QObject>
#include <QString>

#include <functional>

class DateListView;
class DayClock;
class DiaryDocument;
class QAbstractButton;
class QDate;
class QDateEdit;
class QLineEdit;

// The searches of the tool bar: the entries whose text holds a word, those of the day picked or of today,
// and every entry again. Each shows what it finds in the date list, to which it first gives the focus.
class EntrySearch : public QObject
{
    Q_OBJECT

public:
    // Runs an operation of the document and shows its failure; says whether it was done.
    using Attempt = std::function<bool(const std::function<void()>&)>;

    // `clock` says which day is today.
    EntrySearch(DiaryDocument& document, DateListView* dateList, QLineEdit* wordField, QDateEdit* datePicker,
                QAbstractButton* todayButton, const DayClock& clock, Attempt attempt);

    // Today on the today button and in the date picker, which no later day may be picked in.
    void showToday();
    // The day turned: the today button names the new day, which the picker may now reach; the day picked stays.
    void followDay(const QDate& today);
    // The picker stands on today and reaches it; the program may have been running since before midnight.
    void pickToday();

    // Whether the word search ignores letter case and ё; off until set.
    void setFolded(bool folded);
    void findWord();
    void clearWord();
    void findPickedDay();
    void findToday();
    void listEveryEntry();

signals:
    // What the status bar says of what was found.
    void told(const QString& status);
    // Every entry is listed again, and none is on view any more.
    void everyEntryListed();

private:
    // False when nothing was searched.
    bool findDay(const QDate& day);

    DiaryDocument& m_document;
    DateListView* m_dateList;
    QLineEdit* m_wordField;
    QDateEdit* m_datePicker;
    QAbstractButton* m_todayButton;
    const DayClock& m_clock;
    Attempt m_attempt;
    bool m_folded = false;
};
