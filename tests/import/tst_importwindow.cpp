#include "import/importwindow.h"
#include "mainwindow/diarymaker.h"
#include "oldfiles.h"

using namespace diarymaker;
using namespace oldfiles;

class TestImportWindow : public QObject
{
    Q_OBJECT

    static inline const QString Locked = u"Для просмотра необходимо ввести пароль"_qs;
    static inline const QString Done = u"Импорт записей завершен"_qs;

    Session m;
    TForm8* w = nullptr; // owned by the main window

    // The program with d.qnb holding `diary`, open at start or not, and the import window shown over it.
    void start(const Diary& diary, bool diaryOpen = true)
    {
        QVERIFY(m.start(diary, diaryOpen ? "[Options]\nOpenLast=1\n[Directory]\nLastDiary=%1/d.qnb\n" : "[Options]\n"));
        w = new TForm8(m.window->document(), m.dir->path(), m.window.get());
        m.window->setImportWindow(w);
        QCOMPARE(m.trigger(m.window->N11), QStringList());
        QVERIFY(w->isVisible() && !m.window->takesInput());
    }

    // Opens source `name`, written with `bytes` unless they are null; returns the messages shown.
    QStringList open(const QString& name, const QByteArray& bytes)
    {
        if (!bytes.isNull())
            writeFileBytes(m.file(name), bytes);
        w->EInF->setText(m.file(name));
        return m.click(w->Open);
    }

    // Makes `row` current, as a click does; `space` checks it.
    QString current(int row, bool space = false)
    {
        w->CLB->setCurrentIndex(w->CLB->model()->index(row, 0));
        if (space)
            QTest::keyClick(w->CLB, Qt::Key_Space);
        return w->MLook->toPlainText();
    }

    auto passBox() const { return std::pair(w->PassBox->title(), w->PassBox->palette().color(QPalette::WindowText)); }

private slots:
    void cleanup()
    {
        setRebuildFaultHook({});
        m.close();
    }

