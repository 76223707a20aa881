#include "diarymaker.h"
#include "modalscript.h"

#include "mainwindow/mainwindow.h"
#include "store/rebuild.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <optional>

using namespace diarymaker;
using namespace SettingsKeys;

class TestEntries : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void savesNewTextWholeOrNotAtAll_data();
    void savesNewTextWholeOrNotAtAll();
    void changesOnlyTheEntryOnView();
    void deletesTheEntryOnView_data();
    void deletesTheEntryOnView();
    void failedDeletionLeavesDiaryWhole_data();
    void failedDeletionLeavesDiaryWhole();
    void leavingWithoutSavingWritesNothing_data();
    void leavingWithoutSavingWritesNothing();

private:
    // Editing is on, so that entries can be changed and deleted. Entry i is stamped day i + 1.
    void start(int entries, bool twins = false);
    QStringList click(QToolButton* button)
    {
        return answering({}, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    }
    void view(int row) { doubleClickItem(m_window->LBdate, row); }
    QStringList listItems() const;
    QStringList folder() const { return QDir(m_dir->path()).entryList(QDir::Files); }
    void verifyNoEntryOnView();

    QString m_path;
    std::optional<QTemporaryDir> m_dir;
    std::unique_ptr<TForm1> m_window;
};

void TestEntries::init()
{
    QVERIFY(m_dir.emplace().isValid());
    m_path = m_dir->filePath(QStringLiteral("d.qnb"));
}

void TestEntries::cleanup()
{
    setRebuildFaultHook({});
    m_window.reset();
    m_dir.reset();
}

void TestEntries::start(int entries, bool twins)
{
    Diary diary;
    for (int i = 0; i < entries; ++i)
        diary.stamps << stampOf(2026, 4, twins && i == 1 ? 1 : 1 + i, 10, 0, 30);
    writeDiary(m_path, diary);
    setSetting(m_dir->path(), Options, Editing, QStringLiteral("1"));
    setSetting(m_dir->path(), Options, OpenLast, QStringLiteral("1"));
    setSetting(m_dir->path(), Directory, LastDiary, m_path);
    m_window = std::make_unique<TForm1>(m_dir->path());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

QStringList TestEntries::listItems() const
{
    QStringList items;
    for (int i = 0; i < m_window->LBdate->count(); ++i)
        items << m_window->LBdate->item(i)->text();
    return items;
}

void TestEntries::verifyNoEntryOnView()
{
    QCOMPARE(m_window->Ldate->text(), TForm1::todayCaption());
    QCOMPARE(m_window->state().ViewedRecord, 0);
    QVERIFY(!m_window->Bchange->isEnabled() && !m_window->Bdel->isEnabled() && m_window->Badd->isEnabled());
    QVERIFY(m_window->BSave1->isHidden() && m_window->BSave2->isHidden());
    QVERIFY(m_window->LBdate->isEnabled() && m_window->mm->isReadOnly());
}

void TestEntries::savesNewTextWholeOrNotAtAll_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal"); // part of the message; empty when the text is saved
    QTest::newRow("empty") << QString() << QString();
    QTest::newRow("255 characters") << QString(255, u'я') << QString();
    QTest::newRow("256 characters") << QString(256, u'я') << QString();
    QTest::newRow("5100 characters") << QString(5100, u'ж') << QString();
    QTest::newRow("CR LF across two slots") << QString(254, u'a') + "\nb" << QString();
    QTest::newRow("no-break space") << QStringLiteral("Ёлка\u00A0№ 5\nконец") << QString();
    QTest::newRow("5101 characters") << QString(5101, u'ж') << "5100";
    QTest::newRow("line break counted twice") << QString(5099, u'a') + "\n"
                                              << "5100";
    QTest::newRow("beyond Windows-1251") << QStringLiteral("Привет 日本 😀") << "«😀» (U+1F600)";
}

