#include "backupswindow.h"

#include "store/stamp.h"
#include "widgets/messagebox.h"

#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>

namespace
{

constexpr QSize OuterSize(370, 276);

// What each row keeps of its copy, in its first column.
enum CopyRole { PathRole = Qt::UserRole, TakenRole, DamagedRole };
enum Column { TimeColumn, EntriesColumn, SizeColumn };

QString sizeText(qint64 bytes)
{
    constexpr qint64 Kilobyte = 1024;
    constexpr qint64 Megabyte = 1024 * Kilobyte;
    if (bytes < Megabyte)
        return QStringLiteral("%1 КБ").arg((bytes + Kilobyte - 1) / Kilobyte);
    return QLocale(QLocale::Russian).toString(double(bytes) / Megabyte, 'f', 1) + QStringLiteral(" МБ");
}

QTreeWidgetItem* makeRow(const BackupCopy& copy)
{
    const CopyContents contents = BackupShelf::contentsOf(copy.path);
    auto* row = new QTreeWidgetItem(
        {BackupsWindow::timeText(copy.taken),
         contents.damaged ? QStringLiteral("повреждена") : QString::number(contents.entries), sizeText(copy.size)});
    row->setData(TimeColumn, PathRole, copy.path);
    row->setData(TimeColumn, TakenRole, copy.taken);
    row->setData(TimeColumn, DamagedRole, contents.damaged);
    row->setTextAlignment(EntriesColumn, Qt::AlignRight | Qt::AlignVCenter);
    row->setTextAlignment(SizeColumn, Qt::AlignRight | Qt::AlignVCenter);
    return row;
}

} // namespace

BackupsWindow::BackupsWindow(const std::vector<BackupCopy>& copies, QWidget* parent)
    : SecondaryWindow(parent, OuterSize)
{
    setObjectName(QStringLiteral("backups"));
    setWindowTitle(QStringLiteral("Резервные копии"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildList();
    buildButtons();
    listCopies(copies);
}

QString BackupsWindow::timeText(const QDateTime& taken)
{
    return shortDateText(taken.date()) + QLatin1Char(' ') + longTimeText(taken.time());
}

void BackupsWindow::buildList()
{
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("backupList"));
    m_list->setGeometry(8, 8, 346, 200);
    m_list->setHeaderLabels({QStringLiteral("Время"), QStringLiteral("Записей"), QStringLiteral("Размер")});
    m_list->setAccessibleName(QStringLiteral("Резервные копии дневника"));
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->header()->resizeSection(TimeColumn, 150);
    m_list->header()->resizeSection(EntriesColumn, 80);
    connect(m_list, &QTreeWidget::currentItemChanged, this, &BackupsWindow::enableButtons);
}

// Enter presses no button here: opening and restoring are chosen on purpose.
void BackupsWindow::buildButtons()
{
    m_openButton = addButton("backupOpen", QStringLiteral("Открыть"), QStyle::SP_DialogOpenButton, {8, 216, 90, 25});
    m_restoreButton =
        addButton("backupRestore", QStringLiteral("Восстановить"), QStyle::SP_BrowserReload, {104, 216, 110, 25});
    QPushButton* closing =
        addButton("backupClose", QStringLiteral("Закрыть"), QStyle::SP_DialogCloseButton, {264, 216, 90, 25});
    setKeyButtons(nullptr, closing);
    connect(m_openButton, &QPushButton::clicked, this, &BackupsWindow::openChosenCopy);
    connect(m_restoreButton, &QPushButton::clicked, this, &BackupsWindow::restoreChosenCopy);
    connect(closing, &QPushButton::clicked, this, &QWidget::close);
}

// The newest copy, the one most often wanted, is chosen to begin with.
void BackupsWindow::listCopies(const std::vector<BackupCopy>& copies)
{
    for (auto copy = copies.rbegin(); copy != copies.rend(); ++copy)
        m_list->addTopLevelItem(makeRow(*copy));
    m_list->setCurrentItem(m_list->topLevelItem(0));
    enableButtons();
}

QTreeWidgetItem* BackupsWindow::chosenCopy() const
{
    return m_list->currentItem();
}

// A damaged copy may still be read, as far as it goes, but never takes the diary's place.
void BackupsWindow::enableButtons()
{
    const QTreeWidgetItem* copy = chosenCopy();
    m_openButton->setEnabled(copy);
    m_restoreButton->setEnabled(copy && !copy->data(TimeColumn, DamagedRole).toBool());
}

void BackupsWindow::openChosenCopy()
{
    if (const QTreeWidgetItem* copy = chosenCopy()) {
        emit openingWanted(copy->data(TimeColumn, PathRole).toString());
        close();
    }
}

void BackupsWindow::restoreChosenCopy()
{
    const QTreeWidgetItem* copy = chosenCopy();
    if (!copy || copy->data(TimeColumn, DamagedRole).toBool())
        return;
    const QDateTime taken = copy->data(TimeColumn, TakenRole).toDateTime();
    const QString question = QStringLiteral("Восстановить дневник из резервной копии от %1?\rДневник в нынешнем виде "
                                            "тоже сохранится как резервная копия.")
                                 .arg(timeText(taken));
    if (askYesNo(this, question) != Answer::Yes)
        return;
    emit restoringWanted(copy->data(TimeColumn, PathRole).toString(), taken);
    close();
}