    void opens_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null for no file
        QTest::addColumn<bool>("diaryOpen");
        // Messages, status, version, entry count, protection caption, target checked (a failure keeps the last).
        QTest::addColumn<QString>("shown");
        const QList<double> three{stampOf(1), stampOf(2), stampOf(3)};
        QTest::newRow("missing") << QByteArray() << true << u"|Не удалось открыть файл!|||Защита |RBThis"_qs;
        QTest::newRow("a header alone") << oldDiary(Layout::Late, {}, {}) << true
                                        << u"|Записей не обнаружено. Исходный файл пуст.|||Защита |RBThis"_qs;
        QTest::newRow("no layout fits") << QByteArray(100, 'x') << true
                                        << u"Read beyond end of file||||Защита |RBThis"_qs;
        QTest::newRow("early") << oldDiary(Layout::Early, three, {"a", "b"}) << true
                               << u"|Дневник открыт (пароль не нужен)|1.0.0 - 1.1.4|2|Защита (нет) |RBThis"_qs;
        QTest::newRow("middle, no diary open")
            << oldDiary(Layout::Middle, three, {"a"}) << false
            << u"|Дневник открыт (пароль не нужен)|1.2.0 - 1.3.1|1|Защита (нет) |RBNew"_qs;
        QTest::newRow("late, protected")
            << oldDiary(Layout::Late, three, {"a", "b", "c"}, "key") << true
            << u"|Дневник открыт (дневник защищен паролем)|1.4.0 - 2.0.0|3|Защита (есть) |RBNew"_qs;
    }
    // Each source is opened after another one: a failure leaves nothing of it but the marks of the choices.
    void opens()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, diaryOpen);
        QFETCH(QString, shown);
        start(alternatingDays(2), diaryOpen);
        QCOMPARE(open("first.drb", oldDiary(Layout::Middle, {stampOf(9)}, {"x"})), QStringList());
        const QStringList messages = open("s.drb", bytes);
        const QString checked = w->RBThis->isChecked() ? "RBThis" : w->RBNew->isChecked() ? "RBNew" : "";
        QCOMPARE((QStringList{messages.join(u'|'), w->statusText(), w->LVer->text(), w->LNum->text(),
                              w->PassBox->title(), checked})
                     .join(u'|'),
                 shown);
        const bool known = !w->LVer->text().isEmpty();
        QCOMPARE(std::tuple(w->CLB->model()->rowCount(), w->LName->text(), w->BbGo->isEnabled(), w->RBNew->isEnabled(),
                            w->RBAll->isChecked(), w->RBThis->isEnabled(), w->EFName->isEnabled()),
                 std::tuple(w->LNum->text().toInt(), known ? u"s.drb"_qs : QString(), known, known, true,
                            known && checked == "RBThis", known && checked == "RBNew"));
    }

    void unlocks_data()
    {
        QTest::addColumn<bool>("diaryOpen");
        QTest::newRow("diary open") << true;
        QTest::newRow("no diary open") << false;
    }
    // Letter case counts and retries are unlimited; the name typed last is the one opened, whatever the dialog
    // chose before. A source opened next starts locked again and goes to a new diary as it is, once every
    // refusal is mended; nothing is written before. The window stays open, the choices made stay checked when
    // it is shown again, and the new diary keeps the old password.
    void unlocks()
    {
        QFETCH(bool, diaryOpen);
        start(alternatingDays(1), diaryOpen);
        const QString first = m.file("p1.drb");
        writeFileBytes(first, oldDiary(Layout::Late, {stampOf(1), stampOf(2)}, {u"Первая\r\nстрока"_qs, "b"}, "Key"));
        QCOMPARE(answering({first}, [this] { QTest::mouseClick(w->Find, Qt::LeftButton); }), QStringList{"OpenD"});
        QCOMPARE(std::pair(w->EInF->text(), m.click(w->Open)), std::pair(first, QStringList()));
        QTest::mouseClick(w->RBHand, Qt::LeftButton);
        QCOMPARE(std::tuple(passBox().second, w->statusText(), w->CLB->isEnabled(),
                            w->MLook->toPlainText()), // no current entry: no preview
                 std::tuple(QColor(128, 0, 128), u"Выберите нужные записи"_qs, true, QString()));
        QCOMPARE(current(0), Locked);

        w->EPass->setText("key");
        QTest::mouseClick(w->PassOk, Qt::LeftButton);
        QCOMPARE(std::tuple(passBox(), w->EPass->text(), w->PassOk->isEnabled()),
                 std::tuple(std::pair(u"Защита (неверно!) "_qs, QColor(255, 0, 0)), u"key"_qs, true));
        w->EPass->setText("Key");
        QTest::mouseClick(w->PassOk, Qt::LeftButton);
        QCOMPARE(std::tuple(passBox(), w->EPass->palette().color(QPalette::Text) == QColor(0, 128, 0),
                            w->EPass->isEnabled(), w->PassOk->isEnabled(), w->RBThis->isEnabled(),
                            w->RBThis->isChecked(), w->MLook->toPlainText()),
                 std::tuple(std::pair(u"Защита (принято) "_qs, QColor(0, 128, 0)), false, false, false, diaryOpen,
                            false, u"Первая\nстрока"_qs));

        QCOMPARE((std::tuple{open("s.drb", oldDiary(Layout::Late, {stampOf(1), stampOf(2), stampOf(3)},
                                                    {u"Один"_qs, u"Два"_qs, u"Три\r\nвсё"_qs}, toCp1251(u"Ключ"))),
                             passBox().first, w->RBThis->isEnabled()}),
                 std::tuple(QStringList(), u"Защита (есть) "_qs, false));
        QTest::mouseClick(w->RBHand, Qt::LeftButton);
        QCOMPARE(current(0), Locked);

        const QStringList files = QDir(m.dir->path()).entryList(QDir::Files);
        const auto go = [this] { return (m.click(w->BbGo) << w->Lhelp->text()).join(u'|'); };
        QCOMPARE(go(), u"В выборочном режиме необходимо выбрать записи"_qs);
        QVERIFY(w->Att->isVisible());
        current(0, true);
        current(2, true);
        QCOMPARE(go(), u"Нужно указать имя файла для нового дневника"_qs);
        w->EFName->setText("d.txt");
        w->EMName->setText(u"o\u0105"_qs);
        QCOMPARE(go(), u"Символы не поддерживаются: \u0105|"_qs);
        w->EMName->setText(u"Я"_qs);
        QCOMPARE(go(), u"Файл d.qnb уже существует|"_qs);
        QVERIFY(!w->PBar->isVisible() && !w->Att->isVisible() && w->isVisible());
        QCOMPARE(QDir(m.dir->path()).entryList(QDir::Files), files);

        w->EFName->setText("notes.txt");
        w->EDName->setText(u"Старый"_qs);
        QCOMPARE(go(), Done + u"|Начался процесс импорта записей"_qs);
        QCOMPARE(std::tuple(QFileInfo(m.file("notes.qnb")).isFile(), w->isVisible(), w->PBar->value(), w->LVer->text(),
                            m.listCount()),
                 std::tuple(true, true, 2, u"1.4.0 - 2.0.0"_qs, diaryOpen ? 1 : 0)); // of the 2 picked

        QTest::mouseClick(w->BBClose, Qt::LeftButton);
        QCOMPARE(m.trigger(m.window->N11), QStringList());
        QCOMPARE(std::tuple(w->RBHand->isChecked(), w->RBNew->isChecked(), w->EInF->text(), w->BbGo->isEnabled(),
                            w->statusText()),
                 std::tuple(true, true, QString(), false, QString()));
        const QString made = m.file("notes.qnb");
        DiaryDocument diary;
        QVERIFY(diary.open(made, knowingThePassword()));
        QCOMPARE(std::tuple(diary.view().title(), storedPassword(made), entryTexts(made)),
                 std::tuple(u"Старый"_qs, u"Ключ"_qs, QStringList{u"Один"_qs, u"Три\nвсё"_qs}));
    }

    // After a word search: a rebuild that fails leaves the list as it was and the window open; the retry, done
    // but not safe on disk, lists every entry but those left out and keeps the one on view, and the window says
    // so and closes with a full gauge.
    void importsIntoTheOpenDiary()
    {
        start(alternatingDays(4)); // 1 March 1:15:07 and 3:15:07, 2 March 2:15:07 and 4:15:07
        w->close();
        m.window->InWord->setText(u"общее"_qs);
        m.click(m.window->Search);
        QCOMPARE((std::pair{m.view(1), m.trigger(m.window->N11)}), std::pair(u"Текст 3 общее"_qs, QStringList()));
        const QList<double> stamps{stampOf(2024, 3, 1, 3, 15, 7), stampOf(2024, 3, 2), stampOf(2024, 3, 1)};
        QCOMPARE(open("s.drb", oldDiary(Layout::Early, stamps, {"dup", u"Новая\r\nзапись"_qs, ""})), QStringList());
        QVERIFY(readName(w->EPass) == u"Пароль старого дневника"_qs &&
                readName(w->CLB) == u"Записи старого дневника"_qs && readName(w->EMName) == u"Имя владельца"_qs);
        QTest::mouseClick(w->RBFull, Qt::LeftButton);
        QCOMPARE(w->statusText(), u"Импортировать только НЕпустые записи"_qs);

        failRebuildsAt(RebuildStep::Rename);
        QCOMPARE(m.click(w->BbGo), QStringList{"Disk full"});
        QVERIFY(w->isVisible() && !w->PBar->isVisible() && m.listCount() == 2);

        failRebuildsAt(RebuildStep::FlushFolder);
        QCOMPARE(m.click(w->BbGo), QStringList{NotSafeOnFullDisk});
        // "dup" has the second of entry 3, and the empty one is not asked for.
        QCOMPARE(std::tuple(w->isVisible(), w->PBar->value() == w->PBar->maximum(), m.window->takesInput(),
                            m.window->mm->toPlainText(), m.listCount()),
                 std::tuple(false, true, true, u"Текст 3 общее"_qs, 5));
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
