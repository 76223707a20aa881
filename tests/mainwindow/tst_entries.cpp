#include "diarymaker.h"

#include "store/diaryedit.h"
#include "store/rebuild.h"

#include <QDir>
#include <QtTest>

using namespace diarymaker;

// Adding, changing and deleting entries; the window runs with editing on.
class TestEntries : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        setRebuildFaultHook({});
        m.close();
    }
    void savesNewTextWholeOrNotAtAll_data();
    void savesNewTextWholeOrNotAtAll();
    void changesOnlyTheEntryOnView();
    void deletesTheEntryOnView_data();
    void deletesTheEntryOnView();
    void failedDeletionLeavesDiaryWhole();
    void leavingWithoutSavingWritesNothing();

private:
    QStringList folder() const { return QDir(m.dir->path()).entryList(QDir::Files); }
    void verifyNoEntryOnView();

    Session m;
};

void TestEntries::verifyNoEntryOnView()
{
    TForm1& w = *m.window;
    QCOMPARE(w.Ldate->text(), TForm1::todayCaption());
    QCOMPARE(w.state().ViewedRecord, 0);
    QVERIFY(!w.Bchange->isEnabled() && !w.Bdel->isEnabled() && w.Badd->isEnabled());
    QVERIFY(w.BSave1->isHidden() && w.BSave2->isHidden() && w.LBdate->isEnabled() && w.mm->isReadOnly());
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
    QVERIFY(m.start(alternatingDays(2)));
    const QByteArray before = fileBytes(m.path);
    m.click(m.window->Badd);
    QVERIFY(m.window->BSave1->isVisible() && !m.window->LBdate->isEnabled() && !m.window->mm->isReadOnly());
    m.window->mm->setPlainText(text);
    const QStringList seen = m.click(m.window->BSave1);
    if (!refusal.isEmpty()) {
        QVERIFY2(seen.size() == 1 && seen.first().contains(refusal), qPrintable(seen.join(" | ")));
        QCOMPARE(fileBytes(m.path), before);
        QVERIFY(m.window->BSave1->isVisible() && !m.window->mm->isReadOnly());
        QCOMPARE(m.window->mm->toPlainText(), text);
        return;
    }
    QVERIFY(seen.isEmpty());
    QCOMPARE(m.window->statusText(0), QStringLiteral(" Новая запись успешно добавлена"));
    const QByteArray after = fileBytes(m.path);
    QVERIFY(after.size() == before.size() + RecordSize && after.startsWith(before));
    QCOMPARE(entryTexts(m.path).last(), toFileLineBreaks(text));
    DiaryRecord added;
    std::copy(after.end() - RecordSize, after.end(), added.data());
    QCOMPARE(m.listItems().mid(2), QStringList{stampText(added.stamp())});
    const qsizetype bytes = toFileLineBreaks(text).size();
    for (int k = 1; k <= SlotCount; ++k)
        QCOMPARE(added.slotLength(k), int(std::clamp<qsizetype>(bytes - (k - 1) * SlotCapacity, 0, SlotCapacity)));
    verifyNoEntryOnView();
}

// Entries 3 and 5 share one time stamp: only the one on view changes, and only while it is still the
// entry the label names.
void TestEntries::changesOnlyTheEntryOnView()
{
    QVERIFY(m.start(alternatingDays(6)));
    TForm1& w = *m.window;
    const QByteArray before = fileBytes(m.path);
    QStringList texts = entryTexts(m.path);
    QCOMPARE(m.view(4), texts[4]);
    m.click(w.Bchange);
    QVERIFY(w.BSave2->isVisible() && !w.Badd->isEnabled() && !w.Bdel->isEnabled());
    w.mm->setPlainText(QStringLiteral("новый текст\nстрока"));
    QVERIFY(m.click(w.BSave2).isEmpty());

    QCOMPARE(w.statusText(0), QStringLiteral(" Запись успешно изменена"));
    const QByteArray after = fileBytes(m.path);
    QCOMPARE(after.size(), before.size());
    QCOMPARE(after.left(5 * RecordSize + 8), before.left(5 * RecordSize + 8)); // up to entry 5's stamp
    QCOMPARE(after.mid(6 * RecordSize), before.mid(6 * RecordSize));
    texts[4] = QStringLiteral("новый текст\r\nстрока");
    QCOMPARE(entryTexts(m.path), texts);
    QVERIFY(w.Bchange->isEnabled() && w.Bdel->isEnabled() && w.BSave2->isHidden());
    QVERIFY(w.mm->isReadOnly() && w.LBdate->isEnabled());

    // Another program moves the entry's time stamp meanwhile: nothing is written, the text stays.
    m.click(w.Bchange);
    w.mm->setPlainText(QStringLiteral("не сохранится"));
    RecordFile other;
    other.open(m.path);
    DiaryRecord record;
    other.read(5, record);
    record.setStamp(stampOf(2020, 1, 1, 1, 1, 1));
    other.write(5, record);
    const QByteArray moved = fileBytes(m.path);
    QCOMPARE(m.click(w.BSave2), QStringList{"Запись не найдена в дневнике"});
    QCOMPARE(fileBytes(m.path), moved);
    QVERIFY(w.BSave2->isVisible() && !w.mm->isReadOnly());
    QCOMPARE(w.mm->toPlainText(), QStringLiteral("не сохранится"));
}

