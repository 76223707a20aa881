#include "entrysearch.h"

#include "datelistview.h"
#include "document/diarydocument.h"
#include "store/stamp.h"
#include "widgets/dayclock.h"

#include <QAbstractButton>
#include <QDate>
#include <QDateEdit>
#include <QLineEdit>

#include <utility>

namespace
{

const QString FoundText = QStringLiteral(" Найдено записей: ");

} // namespace

EntrySearch::EntrySearch(DiaryDocument& document, DateListView* dateList, QLineEdit* wordField, QDateEdit* datePicker,
                         QAbstractButton* todayButton, const DayClock& clock, Attempt attempt)
    : QObject(dateList), m_document(document), m_dateList(dateList), m_wordField(wordField), m_datePicker(datePicker),
      m_todayButton(todayButton), m_clock(clock), m_attempt(std::move(attempt))
{
}

void EntrySearch::showToday()
{
    followDay(m_clock.today());
    m_datePicker->setDate(m_clock.today());
}

void EntrySearch::followDay(const QDate& today)
{
    m_datePicker->setMaximumDate(today);
    m_todayButton->setText(shortDateText(today));
}

void EntrySearch::pickToday()
{
    const QDate today = m_clock.today();
    m_datePicker->setMaximumDate(today);
    m_datePicker->setDate(today);
}

void EntrySearch::setFolded(bool folded)
{
    m_folded = folded;
}

// The whole search runs before the list changes, so a failed read leaves the list as it was.
void EntrySearch::findWord()
{
    std::optional<int> found;
    const auto find = [&] { found = m_document.findWord(m_wordField->text(), m_folded); };
    if (!m_dateList->takeFocusForCommand() || !m_attempt(find) || !found)
        return;
    emit told(FoundText + QString::number(*found));
}

void EntrySearch::clearWord()
{
    m_wordField->clear();
    m_wordField->setFocus();
}

// The entries of one day need not lie side by side in the file (the clock may have been set back).
bool EntrySearch::findDay(const QDate& day)
{
    std::optional<int> found;
    if (!m_attempt([&] { found = m_document.findDay(day); }) || !found)
        return false;
    const QString dateText = shortDateText(day);
    emit told(*found > 0 ? dateText + FoundText + QString::number(*found) : dateText + QStringLiteral(" Записей нет!"));
    return true;
}

void EntrySearch::findPickedDay()
{
    if (m_dateList->takeFocusForCommand())
        findDay(m_datePicker->date());
}

void EntrySearch::findToday()
{
    if (m_dateList->takeFocusForCommand() && findDay(m_clock.today()))
        pickToday();
}

// The text box keeps what it shows, but no entry is on view any more: nothing can be changed or
// deleted until one is chosen again.
void EntrySearch::listEveryEntry()
{
    int count = 0;
    if (!m_dateList->takeFocusForCommand() || !m_document.isOpen() || !m_attempt([&] { count = m_document.listAll(); }))
        return;
    emit told(QStringLiteral("Всего записей: ") + QString::number(count));
    emit everyEntryListed();
    pickToday();
}
