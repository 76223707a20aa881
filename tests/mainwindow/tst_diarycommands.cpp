#include "diarymaker.h"

#include "dialogs/newdiarywindow.h"
#include "store/draft.h"

using namespace diarymaker;

// Adding, changing and deleting entries, the searches, "Показать все записи" and the menu commands on the open
// diary; editing is on.
class TestDiaryCommands : public QObject
{
    Q_OBJECT

    Session m;

    void verifyNoEntryOnView()
    {
        TForm1& w = *m.window;
        QCOMPARE(w.Ldate->text(), TForm1::todayCaption());
        QVERIFY(w.document().view().viewedRecord() == 0 && !w.Bchange->isEnabled() && !w.Bdel->isEnabled() &&
                w.Badd->isEnabled());
        QVERIFY(w.BSave1->isHidden() && w.BSave2->isHidden() && w.LBdate->isEnabled() && w.mm->isReadOnly());
    }

    // What a screen reader reads: a name for every control without text of its own, and the date list
    // as list items named as the rows show, `current` focused and selected.
    void verifyReadable(TForm1& w, int current)
    {
        QList<QWidget*> unlettered{w.InWord, w.DTPicker, w.mm};
        for (QToolButton* button : w.CoolBar->findChildren<QToolButton*>())
            unlettered << button;
        QCOMPARE(unlettered.size(), 3 + 11);
        for (QWidget* control : unlettered)
            QVERIFY2(!readName(control).isEmpty(), qPrintable(control->objectName()));
        QAccessibleInterface* list = QAccessible::queryAccessibleInterface(w.LBdate);
        QVERIFY(list->role() == QAccessible::List && readName(w.LBdate) == "Записи по датам");
        QCOMPARE(list->childCount(), m.listCount());
        for (int row = 0; row < m.listCount(); ++row) {
            QAccessibleInterface* item = list->child(row);
            QVERIFY(item->role() == QAccessible::ListItem && item->text(QAccessible::Name) == m.item(row));
            QVERIFY(item->parent() == list && list->indexOfChild(item) == row && list->child(row) == item);
            QVERIFY(item->state().focused == (row == current) && item->state().selected == (row == current));
        }
        QCOMPARE(list->focusChild(), list->child(current));
        QVERIFY(list->child(m.listCount()) == nullptr);
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
    // corrected until left unsaved: a change by "Очистить", which ends the view too, a new entry by closing
    // the diary and letting it go.
    void savesTypedTextWholeOrNotAtAll()
    {
        QFETCH(QString, text);
        QFETCH(bool, adding);
        QFETCH(QString, refusal);
        QVERIFY(m.start(alternatingDays(30)));
        TForm1& w = *m.window;
        const QScrollBar* bar = w.LBdate->verticalScrollBar();
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
        QVERIFY(w.document().view().listsEveryEntry() && m.click(w.ClearSearch).isEmpty() &&
                w.InWord->text().isEmpty());
        if (!adding && !refusal.isEmpty())
            QVERIFY(QFile::resize(m.path, 5 * RecordSize));
        const QByteArray before = fileBytes(m.path);
        const QStringList seen = m.click(save);
        if (refusal.isEmpty()) {
            QVERIFY(seen.isEmpty());
            QCOMPARE(w.statusText(0), adding ? " Новая запись успешно добавлена" : " Запись успешно изменена");
            QCOMPARE(entryTexts(m.path).value(adding ? 30 : 4), text);
            QCOMPARE(bar->maximum() + bar->pageStep(), adding ? 31 : 30); // every row in reach
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
            QCOMPARE(answering({"Нет"}, [&w] { w.N14->trigger(); }), QStringList{"Сохранить запись?"});
            QVERIFY(save->isHidden() && w.mm->isReadOnly() && !w.mm->isEnabled() && w.mm->toPlainText().isEmpty());
            QVERIFY(answering({}, [save] { save->click(); }).isEmpty()); // nothing to save into now
        }
        QCOMPARE(fileBytes(m.path), before);
    }

    void asksBeforeTypedTextIsLost_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("changing");  // else adding
        QTest::addColumn<QString>("answer"); // none: nothing is typed
        for (const char* command : {"close box", "Выход", "Открыть", "Создать", "Закрыть"}) {
            QTest::addRow("%s, new entry saved", command) << QString(command) << false << "Да";
            QTest::addRow("%s, change let go", command) << QString(command) << true << "Нет";
            QTest::addRow("%s, cancelled", command) << QString(command) << false << "Отмена";
            QTest::addRow("%s, change untouched", command) << QString(command) << true << QString();
        }
    }
    // Every command that would leave typed text unsaved asks first; "Отмена" (Esc alike) keeps text and mode;
    // with nothing typed nothing is asked. Neither saving nor letting go leaves a draft behind.
    void asksBeforeTypedTextIsLost()
    {
        QFETCH(QString, command);
        QFETCH(bool, changing);
        QFETCH(QString, answer);
        const bool typed = !answer.isEmpty();
        QVERIFY(m.start(alternatingDays(3)));
        TForm1& w = *m.window;
        auto* form3 = new TForm3(&w);
        w.setNewDiaryWindow(form3);
        if (changing)
            m.view(1);
        QVERIFY(m.click(changing ? w.Bchange : w.Badd).isEmpty());
        if (typed)
            w.mm->setPlainText(QStringLiteral("набрано"));
        const QByteArray before = fileBytes(m.path);
        const QStringList seen = answering({answer}, [&] {
            if (command == "close box")
                w.close();
            else
                (command == "Выход"     ? w.N4
                 : command == "Открыть" ? w.N2
                 : command == "Создать" ? w.N12
                                        : w.N14)
                    ->trigger();
        });
        const bool wentOn = answer != "Отмена";
        QStringList expected = typed ? QStringList{"Сохранить запись?"} : QStringList();
        if (command == "Открыть" && wentOn)
            expected << "OpenD"
                     << "Файл не найден"; // cancelled, and nothing chosen before
        QCOMPARE(seen, expected);
        const bool done = command == "close box" || command == "Выход" ? !w.isVisible()
                          : command == "Создать"                       ? form3->isVisible()
                          : command == "Закрыть"                       ? !w.document().isOpen()
                                                                       : seen.contains("OpenD");
        QCOMPARE(done, wentOn);
        QCOMPARE(entryTexts(m.path).mid(3), answer == "Да" ? QStringList{"набрано"} : QStringList());
        QVERIFY(answer == "Да" || fileBytes(m.path) == before);
        if (!wentOn)
            QVERIFY(w.BSave1->isVisible() && w.mm->toPlainText() == "набрано");
        else
            QVERIFY(!QFile::exists(m.path + ".draft"));
    }

