#include "diarymaker.h"

#include "store/rebuild.h"

using namespace diarymaker;

// Adding, changing and deleting entries; the window runs with editing on.
class TestEntries : public QObject
{
    Q_OBJECT

    Session m;

    void verifyNoEntryOnView()
    {
        TForm1& w = *m.window;
        QCOMPARE(w.Ldate->text(), TForm1::todayCaption());
        QVERIFY(w.state().ViewedRecord == 0 && !w.Bchange->isEnabled() && !w.Bdel->isEnabled() && w.Badd->isEnabled());
        QVERIFY(w.BSave1->isHidden() && w.BSave2->isHidden() && w.LBdate->isEnabled() && w.mm->isReadOnly());
    }

private slots:
    void cleanup()
    {
        setRebuildFaultHook({});
        m.close();
    }

    void savesTypedTextWholeOrNotAtAll_data()
    {
        QTest::addColumn<bool>("adding"); // otherwise entry 5 is changed
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("clearing");   // after a refusal: "Очистить", or else closing the diary
        QTest::addColumn<QString>("refusal"); // part of the message; empty when the text is saved
        QTest::newRow("add empty") << true << QString() << false << QString();
        QTest::newRow("add no-break space, as typed") << true << "Ёлка\u00A0№ 5\nконец" << false << QString();
        QTest::newRow("add, line break counted twice") << true << QString(5099, u'a') + "\n" << true << "5100";
        QTest::newRow("add beyond Windows-1251") << true << "Привет 日本 😀" << false << "«😀» (U+1F600)";
        QTest::newRow("change") << false << "новый\u00A0текст\nстрока" << false << QString();
        QTest::newRow("change, entry cut off meanwhile") << false << "не сохранится" << true << "Запись не найдена";
    }
    // While text is being written the list and its searches are refused, as the list cannot take the
    // focus. Text refused stays for the person to correct, until they leave it unsaved.
    void savesTypedTextWholeOrNotAtAll()
    {
        QFETCH(bool, adding);
        QFETCH(QString, text);
        QFETCH(bool, clearing);
        QFETCH(QString, refusal);
        QVERIFY(m.start(alternatingDays(6)));
        TForm1& w = *m.window;
        if (!adding)
            m.view(4);
        QToolButton* save = adding ? w.BSave1 : w.BSave2;
        QVERIFY(m.click(adding ? w.Badd : w.Bchange).isEmpty());
        QVERIFY(save->isVisible() && !w.LBdate->isEnabled() && !w.mm->isReadOnly() && !w.Badd->isEnabled());
        QVERIFY(!w.Bchange->isEnabled() && !w.Bdel->isEnabled());
        w.mm->setPlainText(text);
        w.InWord->setText(QStringLiteral("Текст"));
        for (QToolButton* button : {w.Search, w.Today, w.ToChNum, w.AllRec})
            QCOMPARE(m.click(button), QStringList{"Cannot focus a disabled or invisible window"});
        QVERIFY(w.state().ListComplete && m.click(w.ClearSearch).isEmpty() && w.InWord->text().isEmpty());
        if (!adding && !refusal.isEmpty())
            QVERIFY(QFile::resize(m.path, 5 * RecordSize));
        const QByteArray before = fileBytes(m.path);
        const QStringList seen = m.click(save);
        if (refusal.isEmpty()) {
            QVERIFY(seen.isEmpty());
            QCOMPARE(w.statusText(0), adding ? " Новая запись успешно добавлена" : " Запись успешно изменена");
            QCOMPARE(w.document().readEntry(adding ? 7 : 5).text, text);
            if (adding)
                verifyNoEntryOnView();
            else
                QVERIFY(w.Bchange->isEnabled() && w.Bdel->isEnabled() && w.BSave2->isHidden() && w.LBdate->isEnabled());
            return;
        }
        QVERIFY2(seen.size() == 1 && seen.first().contains(refusal), qPrintable(seen.join(" | ")));
        QVERIFY(save->isVisible() && !w.mm->isReadOnly() && w.mm->toPlainText() == text);
        if (clearing) {
            QVERIFY(m.click(w.Bclear).isEmpty());
            verifyNoEntryOnView();
            QVERIFY(w.mm->toPlainText().isEmpty() && w.statusText(0) == " Ожидание..." && w.statusText(1) == "0");
        } else {
            w.N14->trigger();
            QVERIFY(save->isHidden() && w.mm->isReadOnly() && !w.mm->isEnabled() && w.mm->toPlainText().isEmpty());
            save->click();
        }
        QCOMPARE(fileBytes(m.path), before);
    }

    void deletesTheEntryOnView_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<bool>("search"); // the list shows the records found by a word search: 1, 3 and 5
        QTest::addColumn<int>("failing"); // the RebuildStep that fails, or -1
        QTest::newRow("only entry") << 1 << false << -1;
        QTest::newRow("word search") << 6 << true << -1;
        QTest::newRow("rename fails") << 3 << false << int(RebuildStep::Rename);
        QTest::newRow("renamed, not made safe on disk") << 3 << false << int(RebuildStep::FlushFolder);
    }
    // A failed rename leaves everything as it was. Once the rebuilt file has taken the diary's place, a
    // failure to make that safe on disk lets go of the diary rather than show a stale list.
    void deletesTheEntryOnView()
    {
        QFETCH(int, entries);
        QFETCH(bool, search);
        QFETCH(int, failing);
        QVERIFY(m.start(alternatingDays(entries)));
        TForm1& w = *m.window;
        w.InWord->setText(search ? QStringLiteral("общее") : QString());
        QVERIFY(!search || m.click(w.Search).isEmpty());
        const int row = entries == 1 ? 0 : 1;
        const int rows = m.listCount();
        m.view(row);
        setRebuildFaultHook([failing](RebuildStep step) {
            if (int(step) == failing)
                throw FileError(FileError::DiskFull);
        });
        QCOMPARE(m.click(w.Bdel), failing < 0 ? QStringList() : QStringList{"Disk full"});
        if (failing == int(RebuildStep::Rename)) {
            QVERIFY(m.listCount() == rows && w.state().ViewedRecord == 2 && w.Bdel->isEnabled());
        } else if (failing >= 0) {
            QVERIFY(!w.state().DiaryFile.isOpen() && m.listCount() == 0 && !w.Badd->isEnabled());
            QCOMPARE(w.statusText(0), QStringLiteral(" Нет открытых дневников"));
        } else {
            QCOMPARE(w.statusText(0), QStringLiteral(" Запись успешно удалена из базы"));
            QCOMPARE(m.listCount(), rows - 1);
            verifyNoEntryOnView();
            QVERIFY(w.mm->toPlainText().isEmpty() && !w.N13->isEnabled());
        }
    }
};

QTEST_MAIN(TestEntries)
#include "tst_entries.moc"