void TestEntries::savesNewTextWholeOrNotAtAll()
{
    QFETCH(QString, text);
    QFETCH(QString, refusal);
    start(2);
    const QByteArray before = fileBytes(m_path);
    click(m_window->Badd);
    QVERIFY(m_window->BSave1->isVisible() && !m_window->LBdate->isEnabled() && !m_window->mm->isReadOnly());
    m_window->mm->setPlainText(text);
    const QStringList seen = click(m_window->BSave1);
    if (!refusal.isEmpty()) {
        QVERIFY2(seen.size() == 1 && seen.first().contains(refusal), qPrintable(seen.join(" | ")));
        QCOMPARE(fileBytes(m_path), before);
        QVERIFY(m_window->BSave1->isVisible() && !m_window->mm->isReadOnly());
        QCOMPARE(m_window->mm->toPlainText(), text);
        return;
    }
    QVERIFY(seen.isEmpty());
    QCOMPARE(m_window->statusText(0), QStringLiteral(" Новая запись успешно добавлена"));
    const QByteArray after = fileBytes(m_path);
    QVERIFY(after.size() == before.size() + RecordSize && after.startsWith(before));
    QCOMPARE(entryTexts(m_path).last(), toFileLineBreaks(text));
    DiaryRecord added;
    std::copy(after.end() - RecordSize, after.end(), added.data());
    QCOMPARE(listItems().size(), 3);
    QCOMPARE(listItems().last(), stampText(added.stamp()));
    const qsizetype bytes = toFileLineBreaks(text).size();
    for (int k = 1; k <= SlotCount; ++k)
        QCOMPARE(added.slotLength(k), int(std::clamp<qsizetype>(bytes - (k - 1) * 255, 0, 255)));
    verifyNoEntryOnView();
}

// Entries 1 and 2 share one time stamp: only the one on view changes, and only while it is still
// the entry the label names.
void TestEntries::changesOnlyTheEntryOnView()
{
    start(3, true);
    const QByteArray before = fileBytes(m_path);
    view(1);
    QCOMPARE(m_window->mm->toPlainText(), toEditorLineBreaks(entryText(2)));
    click(m_window->Bchange);
    QVERIFY(m_window->BSave2->isVisible() && !m_window->Badd->isEnabled() && !m_window->Bdel->isEnabled());
    m_window->mm->setPlainText(QStringLiteral("новый текст\nстрока"));
    QVERIFY(click(m_window->BSave2).isEmpty());

    QCOMPARE(m_window->statusText(0), QStringLiteral(" Запись успешно изменена"));
    const QByteArray after = fileBytes(m_path);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(2 * RecordSize + 8), before.left(2 * RecordSize + 8)); // up to entry 2's stamp
    QCOMPARE(after.mid(3 * RecordSize), before.mid(3 * RecordSize));
    QCOMPARE(entryTexts(m_path), QStringList({entryText(1), "новый текст\r\nстрока", entryText(3)}));
    QVERIFY(m_window->Bchange->isEnabled() && m_window->Bdel->isEnabled() && m_window->BSave2->isHidden());
    QVERIFY(m_window->mm->isReadOnly() && m_window->LBdate->isEnabled());

    // Another program moves the entry's time stamp meanwhile: nothing is written, the text stays.
    click(m_window->Bchange);
    m_window->mm->setPlainText(QStringLiteral("не сохранится"));
    RecordFile other;
    other.open(m_path);
    DiaryRecord record;
    other.read(2, record);
    record.setStamp(stampOf(2020, 1, 1, 1, 1, 1));
    other.write(2, record);
    const QByteArray moved = fileBytes(m_path);
    QCOMPARE(click(m_window->BSave2), QStringList{"Запись не найдена в дневнике"});
    QCOMPARE(fileBytes(m_path), moved);
    QVERIFY(m_window->BSave2->isVisible() && !m_window->mm->isReadOnly());
    QCOMPARE(m_window->mm->toPlainText(), QStringLiteral("не сохранится"));
}

void TestEntries::deletesTheEntryOnView_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<int>("row");
    QTest::addColumn<bool>("twins");
    QTest::newRow("first") << 3 << 0 << false;
    QTest::newRow("middle") << 3 << 1 << false;
    QTest::newRow("last") << 3 << 2 << false;
    QTest::newRow("only") << 1 << 0 << false;
    QTest::newRow("second of two equal stamps") << 3 << 1 << true;
}