void TestEntries::deletesTheEntryOnView_data()
{
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("search"); // what the list shows: every entry, or records 1, 3 and 5 found
    QTest::addColumn<int>("row");
    QTest::newRow("only entry") << 1 << QString() << 0;
    QTest::newRow("first") << 6 << QString() << 0;
    QTest::newRow("first of two equal stamps") << 6 << QString() << 2;
    QTest::newRow("second of two equal stamps") << 6 << QString() << 4;
    QTest::newRow("last") << 6 << QString() << 5;
    for (const char* search : {"word", "date"}) {
        for (int row : {0, 1, 2})
            QTest::addRow("%s search, item %d", search, row) << 6 << QString::fromLatin1(search) << row;
    }
}

void TestEntries::deletesTheEntryOnView()
{
    QFETCH(int, entries);
    QFETCH(QString, search);
    QFETCH(int, row);
    QVERIFY(m.start(alternatingDays(entries)));
    QList<int> records{1, 2, 3, 4, 5, 6};
    records.resize(entries);
    if (!search.isEmpty()) {
        QVERIFY((search == "word" ? m.searchWord(QStringLiteral("общее")) : m.searchDay(DayA)).isEmpty());
        records = {1, 3, 5};
    }
    const QByteArray before = fileBytes(m.path);
    QStringList items = m.listItems();
    m.view(row);
    QVERIFY(m.click(m.window->Bdel).isEmpty());

    QCOMPARE(m.window->statusText(0), QStringLiteral(" Запись успешно удалена из базы"));
    const int gone = records.takeAt(row);
    QCOMPARE(fileBytes(m.path), before.left(gone * RecordSize) + before.mid((gone + 1) * RecordSize));
    items.removeAt(row);
    QCOMPARE(m.listItems(), items);
    verifyNoEntryOnView();
    QVERIFY(m.window->mm->toPlainText().isEmpty() && !m.window->N13->isEnabled());
    QCOMPARE(folder(), QStringList({"d.qnb", "Settings.ini"}));
    for (int& r : records)
        r -= r > gone ? 1 : 0;
    m.verifyItemsLeadTo(records);
}

// A rename that fails leaves everything as it was. Once the rebuilt file has taken the diary's place,
// a failure to make that safe on disk lets go of the diary rather than show a stale list.
void TestEntries::failedDeletionLeavesDiaryWhole()
{
    QVERIFY(m.start(alternatingDays(3)));
    const DiaryState& s = m.window->state();
    const QByteArray before = fileBytes(m.path);
    const QStringList items = m.listItems();
    m.view(1);
    for (RebuildStep failing : {RebuildStep::Rename, RebuildStep::FlushFolder}) {
        setRebuildFaultHook([failing](RebuildStep step) {
            if (step == failing)
                throw FileError(FileError::DiskFull);
        });
        QCOMPARE(m.click(m.window->Bdel), QStringList{"Disk full"});
        QCOMPARE(folder(), QStringList({"d.qnb", "Settings.ini"}));
        if (failing == RebuildStep::Rename) {
            QCOMPARE(fileBytes(m.path), before);
            QCOMPARE(m.listItems(), items);
            QVERIFY(s.DiaryFile.isOpen() && s.ViewedRecord == 2 && m.window->Bdel->isEnabled());
        }
    }
    QCOMPARE(fileBytes(m.path), before.left(2 * RecordSize) + before.mid(3 * RecordSize));
    QVERIFY(!s.DiaryFile.isOpen() && s.DiaryPath.isEmpty() && m.listItems().isEmpty());
    QCOMPARE(m.window->statusText(0), QStringLiteral(" Нет открытых дневников"));
}

// Text typed but not saved is dropped by "Очистить" and by closing the diary. Meanwhile the list and
// its searches are refused, as the list cannot take the focus.
void TestEntries::leavingWithoutSavingWritesNothing()
{
    QVERIFY(m.start(alternatingDays(2)));
    TForm1& w = *m.window;
    const QByteArray before = fileBytes(m.path);
    // A double click beside the items shows nothing.
    QTest::mouseDClick(w.LBdate->viewport(), Qt::LeftButton, {}, QPoint(5, 250));
    QVERIFY(w.mm->toPlainText().isEmpty() && !w.Bchange->isEnabled());
    for (QToolButton* startWriting : {w.Badd, w.Bchange}) {
        m.view(0);
        QVERIFY(m.click(startWriting).isEmpty());
        w.mm->setPlainText(QStringLiteral("отброшенный текст"));
        w.InWord->setText(QStringLiteral("Текст"));
        for (QToolButton* button : {w.Search, w.Today, w.ToChNum, w.AllRec})
            QCOMPARE(m.click(button), QStringList{"Cannot focus a disabled or invisible window"});
        QVERIFY(w.state().ListComplete && m.listItems().size() == 2);
        QCOMPARE(w.mm->toPlainText(), QStringLiteral("отброшенный текст"));
        QVERIFY(m.click(w.ClearSearch).isEmpty() && w.InWord->text().isEmpty());
        QVERIFY(m.click(w.Bclear).isEmpty());
        verifyNoEntryOnView();
        QVERIFY(w.mm->toPlainText().isEmpty() && w.statusText(0) == " Ожидание..." && w.statusText(1) == "0");
    }
    m.click(w.Badd);
    w.mm->setPlainText(QStringLiteral("отброшенный текст"));
    w.N14->trigger();
    QVERIFY(w.BSave1->isHidden() && w.mm->isReadOnly() && !w.mm->isEnabled() && w.mm->toPlainText().isEmpty());
    w.BSave1->click();
    QCOMPARE(fileBytes(m.path), before);
}

QTEST_MAIN(TestEntries)
#include "tst_entries.moc"
