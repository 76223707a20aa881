#include "diarymaker.h"

#include "store/draft.h"
#include "store/entrycodec.h"
#include "widgets/dayclock.h"
#include "windows/newdiarywindow.h"

using namespace diarymaker;

// Adding, changing and deleting entries, the searches, "Показать все записи" and the menu commands on the open
// diary; editing is on.
class TestDiaryCommands : public QObject
{
    Q_OBJECT

    Session m;

    bool changeAndDeleteEnabled() const { return m.button("Bchange")->isEnabled() && m.button("Bdel")->isEnabled(); }

    void verifyNoEntryOnView()
    {
        QCOMPARE(m.find<QLabel>("Ldate")->text(), MainWindow::todayCaption());
        QVERIFY(m.window->document().view().viewedRecord() == 0 && !changeAndDeleteEnabled() &&
                m.button("Badd")->isEnabled() && m.button("BSave1")->isHidden() && m.button("BSave2")->isHidden() &&
                m.dateList()->isEnabled() && m.textBox()->isReadOnly());
    }

    // The messages, then the status, of a click on `button` with the date picker at `day`.
    QString clickAt(const char* button, const QDate& day)
    {
        m.find<QDateEdit>("DTPicker")->setDate(day);
        return (m.click(button) << m.status(0)).join(u'|');
    }

private slots:
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
        const QScrollBar* bar = m.dateList()->verticalScrollBar();
        if (!adding)
            m.view(4);
        QAbstractButton* save = m.button(adding ? "BSave1" : "BSave2");
        QVERIFY(m.click(adding ? "Badd" : "Bchange").isEmpty());
        QVERIFY(save->isVisible() && !m.dateList()->isEnabled() && !m.textBox()->isReadOnly() &&
                !m.button("Badd")->isEnabled() && !changeAndDeleteEnabled());
        m.textBox()->setPlainText(text);
        m.find<QLineEdit>("InWord")->setText(QStringLiteral("Текст"));
        for (const char* button : {"Search", "Today", "ToChNum", "AllRec"})
            QCOMPARE(m.click(button), QStringList{"Cannot focus a disabled or invisible window"});
        QVERIFY(m.window->document().view().listsEveryEntry() && m.click("ClearSearch").isEmpty() &&
                m.find<QLineEdit>("InWord")->text().isEmpty());
        if (!adding && !refusal.isEmpty())
            QVERIFY(QFile::resize(m.path, 5 * RecordSize));
        const QByteArray before = fileBytes(m.path);
        const QStringList seen = m.click(save);
        if (refusal.isEmpty()) {
            QVERIFY(seen.isEmpty());
            QCOMPARE(m.status(0), adding ? " Новая запись успешно добавлена" : " Запись успешно изменена");
            QCOMPARE(entryTexts(m.path).value(adding ? 30 : 4), text);
            QCOMPARE(bar->maximum() + bar->pageStep(), adding ? 31 : 30); // every row in reach
            if (adding)
                verifyNoEntryOnView();
            else
                QVERIFY(changeAndDeleteEnabled() && save->isHidden() && m.dateList()->isEnabled());
            return;
        }
        QVERIFY2(seen.size() == 1 && seen.first().contains(refusal), qPrintable(seen.join(" | ")));
        QVERIFY(save->isVisible() && !m.textBox()->isReadOnly() && m.textBox()->toPlainText() == text);
        if (!adding) {
            QVERIFY(m.click("Bclear").isEmpty());
            verifyNoEntryOnView();
            QVERIFY(m.textBox()->toPlainText().isEmpty() && m.status(0) == " Ожидание..." && m.status(1) == "0");
        } else {
            QCOMPARE(m.trigger("N14", {"Нет"}), QStringList{"Сохранить запись?"});
            QVERIFY(save->isHidden() && m.textBox()->isReadOnly() && !m.textBox()->isEnabled() &&
                    m.textBox()->toPlainText().isEmpty());
            QVERIFY(answering({}, [save] { save->click(); }).isEmpty()); // nothing to save into now
        }
        QCOMPARE(fileBytes(m.path), before);
    }

    void asksBeforeTypedTextIsLost_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("way");    // the close box, the menu item or the keys
        QTest::addColumn<bool>("changing");  // else adding
        QTest::addColumn<QString>("answer"); // none: nothing is typed
        const char* const ways[][3] = {{"Выход", "close box", "Ctrl+Q"}, {"Выход", "N4", nullptr},
                                       {"Открыть", "N2", "Ctrl+O"},      {"Создать", "N12", "Ctrl+Shift+N"},
                                       {"Закрыть", "N14", "Ctrl+W"},     {"Очистить", nullptr, "Ctrl+L"}};
        for (const auto& [command, item, keys] : ways) {
            for (const char* way : {item, keys}) {
                if (!way)
                    continue;
                QTest::addRow("%s, new entry saved", way) << command << way << false << "Да";
                QTest::addRow("%s, change let go", way) << command << way << true << "Нет";
                QTest::addRow("%s, cancelled", way) << command << way << false << "Отмена";
                if (way == item)
                    QTest::addRow("%s, change untouched", way) << command << way << true << QString();
            }
        }
        QTest::addRow("Esc in the text") << QString("Esc") << QString("Esc") << false << QString("Отмена");
    }
    // Every command that would leave typed text unsaved asks first, from the menu or the keys alike; "Отмена" (Esc
    // alike) keeps text and mode; with nothing typed nothing is asked. Neither saving nor letting go leaves a draft
    // behind. Esc in the text box neither asks nor clears.
    void asksBeforeTypedTextIsLost()
    {
        QFETCH(QString, command);
        QFETCH(QString, way);
        QFETCH(bool, changing);
        QFETCH(QString, answer);
        const bool typed = !answer.isEmpty();
        QVERIFY(m.start(alternatingDays(3)));
        MainWindow& w = *m.window;
        w.setNewDiaryWindow(new NewDiaryWindow(m.dir->path(), &w));
        if (changing)
            m.view(1);
        QVERIFY(m.click(changing ? "Bchange" : "Badd").isEmpty());
        if (typed)
            m.textBox()->setPlainText(QStringLiteral("набрано"));
        const QByteArray before = fileBytes(m.path);
        QVERIFY(m.activate());
        const QStringList seen = answering({answer}, [&] {
            if (way == "close box")
                w.close();
            else if (way.startsWith('N'))
                m.menuItem(way)->trigger();
            else
                QTest::keySequence(m.textBox(), QKeySequence(way));
        });
        const bool wentOn = answer != "Отмена" && command != "Esc";
        QStringList expected = typed && command != "Esc" ? QStringList{"Сохранить запись?"} : QStringList();
        if (command == "Открыть" && wentOn)
            expected << "OpenD"
                     << "Файл не найден"; // cancelled, and nothing chosen before
        QCOMPARE(seen, expected);
        const bool done = command == "Выход"     ? !w.isVisible()
                          : command == "Создать" ? w.findChild<NewDiaryWindow*>()->isVisible()
                          : command == "Закрыть" ? !w.document().isOpen()
                          : command == "Очистить"
                              ? m.textBox()->toPlainText().isEmpty() && m.button("BSave1")->isHidden()
                              : seen.contains("OpenD");
        QCOMPARE(done, wentOn);
        QCOMPARE(entryTexts(m.path).mid(3), answer == "Да" ? QStringList{"набрано"} : QStringList());
        QVERIFY(answer == "Да" || fileBytes(m.path) == before);
        QVERIFY(wentOn ? !QFile::exists(m.path + ".draft")
                       : m.button("BSave1")->isVisible() && m.textBox()->toPlainText() == "набрано");
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
        // Types `text` into a new entry or a change of entry 2 and waits till it is kept.
        const auto type = [&](bool changing, const QString& text) {
            if (changing)
                m.view(1);
            m.click(changing ? "Bchange" : "Badd");
            m.textBox()->setPlainText(text);
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(draft), 5000);
            QVERIFY(!fileBytes(draft).contains(text.toUtf8()) && !fileBytes(draft).contains(toCp1251(text)));
        };
        // Whether the program, stopped without a word and started again, offers the text back.
        const auto offered = [this](const QString& answer) {
            const QStringList seen = m.launch({"ключ", answer});
            return seen.size() == 2 && seen[1].startsWith("Найден несохранённый текст записи от ") &&
                   seen[1].endsWith(". Восстановить?");
        };

        type(false, "новая 😀"); // a character no entry can hold is kept all the same
        QVERIFY(offered("Да") && m.button("BSave1")->isVisible() && m.textBox()->toPlainText() == "новая 😀");
        QVERIFY(m.click("Bclear").isEmpty() && !QFile::exists(draft));

        type(true, "изменено");
        QVERIFY(offered("Да") && m.button("BSave2")->isVisible() && m.textBox()->toPlainText() == "изменено");
        QVERIFY(m.click("BSave2").isEmpty() && !QFile::exists(draft) && entryTexts(m.path).value(1) == "изменено");

        type(false, "не нужно"); // Esc keeps it for the next time
        QVERIFY(offered("") && QFile::exists(draft) && m.button("BSave1")->isHidden());
        QVERIFY(offered("Нет") && !QFile::exists(draft) && m.button("BSave1")->isHidden());

        // Under another key, or left by another diary made in this one's place: each kept aside.
        const QString aside = u"Несохранённый текст записи не читается с паролем этого дневника, оставлен другим "
                              u"дневником или повреждён. Он сохранён как\r"_qs;
        for (const QString& kept : {draft + ".bad", draft + ".bad.1"}) {
            m.window.reset();
            const bool another = kept.endsWith("1");
            writeDraft(m.path, {.diaryCreated = diary.created + another, .text = "чужое"},
                       ScrambledText(another ? toCp1251(u"ключ") : QByteArray("other")));
            QCOMPARE(m.launch({"ключ"}), (QStringList{"PassDlg", aside + kept}));
            QVERIFY(QFile::exists(kept) && !QFile::exists(draft));
        }
        QCOMPARE(m.launch({"ключ"}), QStringList{"PassDlg"});
    }

    // A sync tool puts another copy of the diary in its place while an entry is written: the save says so and
    // keeps the text and its draft; the next save opens the diary as it now is and saves the text there, and
    // "Открыть" of the path opens it too, never taking it for the open diary. A journal planted beside it is not.
    void keepsTypedTextWhenTheDiaryIsReplaced()
    {
        QVERIFY(m.start(alternatingDays(3)) && m.click("Badd").isEmpty());
        m.textBox()->setPlainText(QStringLiteral("набрано"));
        const QString copy = writeDiary(m.file("copy.qnb"), alternatingDays(2));
        QVERIFY(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(m.path).constData()) == 0);
        const QStringList seen = m.click("BSave1");
        QVERIFY(seen.size() == 1 && seen.first().startsWith("Файл дневника заменён") &&
                m.button("BSave1")->isVisible() && m.textBox()->toPlainText() == "набрано");
        QTRY_VERIFY(QFile::exists(m.path + ".draft"));
        QVERIFY(m.click("BSave1").isEmpty() && !QFile::exists(m.path + ".draft") && m.listCount() == 3);
        QCOMPARE(entryTexts(m.path), QStringList({"Текст 1 общее", "Текст 2", "набрано"}));

        writeDiary(m.file("copy.qnb"), alternatingDays(1));
        QVERIFY(::rename(QFile::encodeName(copy).constData(), QFile::encodeName(m.path).constData()) == 0);
        QVERIFY(m.trigger("N2", {m.path}) == QStringList{"OpenD"} && m.listCount() == 1 && m.trigger("N14").isEmpty());

        // A change journal beside the diary that anybody may write is never applied; the person is told of it at
        // the first opening only.
        const QString journal = m.path + ".journal";
        writeFileBytes(journal, "planted");
        QVERIFY(QFile::setPermissions(journal, QFile::ReadOwner | QFile::WriteOwner | QFile::WriteOther));
        const QStringList told = m.trigger("N2", {m.path});
        QVERIFY(told.size() == 2 && told[1].startsWith("Рядом с дневником лежит файл журнала изменений") &&
                told[1].endsWith(journal));
        QVERIFY(m.trigger("N14").isEmpty() && m.trigger("N2", {m.path}) == QStringList{"OpenD"});
        QVERIFY(fileBytes(journal) == "planted" && m.listCount() == 1);
    }

    void deletesTheEntryOnView_data()
    {
        QTest::addColumn<int>("entries");
        QTest::addColumn<int>("failing"); // the ReplaceStep that fails, or -1
        QTest::addColumn<QStringList>("told");
        QTest::newRow("only entry") << 1 << -1 << QStringList();
        QTest::newRow("one of more than the box shows") << 30 << -1 << QStringList();
        QTest::newRow("rename fails") << 3 << int(ReplaceStep::Exchange) << QStringList{"Disk full"};
        QTest::newRow("renamed, not made safe on disk")
            << 3 << int(ReplaceStep::FlushFolder) << QStringList{NotSafeOnFullDisk};
    }
    // A failed rename changes nothing; once the rebuilt file is in place the entry is gone, whatever fails.
    void deletesTheEntryOnView()
    {
        QFETCH(int, entries);
        QFETCH(int, failing);
        QFETCH(QStringList, told);
        QVERIFY(m.start(alternatingDays(entries)));
        const QScrollBar* bar = m.dateList()->verticalScrollBar(); // opened on the newest entries, none selected
        QVERIFY(bar->value() == bar->maximum() && !m.dateList()->selectionModel()->hasSelection());
        m.view(entries / 2);
        const QString label = m.rowText(entries / 2);
        if (failing >= 0)
            failReplacementsAt(ReplaceStep(failing));
        QCOMPARE(m.click("Bdel"), told);
        if (failing == int(ReplaceStep::Exchange)) {
            QVERIFY(m.listCount() == entries && m.window->document().view().viewedRecord() == 2 &&
                    m.button("Bdel")->isEnabled());
            return;
        }
        QCOMPARE(m.status(0), " Запись от " + label + " удалена. Отменить: Ctrl+Z");
        QCOMPARE(m.listCount(), entries - 1);
        // The bar reaches every row; a short list fills a page.
        QCOMPARE(bar->maximum() + bar->pageStep(), std::max(entries - 1, bar->pageStep()));
        verifyNoEntryOnView();
        QVERIFY(m.textBox()->toPlainText().isEmpty() && !m.menuItem("N13")->isEnabled());
    }

    // Keys and typing move the selection in the list; Enter, and a double click beside the rows, view the row
    // selected, and nothing while none is. "О дневнике" names the file, the number of entries and when the diary was
    // made; the status bar and "Статистика" count the characters on view as the file stores them; the first panel
    // takes 45 % of the window's outer width. A day's search and the today button list that day's entries, today's
    // bringing the date picker to today; a word search lists what it finds; "Показать все записи" and a new entry
    // list every entry again, the first ending the view but not the text, and bring the picker to today. Past
    // midnight the window shows the new day where it shows today and the picker reaches it; the day picked and the
    // label of an entry on view stay. An entry that cannot be read is said so, and the one on view stays.
    void tellsAboutTheDiaryAndFindsEntries()
    {
        Diary diary = alternatingDays(4); // and a fifth entry saved at today's midnight
        diary.stamps << dateTimeToStamp(QDate::currentDate().startOfDay());
        diary.created = stampOf(2026, 1, 15, 0, 5, 59);
        QVERIFY(m.start(diary));
        QAbstractItemView* list = m.dateList();
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, QPoint(5, 250)); // beside the rows, none selected
        QVERIFY(m.textBox()->toPlainText().isEmpty() && !m.menuItem("N13")->isEnabled() && m.activate());
        list->setFocus();
        const auto selectedRow = [list] {
            const QModelIndexList rows = list->selectionModel()->selectedIndexes();
            return rows.size() == 1 && rows.first() == list->currentIndex() ? rows.first().row() : -1;
        };
        const std::pair<Qt::Key, int> moves[] = {
            {Qt::Key_Down, 0},     {Qt::Key_End, 4}, {Qt::Key_Home, 0}, {Qt::Key_Down, 1},
            {Qt::Key_PageDown, 4}, {Qt::Key_Up, 3}}; // a first key, with no row current yet, goes to the first row
        for (const auto& [key, row] : moves) {
            QTest::keyClick(list, key);
            QCOMPARE(selectedRow(), row);
        }
        QTest::keyClick(list, Qt::Key_Home);
        QTest::keyClicks(list, "02");
        QCOMPARE(selectedRow(), 1);
        QTest::keyClick(list, Qt::Key_Return);
        QVERIFY(m.textBox()->toPlainText() == QStringLiteral("Текст 2") &&
                m.find<QLabel>("Ldate")->text() == m.rowText(1));
        QTest::keyClick(list, Qt::Key_Home);
        const QPoint beside(5, list->visualRect(list->model()->index(4, 0)).bottom() + 20);
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, beside);
        QVERIFY(m.textBox()->toPlainText() == QStringLiteral("Текст 1 общее") && m.status(1) == "13");
        QCOMPARE(m.trigger("N7"),
                 QStringList{"Файл: d.qnb\rКоличество записей в дневнике: 5\rСоздан: 15.01.2026 (0ч 5мин)"});
        QCOMPARE(m.trigger("N13"), QStringList{QStringLiteral("Количество символов данной записи: 13")});
        QCOMPARE(m.find<QLabel>("SBarPanel0")->width(), qRound(m.window->frameGeometry().width() * 0.45));
        // Near the limit the count says what remains, past it what is too much, in red; all of it shows.
        auto* count = m.find<QLabel>("SBarPanel1");
        m.click("Bchange");
        const std::pair<int, const char*> counts[] = {
            {4999, "4999"}, {5000, "5000, осталось 100"}, {5100, "5100, осталось 0"}, {5101, "5101, лишних 1"}};
        for (const auto& [length, shown] : counts) {
            m.textBox()->setPlainText(QString(length, u'я'));
            QVERIFY(count->text() == shown && count->contentsRect().width() >= count->sizeHint().width() - 6);
        }
        QVERIFY(count->palette().color(QPalette::WindowText) == Qt::red);
        m.textBox()->setPlainText(QStringLiteral("Текст 1 общее"));
        m.click("BSave2");

        const QDate today = QDate::currentDate();
        auto* picker = m.find<QDateEdit>("DTPicker");
        QVERIFY(clickAt("ToChNum", QDate(2024, 3, 3)) == "03.03.2024 Записей нет!" && m.listCount() == 0);
        QCOMPARE(clickAt("Today", QDate(2024, 3, 1)), shortDateText(today) + " Найдено записей: 1");
        QVERIFY(m.rowText(0) == shortDateText(today) && picker->date() == today);

        m.find<QLineEdit>("InWord")->setText(QStringLiteral("общее"));
        QCOMPARE(clickAt("Search", today), " Найдено записей: 2");
        QCOMPARE(m.view(1), QStringLiteral("Текст 3 общее"));
        QCOMPARE(clickAt("AllRec", QDate(2024, 3, 1)), "Всего записей: 5");
        QVERIFY(m.find<QLabel>("Ldate")->text() == MainWindow::todayCaption() && picker->date() == today);
        QVERIFY(!changeAndDeleteEnabled() && m.textBox()->toPlainText() == "Текст 3 общее");

        // Two entries of a day, apart in the file.
        QCOMPARE(clickAt("ToChNum", QDate(2024, 3, 1)), "01.03.2024 Найдено записей: 2");
        QVERIFY(m.listCount() == 2 && picker->date() == QDate(2024, 3, 1) && m.click("Badd").isEmpty());
        m.textBox()->setPlainText(QStringLiteral("Новая запись"));
        QVERIFY(m.click("BSave1").isEmpty() && picker->date() == today && m.listCount() == 6);

        auto* clock = m.window->findChild<DayClock*>("dayClock");
        const QDate tomorrow = today.addDays(1), later = today.addDays(2);
        picker->setDate(QDate(2024, 3, 1));
        clock->setClock([tomorrow] { return tomorrow.startOfDay(); });
        QVERIFY(m.button("Today")->text() == shortDateText(tomorrow) && picker->maximumDate() == tomorrow &&
                picker->date() == QDate(2024, 3, 1) &&
                m.find<QLabel>("Ldate")->text() == MainWindow::todayCaption(tomorrow));
        m.view(0);
        clock->setClock([later] { return later.startOfDay().addSecs(5); });
        QVERIFY(m.find<QLabel>("Ldate")->text() == m.rowText(0) && m.button("Today")->text() == shortDateText(later));
        QCOMPARE(clickAt("Today", QDate(2024, 3, 1)), shortDateText(later) + " Записей нет!");
        QVERIFY(m.click("AllRec").isEmpty() && m.view(0) == QStringLiteral("Текст 1 общее"));
        QVERIFY(QFile::resize(m.path, 4 * RecordSize));
        QCOMPARE(answering({}, [&] { m.view(3); }), QStringList{"Read beyond end of file"});
        QCOMPARE(m.textBox()->toPlainText(), QStringLiteral("Текст 1 общее"));
    }

    void everyToolBarCommandHasKeys_data()
    {
        // The button, its keys, the editor's state ("listed", "viewing", "adding" or "changing"), the control with
        // the focus, and whether the keys press the button there.
        QTest::addColumn<QString>("row");
        for (const char* row :
             {"Badd Ctrl+N listed LBdate 1", "Badd Ctrl+N adding mm 0", // hidden under the save
              "BSave1 Ctrl+S adding mm 1", "BSave2 Ctrl+S changing mm 1", "BSave1 Ctrl+S viewing LBdate 0",
              "Bchange F2 viewing LBdate 1", "Bdel Del viewing LBdate 1",
              "Bdel Del viewing mm 0", // Delete is the text's own key everywhere else
              "Bdel Del viewing InWord 0", "Bclear Ctrl+L viewing mm 1", "Search F3 listed InWord 1",
              "ClearSearch Ctrl+Shift+F listed mm 1", "ToChNum Ctrl+D listed LBdate 1", "Today Ctrl+T adding mm 1",
              "AllRec F5 listed DTPicker 1"})
            QTest::newRow(row) << QString(row);
    }
    // The keys press a tool bar button where the mouse could, and only there; its tool tip names them. What each
    // command then does is its button's.
    void everyToolBarCommandHasKeys()
    {
        QFETCH(QString, row);
        const QStringList f = row.split(' ');
        const QString &button = f[0], &keys = f[1], &state = f[2], &focus = f[3];
        QVERIFY(m.start(alternatingDays(3)) && m.activate());
        if (state != "listed")
            m.view(1);
        if (state == "adding" || state == "changing")
            m.click(state == "adding" ? "Badd" : "Bchange");
        QSignalSpy pressed(m.button(button), &QAbstractButton::clicked);
        QWidget* field = m.find(focus);
        field->setFocus();
        answering({},
                  [&] { QTest::keySequence(field->focusProxy() ? field->focusProxy() : field, QKeySequence(keys)); });
        QVERIFY(pressed.size() == f[4].toInt() && m.button(button)->toolTip().endsWith(" (" + keys + ")"));
    }

    // The search marks enable their controls; "Показать все записи" stays. "Изменить" and "Удалить" need the
    // editing mark and an entry viewed, not one being changed; the document follows the mark. No mark saves
    // anything. Tab goes through the tool bar from left to right, then the text and the list, over whatever is
    // disabled or hidden. Every menu and item has a letter of its own within its menu; F10 opens the first menu.
    void controlsFollowTheMarksAndTheKeyboard()
    {
        QVERIFY(m.start(alternatingDays(3)) && m.activate());
        const QByteArray settings = fileBytes(m.window->settingsPath());
        for (bool mark : {false, true}) {
            QVERIFY(m.trigger("N19").isEmpty() && m.trigger("N20").isEmpty());
            QVERIFY(m.menuItem("N19")->isChecked() == mark && m.menuItem("N20")->isChecked() == mark);
            QVERIFY(m.find("DTPicker")->isEnabled() == mark && m.find("InWord")->isEnabled() == mark);
            QVERIFY(m.button("AllRec")->isEnabled());
        }
        const char* const view = "view";
        const std::pair<const char*, bool> steps[] = {
            {"N10", false}, {"N10", false},     {view, true},   {"N10", false}, {view, false},
            {"N10", true},  {"Bchange", false}, {"N10", false}, {"N10", false}, {"BSave2", true}};
        for (const auto& [step, enabled] : steps) {
            if (step == view)
                m.view(0);
            else if (QString(step).startsWith('N'))
                m.trigger(step);
            else
                m.click(step);
            QVERIFY2(changeAndDeleteEnabled() == enabled &&
                         m.window->document().view().editAllowed() == m.menuItem("N10")->isChecked(),
                     step);
        }
        QCOMPARE(fileBytes(m.window->settingsPath()), settings);
        QVERIFY(m.click("Bclear").isEmpty() && m.trigger("N20").isEmpty()); // no entry viewed, no word search
        const QMenuBar* menus = m.window->menuBar();
        m.button("Bclear")->setFocus();
        QStringList visited;
        for (int i = 0; i < 9; ++i) {
            const QWidget* at = QApplication::focusWidget();
            visited << (at->objectName().startsWith("qt_") ? at->parentWidget() : at)->objectName();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        QCOMPARE(visited.join(' '), "Bclear Badd DTPicker ToChNum Today AllRec mm LBdate Bclear");

        QList<QStringList> groups{{}}; // the menus' titles, then each menu's items
        for (const QAction* menu : menus->actions()) {
            groups.first() << menu->text();
            groups << QStringList();
            for (QAction* item : menu->menu()->actions())
                groups.last() << item->text();
            groups.last().removeAll(QString());
        }
        const QRegularExpression letter(QStringLiteral("^[^&]*&(\\p{L})[^&]*$")); // one "&Файл" letter each
        for (const QStringList& texts : groups) {
            QSet<QString> letters;
            for (const QString& text : texts)
                letters << letter.match(text).captured(1).toLower();
            QVERIFY2(!letters.contains(QString()) && letters.size() == texts.size(), qPrintable(texts.join('|')));
        }
        QTest::keyClick(m.dateList(), Qt::Key_F10);
        QVERIFY(menus->activeAction() == menus->actions().constFirst());
    }

    // Misspelt words are underlined while an entry is written, never on view, and not once the mark is off. With its
    // mark on, the word search ignores letter case and ё. The next start remembers both marks. An entry viewed from
    // its list shows where it holds the word, over the text and not in it, until it is changed or viewed again.
    // Without the Russian dictionary the spelling mark is off and says what to install.
    void followsTheSpellingAndSearchMarks()
    {
        const auto underlined = [this] {
            const QList<QTextLayout::FormatRange> ranges = m.textBox()->document()->firstBlock().layout()->formats();
            return std::count_if(ranges.begin(), ranges.end(), [](const QTextLayout::FormatRange& range) {
                return range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline;
            });
        };
        const auto marks = [this] {
            QStringList marked;
            for (const QTextEdit::ExtraSelection& mark : m.textBox()->extraSelections())
                marked << QString::number(mark.cursor.selectionStart()) + ':' + mark.cursor.selectedText();
            return marked.join(' ');
        };
        QVERIFY(m.start({.stamps = {stampOf(2024, 3, 1, 9), stampOf(2024, 3, 2, 9)},
                         .texts = {QStringLiteral("Ёлка\r\nи ёлка, и ЕЛКА"), QStringLiteral("Ель")}}) &&
                !m.menuItem("actionFoldedSearch")->isChecked());
        m.trigger("actionFoldedSearch");
        QAction* mark = m.menuItem("actionSpelling");
        QVERIFY(mark->isEnabled() && mark->isChecked());
        m.click("Badd");
        m.textBox()->setPlainText(QStringLiteral("Превет, дневник"));
        QCOMPARE(underlined(), 1);
        m.click("BSave1");
        QVERIFY(m.view(2) == QStringLiteral("Превет, дневник") && underlined() == 0);
        m.trigger(mark);
        m.click("Bchange");
        QVERIFY(!mark->isChecked() && underlined() == 0);
        m.click("BSave2");
        QVERIFY(m.launch().isEmpty() && !m.menuItem("actionSpelling")->isChecked() &&
                m.menuItem("actionFoldedSearch")->isChecked());

        m.find<QLineEdit>("InWord")->setText(QStringLiteral("елка"));
        QVERIFY(m.click("Search").isEmpty() && m.listCount() == 1);
        QVERIFY(m.view(0) == QStringLiteral("Ёлка\nи ёлка, и ЕЛКА") && !m.textBox()->document()->isUndoAvailable());
        QCOMPARE(marks(), QStringLiteral("0:Ёлка 7:ёлка 15:ЕЛКА"));
        QVERIFY(m.click("Search").isEmpty() && marks().isEmpty() && !m.view(0).isEmpty()); // gone with a new search
        QVERIFY(m.click("Bchange").isEmpty() && marks().isEmpty() && m.click("BSave2").isEmpty() && marks().isEmpty());
        QVERIFY(m.click("AllRec").isEmpty() && !m.view(0).isEmpty() && marks().isEmpty());
        QVERIFY(m.trigger("actionFoldedSearch").isEmpty() && m.click("Search").isEmpty() && m.listCount() == 0);

        const QTemporaryDir noDictionaries;
        qputenv("DICPATH", noDictionaries.path().toUtf8());
        m.launch();
        qunsetenv("DICPATH");
        QVERIFY(!m.menuItem("actionSpelling")->isEnabled() &&
                m.menuItem("actionSpelling")->toolTip() == "Установите пакет hunspell-ru, чтобы проверять орфографию");
    }
};

QTEST_MAIN(TestDiaryCommands)
#include "tst_diarycommands.moc"