    // The draft: written once typing pauses, never in clear text; offered at the next start after the program
    // stopped without a word, as the new entry or the change it was; gone when saved, cleared or refused. One
    // that the diary's key cannot read is kept aside and said so, once.
    void keepsADraftOfTypedText()
    {
        Diary diary = alternatingDays(3);
        diary.password = "ключ";
        QVERIFY(m.start(diary));
        const QString draft = m.path + ".draft";
        // Types `text` into a new entry or a change of entry 2, and stops without a word once it is kept.
        const auto typeAndStop = [&](bool changing, const QString& text) {
            if (changing)
                m.view(1);
            m.click(changing ? m.window->Bchange : m.window->Badd);
            m.window->mm->setPlainText(text);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(draft), 5000);
            QVERIFY(!fileBytes(draft).contains(text.toUtf8()) && !fileBytes(draft).contains(toCp1251(text)));
            m.window.reset();
        };
        const auto offered = [](const QStringList& seen) {
            return seen.size() == 2 && seen[1].startsWith("Найден несохранённый текст записи от ") &&
                   seen[1].endsWith(". Восстановить?");
        };

        typeAndStop(false, "новая 😀"); // a character no entry can hold is kept all the same
        QVERIFY(offered(m.launch({"ключ", "Да"})));
        QVERIFY(m.window->BSave1->isVisible() && m.window->mm->toPlainText() == "новая 😀");
        QVERIFY(m.click(m.window->Bclear).isEmpty() && !QFile::exists(draft));

        typeAndStop(true, "изменено");
        QVERIFY(offered(m.launch({"ключ", "Да"})));
        QVERIFY(m.window->BSave2->isVisible() && m.window->mm->toPlainText() == "изменено");
        QVERIFY(m.click(m.window->BSave2).isEmpty() && !QFile::exists(draft));
        QCOMPARE(entryTexts(m.path).value(1), "изменено");

        typeAndStop(false, "не нужно"); // Esc keeps it for the next time
        QVERIFY(offered(m.launch({"ключ", ""})) && QFile::exists(draft) && m.window->BSave1->isHidden());
        m.window.reset();
        QVERIFY(offered(m.launch({"ключ", "Нет"})) && !QFile::exists(draft) && m.window->BSave1->isHidden());

