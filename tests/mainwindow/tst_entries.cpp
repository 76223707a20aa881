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
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("adding");     // otherwise entry 5 is changed
        QTest::addColumn<QString>("refusal"); // part of the message; empty when the text is saved
        QTest::newRow("add empty") << QString() << true << QString();
        QTest::newRow("add no-break space, as typed") << "Ёлка\u00A0№ 5\nконец" << true << QString();
        QTest::newRow("add beyond Windows-1251") << "Привет 日本 😀" << true << "«😀» (U+1F600)";
        QTest::newRow("change") << "новый\u00A0текст\nстрока" << false << QString();
        QTest::newRow("change, entry cut off meanwhile") << "не сохранится" << false << "Запись не найдена";
    }
    // While text is written the list cannot take the focus, so searches are refused. Refused text stays to be
    // corrected until left unsaved: a change by "Очистить", which ends the view too, a new entry by closing.
    void savesTypedTextWholeOrNotAtAll()
    {
        QFETCH(QString, text);
        QFETCH(bool, adding);
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
        if (!adding) {
            QVERIFY(m.click(w.Bclear).isEmpty());
            verifyNoEntryOnView();
            QVERIFY(w.mm->toPlainText().isEmpty() && w.statusText(0) == " Ожидание..." && w.statusText(1) == "0");
        } else {
            w.N14->trigger();
            QVERIFY(save->isHidden() && w.mm->isReadOnly() && !w.mm->isEnabled() && w.mm->toPlainText().isEmpty());
            QVERIFY(answering({}, [save] { save->click(); }).isEmpty()); // nothing to save into now
        }
        QCOMPARE(fileBytes(m.path), before);
    }

    void deletesTheEntryOnView_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("failing"); // the RebuildStep that fails, or -1
        QTest::newRow("only entry") << 1 << -1;
        QTest::newRow("rename fails") << 3 << int(RebuildStep::Rename);
        QTest::newRow("renamed, not made safe on disk") << 3 << int(RebuildStep::FlushFolder);
    }
    // A failed rename changes nothing; once the rebuilt file is in place a failure lets go of the diary.
    void deletesTheEntryOnView()
    {
        QFETCH(int, entries);
        QFETCH(int, failing);
        QVERIFY(m.start(alternatingDays(entries)));
        TForm1& w = *m.window;
        m.view(entries / 2);
        setRebuildFaultHook([failing](RebuildStep step) {
            if (int(step) == failing)
                throw FileError(FileError::DiskFull);
        });
        QCOMPARE(m.click(w.Bdel), failing < 0 ? QStringList() : QStringList{"Disk full"});
        if (failing == int(RebuildStep::Rename)) {
            QVERIFY(m.listCount() == entries && w.state().ViewedRecord == 2 && w.Bdel->isEnabled());
        } else if (failing >= 0) {
            QVERIFY(!w.state().DiaryFile.isOpen() && m.listCount() == 0 && !w.Badd->isEnabled());
            QCOMPARE(w.statusText(0), QStringLiteral(" Нет открытых дневников"));
        } else {
            QCOMPARE(w.statusText(0), QStringLiteral(" Запись успешно удалена из базы"));
            QCOMPARE(m.listCount(), entries - 1);
            verifyNoEntryOnView();
            QVERIFY(w.mm->toPlainText().isEmpty() && !w.N13->isEnabled());
        }
    }
};

QTEST_MAIN(TestEntries)
#include "tst_entries.moc"