void TestEntries::deletesTheEntryOnView()
{
    QFETCH(int, entries);
    QFETCH(int, row);
    QFETCH(bool, twins);
    start(entries, twins);
    const QByteArray before = fileBytes(m_path);
    QStringList items = listItems();
    view(row);
    QVERIFY(click(m_window->Bdel).isEmpty());

    QCOMPARE(m_window->statusText(0), QStringLiteral(" Запись успешно удалена из базы"));
    QCOMPARE(fileBytes(m_path), before.left((row + 1) * RecordSize) + before.mid((row + 2) * RecordSize));
    items.removeAt(row);
    QCOMPARE(listItems(), items);
    verifyNoEntryOnView();
    QVERIFY(m_window->mm->toPlainText().isEmpty() && !m_window->N13->isEnabled());
    QCOMPARE(folder(), QStringList({"d.qnb", "Settings.ini"}));
    for (int i = 0; i < items.size(); ++i) {
        view(i);
        QCOMPARE(m_window->mm->toPlainText(), toEditorLineBreaks(entryText(i < row ? i + 1 : i + 2)));
    }
}

void TestEntries::failedDeletionLeavesDiaryWhole_data()
{
    QTest::addColumn<RebuildStep>("failing");
    QTest::newRow("rename fails") << RebuildStep::Rename;
    QTest::newRow("rebuilt file not made safe") << RebuildStep::FlushFolder;
}

void TestEntries::failedDeletionLeavesDiaryWhole()
{
    QFETCH(RebuildStep, failing);
    start(3);
    const QByteArray before = fileBytes(m_path);
    const QStringList items = listItems();
    view(1);
    setRebuildFaultHook([failing](RebuildStep step) {
        if (step == failing)
            throw FileError(FileError::DiskFull);
    });
    QCOMPARE(click(m_window->Bdel), QStringList{"Disk full"});
    QCOMPARE(folder(), QStringList({"d.qnb", "Settings.ini"}));
    const DiaryState& s = m_window->state();
    if (failing == RebuildStep::Rename) {
        QCOMPARE(fileBytes(m_path), before);
        QCOMPARE(listItems(), items);
        QVERIFY(s.DiaryFile.isOpen() && s.ViewedRecord == 2 && m_window->Bdel->isEnabled());
        return;
    }
    // The file was replaced whole; the window lets go of the diary rather than show a stale list.
    QCOMPARE(fileBytes(m_path), before.left(2 * RecordSize) + before.mid(3 * RecordSize));
    QVERIFY(!s.DiaryFile.isOpen() && s.DiaryPath.isEmpty() && listItems().isEmpty());
    QCOMPARE(m_window->statusText(0), QStringLiteral(" Нет открытых дневников"));
}

void TestEntries::leavingWithoutSavingWritesNothing_data()
{
    QTest::addColumn<QString>("how");
    for (const char* how : {"clear while adding", "clear while changing", "close while adding"})
        QTest::newRow(how) << QString::fromLatin1(how);
}

void TestEntries::leavingWithoutSavingWritesNothing()
{
    QFETCH(QString, how);
    start(2);
    const QByteArray before = fileBytes(m_path);
    // A double click beside the items shows nothing.
    QTest::mouseDClick(m_window->LBdate->viewport(), Qt::LeftButton, {}, QPoint(5, 250));
    QVERIFY(m_window->mm->toPlainText().isEmpty() && !m_window->Bchange->isEnabled());
    if (how.contains("changing"))
        view(0);
    click(how.contains("adding") ? m_window->Badd : m_window->Bchange);
    m_window->mm->setPlainText(QStringLiteral("отброшенный текст"));
    if (how.startsWith("close")) {
        m_window->N14->trigger();
        QVERIFY(m_window->BSave1->isHidden() && m_window->mm->isReadOnly() && !m_window->mm->isEnabled());
        m_window->BSave1->click();
    } else {
        QVERIFY(click(m_window->Bclear).isEmpty());
        verifyNoEntryOnView();
        QCOMPARE(m_window->statusText(0), QStringLiteral(" Ожидание..."));
        QCOMPARE(m_window->statusText(1), QStringLiteral("0"));
    }
    QVERIFY(m_window->mm->toPlainText().isEmpty());
    QCOMPARE(fileBytes(m_path), before);
}

QTEST_MAIN(TestEntries)
#include "tst_entries.moc"