        // Under another key, or left by another diary made in this one's place: each kept aside.
        const QString aside = u"Несохранённый текст записи не читается с паролем этого дневника, оставлен другим "
                              u"дневником или повреждён. Он сохранён как\r"_qs;
        for (const QString& kept : {draft + ".bad", draft + ".bad.1"}) {
            m.window.reset();
            const bool another = kept.endsWith("1");
            writeDraft(m.path, {.diaryCreated = diary.created + another, .text = "чужое"},
                       another ? toCp1251(u"ключ") : QByteArray("other"));
            QCOMPARE(m.launch({"ключ"}), (QStringList{"PassDlg", aside + kept}));
            QVERIFY(QFile::exists(kept) && !QFile::exists(draft));
        }
        m.window.reset();
        QCOMPARE(m.launch({"ключ"}), QStringList{"PassDlg"});
    }

    void deletesTheEntryOnView_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("failing"); // the RebuildStep that fails, or -1
        QTest::addColumn<QStringList>("told");
        QTest::newRow("only entry") << 1 << -1 << QStringList();
        QTest::newRow("one of more than the box shows") << 30 << -1 << QStringList();
        QTest::newRow("rename fails") << 3 << int(RebuildStep::Rename) << QStringList{"Disk full"};
        QTest::newRow("renamed, not made safe on disk")
            << 3 << int(RebuildStep::FlushFolder) << QStringList{NotSafeOnFullDisk};
    }
    // A failed rename changes nothing; once the rebuilt file is in place the entry is gone, whatever fails.
    void deletesTheEntryOnView()
    {
        QFETCH(int, entries);
        QFETCH(int, failing);
        QFETCH(QStringList, told);
        QVERIFY(m.start(alternatingDays(entries)));
        TForm1& w = *m.window;
        m.view(entries / 2);
        if (failing >= 0)
            failRebuildsAt(RebuildStep(failing));
        QCOMPARE(m.click(w.Bdel), told);
        if (failing == int(RebuildStep::Rename)) {
            QVERIFY(m.listCount() == entries && w.document().view().viewedRecord() == 2 && w.Bdel->isEnabled());
        } else {
            QCOMPARE(w.statusText(0), QStringLiteral(" Запись успешно удалена из базы"));
            QCOMPARE(m.listCount(), entries - 1);
            const QScrollBar* bar = w.LBdate->verticalScrollBar(); // reaches every row; a short list fills a page
            QCOMPARE(bar->maximum() + bar->pageStep(), std::max(entries - 1, bar->pageStep()));
            verifyNoEntryOnView();
            QVERIFY(w.mm->toPlainText().isEmpty() && !w.N13->isEnabled());
        }
    }

    // While "Создать" shows its window the main window takes no input, not even a click from the window system.
    // Menu marks enable controls, saving nothing; "Изменить" and "Удалить" need editing and an entry viewed, not
    // changed. "Показать все записи" ends the view of an entry; adding from a day's search brings the date picker
    // to today. Keys and typing move the selection, a double click beside the rows views it, an unreadable row
    // says so.
    void menusSearchesAndKeys()
    {
        Diary diary = alternatingDays(4);
        const QDate today = QDate::currentDate();
        diary.stamps << dateTimeToStamp(today.startOfDay());
        diary.created = stampOf(2026, 1, 15, 0, 5, 59);
        QVERIFY(m.start(diary));
        TForm1& w = *m.window;
        auto* form3 = new TForm3(&w);
        w.setNewDiaryWindow(form3);
        const auto clickAdd = [&w] {
            QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {}, w.Badd->mapTo(&w, w.Badd->rect().center()));
        };
        QVERIFY(m.trigger(w.N12).isEmpty() && form3->isVisible() && form3->isEnabled() && !w.takesInput());
        clickAdd();
        QVERIFY(w.BSave1->isHidden() && w.statusText(0) == " Ожидание...");
        form3->close();
        QVERIFY(!form3->isVisible() && w.takesInput());
        clickAdd();
        QVERIFY(w.BSave1->isVisible() && m.click(w.Bclear).isEmpty());
        QCOMPARE(m.trigger(w.N7),
                 QStringList{"Файл: d.qnb\rКоличество записей в дневнике: 5\rСоздан: 15.01.2026 (0ч 5мин)"});
        const QByteArray settings = fileBytes(w.settingsPath());
        for (bool mark : {false, true}) {
            QVERIFY(m.trigger(w.N19).isEmpty() && m.trigger(w.N20).isEmpty());
            QVERIFY(w.N19->isChecked() == mark && w.N20->isChecked() == mark && w.AllRec->isEnabled());
            QVERIFY(w.DTPicker->isEnabled() == mark && w.InWord->isEnabled() == mark);
        }
        QTest::mouseDClick(w.LBdate->viewport(), Qt::LeftButton, {}, QPoint(5, 250)); // beside the rows, none selected
        QVERIFY(w.mm->toPlainText().isEmpty() && !w.N13->isEnabled());
        // Each step, then whether the buttons are enabled.
        const auto buttonsAre = [&w](bool on) { return w.Bchange->isEnabled() == on && w.Bdel->isEnabled() == on; };
        const std::pair<QObject*, bool> steps[] = {
            {w.N10, false}, {w.N10, false},     {w.LBdate, true}, {w.N10, false}, {w.LBdate, false},
            {w.N10, true},  {w.Bchange, false}, {w.N10, false},   {w.N10, false}, {w.BSave2, true}};
        for (const auto& [control, on] : steps) {
            if (auto* item = qobject_cast<QAction*>(control))
                m.trigger(item);
            else if (control == w.LBdate)
                m.view(0);
            else
                m.click(static_cast<QToolButton*>(control));
            QVERIFY2(buttonsAre(on) && w.document().view().editAllowed() == w.N10->isChecked(),
                     qPrintable(control->objectName()));
        }
        QCOMPARE(w.statusText(1), QStringLiteral("13"));
        QCOMPARE(m.trigger(w.N13), QStringList{QStringLiteral("Количество символов данной записи: 13")});
        QCOMPARE(fileBytes(w.settingsPath()), settings);

        // The messages, then the status, of a click on `button` with the date picker at `day`.
        const auto clickAt = [&](QToolButton* button, const QDate& day) {
            w.DTPicker->setDate(day);
            return (m.click(button) << w.statusText(0)).join(u'|');
        };
        QCOMPARE(clickAt(w.ToChNum, QDate(2024, 3, 1)), "01.03.2024 Найдено записей: 2");
        QCOMPARE(clickAt(w.ToChNum, QDate(2024, 3, 3)), "03.03.2024 Записей нет!");
        QCOMPARE(m.listCount(), 0);
        QCOMPARE(clickAt(w.Today, QDate(2024, 3, 1)), shortDateText(today) + " Найдено записей: 1");
        QVERIFY(m.listCount() == 1 && m.item(0) == shortDateText(today) && w.DTPicker->date() == today);

        w.InWord->setText(QStringLiteral("общее"));
        QCOMPARE(clickAt(w.Search, today), " Найдено записей: 2");
        QCOMPARE(m.view(1), QStringLiteral("Текст 3 общее"));
        QCOMPARE(clickAt(w.AllRec, QDate(2024, 3, 1)), "Всего записей: 5");
        QVERIFY(w.Ldate->text() == TForm1::todayCaption() && w.DTPicker->date() == today);
        QVERIFY(!w.Bchange->isEnabled() && !w.Bdel->isEnabled() && w.mm->toPlainText() == "Текст 3 общее");

        QVERIFY(clickAt(w.ToChNum, QDate(2024, 3, 2)).startsWith("02.03.2024") && m.click(w.Badd).isEmpty());
        w.mm->setPlainText(QStringLiteral("Новая запись"));
        QVERIFY(m.click(w.BSave1).isEmpty() && w.DTPicker->date() == today && m.listCount() == 6);

        QCOMPARE(w.SBar->findChild<QLabel*>("SBarPanel0")->width(), qRound(w.frameGeometry().width() * 0.45));
        w.activateWindow(); // the windows shown and closed above left none active
        QVERIFY(QTest::qWaitForWindowActive(&w));
        auto* list = w.LBdate;
        list->setFocus();
        const auto selectedRow = [list] {
            const QModelIndexList rows = list->selectionModel()->selectedIndexes();
            return rows.size() == 1 && rows.first() == list->currentIndex() ? rows.first().row() : -1;
        };
        const std::pair<Qt::Key, int> moves[] = {
            {Qt::Key_End, 5}, {Qt::Key_Home, 0}, {Qt::Key_Down, 1}, {Qt::Key_PageDown, 5}, {Qt::Key_Up, 4}};
        for (const auto& [key, row] : moves) {
            QTest::keyClick(list, key);
            QCOMPARE(selectedRow(), row);
        }
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClicks(list, "02");
        QCOMPARE(selectedRow(), 1);
        verifyReadable(w, 1);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(w.mm->toPlainText() == QStringLiteral("Текст 2") && w.Ldate->text() == m.item(1));
        QTest::keyClick(list, Qt::Key_Home);
        const QPoint beside(5, list->visualRect(list->model()->index(5, 0)).bottom() + 20);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, beside);
        QCOMPARE(w.mm->toPlainText(), QStringLiteral("Текст 1 общее"));

        QVERIFY(QFile::resize(m.path, 4 * RecordSize));
        QCOMPARE(answering({}, [&] { m.view(4); }), QStringList{"Read beyond end of file"});
        QCOMPARE(w.mm->toPlainText(), QStringLiteral("Текст 1 общее"));
        m.trigger(w.N14);
        QVERIFY(buttonsAre(false) && m.trigger(w.N4).isEmpty() && !w.isVisible());
    }
};

QTEST_MAIN(TestDiaryCommands)
#include "tst_diarycommands.moc"
