#include "diarymaker.h"
#include "document/opening.h"
#include "import/oldfiles.h"
#include "windows/importwindow.h"

using namespace diarymaker;
using namespace oldfiles;

class TestImportWindow : public QObject
{
    Q_OBJECT

    static inline const QString Locked = u"Для просмотра необходимо ввести пароль"_qs;
    static inline const QString Done = u"Импорт записей завершен"_qs;

    Session m;
    ImportWindow* w = nullptr; // owned by the main window

    // The program with d.qnb holding `diary`, open at start or not, and the import window shown over it.
    void start(const Diary& diary, bool diaryOpen = true)
    {
        QVERIFY(m.start(diary, diaryOpen ? "[Options]\nOpenLast=1\n[Directory]\nLastDiary=%1/d.qnb\n" : "[Options]\n"));
        m.window->setImportWindow(w = new ImportWindow(m.window->document(), m.dir->path(), m.window.get()));
        QVERIFY(m.trigger("N11").isEmpty() && w->isVisible() && !m.window->takesInput());
    }

    // Opens source `name`, written with `bytes` unless they are null; returns the messages shown.
    QStringList open(const QString& name, const QByteArray& bytes)
    {
        if (!bytes.isNull())
            writeFileBytes(m.file(name), bytes);
        find<QLineEdit>("EInF")->setText(m.file(name));
        return m.click(find<QPushButton>("Open"));
    }

    // Makes `row` current, as a click does; `space` checks it.
    QString current(int row, bool space = false)
    {
        find<QListView>("CLB")->setCurrentIndex(find<QListView>("CLB")->model()->index(row, 0));
        if (space)
            QTest::keyClick(find<QListView>("CLB"), Qt::Key_Space);
        return find<QPlainTextEdit>("MLook")->toPlainText();
    }

    template <class Control = QWidget> Control* find(const QString& name) const { return named<Control>(w, name); }
    QString text(const QString& label) const { return find<QLabel>(label)->text(); }
    bool enabled(const QString& name) const { return find(name)->isEnabled(); }
    bool checked(const QString& name) const { return find<QAbstractButton>(name)->isChecked(); }
    void press(const QString& name) const { QTest::mouseClick(find<QAbstractButton>(name), Qt::LeftButton); }

    auto passBox() const
    {
        return std::pair(find<QGroupBox>("PassBox")->title(),
                         find<QGroupBox>("PassBox")->palette().color(QPalette::WindowText));
    }

private slots:
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
        const QString target = checked("RBThis") ? "RBThis" : checked("RBNew") ? "RBNew" : "";
        const QStringList seen{messages.join(u'|'), text("SBarPanel0"), text("LVer"),
                               text("LNum"),        passBox().first,    target};
        QCOMPARE(seen.join(u'|'), shown);
        const bool known = !text("LVer").isEmpty();
        QCOMPARE(std::tuple(find<QListView>("CLB")->model()->rowCount(), text("LName"), enabled("BbGo"),
                            enabled("RBNew"), checked("RBAll"), enabled("RBThis"), enabled("EFName")),
                 std::tuple(text("LNum").toInt(), known ? u"s.drb"_qs : QString(), known, known, true,
                            known && target == "RBThis", known && target == "RBNew"));
    }

    // Letter case counts and retries are unlimited; the name typed last is the one opened, whatever the dialog
    // chose before. A source opened next starts locked again and goes to a new diary as it is, once every
    // refusal is mended; nothing is written before. The window stays open, the choices made stay checked when
    // it is shown again, and the new diary keeps the old password.
    void unlocks()
    {
        for (const bool diaryOpen : {true, false}) { // into a new diary, with the program's own open or none
            start(alternatingDays(1), diaryOpen);
            const QString first = m.file("p1.drb");
            writeFileBytes(first,
                           oldDiary(Layout::Late, {stampOf(1), stampOf(2)}, {u"Первая\r\nстрока"_qs, "b"}, "Key"));
            QCOMPARE(m.click(find<QPushButton>("Find"), {first}), QStringList{"OpenD"});
            QCOMPARE(std::pair(find<QLineEdit>("EInF")->text(), m.click(find<QPushButton>("Open"))),
                     std::pair(first, QStringList()));
            press("RBHand");
            QCOMPARE(std::tuple(passBox().second, text("SBarPanel0"), enabled("CLB"),
                                find<QPlainTextEdit>("MLook")->toPlainText()), // no current entry: no preview
                     std::tuple(QColor(128, 0, 128), u"Выберите нужные записи"_qs, true, QString()));
            QCOMPARE(current(0), Locked);

            find<QLineEdit>("EPass")->setText("key");
            press("PassOk");
            QCOMPARE(std::tuple(passBox(), find<QLineEdit>("EPass")->text(), enabled("PassOk")),
                     std::tuple(std::pair(u"Защита (неверно!) "_qs, QColor(255, 0, 0)), u"key"_qs, true));
            find<QLineEdit>("EPass")->setText("Key");
            press("PassOk");
            QCOMPARE(std::tuple(passBox(), find("EPass")->palette().color(QPalette::Text) == QColor(0, 128, 0),
                                enabled("EPass"), enabled("PassOk"), enabled("RBThis"), checked("RBThis"),
                                find<QPlainTextEdit>("MLook")->toPlainText()),
                     std::tuple(std::pair(u"Защита (принято) "_qs, QColor(0, 128, 0)), false, false, false, diaryOpen,
                                false, u"Первая\nстрока"_qs));

            QCOMPARE((std::tuple{open("s.drb", oldDiary(Layout::Late, {stampOf(1), stampOf(2), stampOf(3)},
                                                        {u"Один"_qs, u"Два"_qs, u"Три\r\nвсё"_qs}, toCp1251(u"Ключ"))),
                                 passBox().first, enabled("RBThis")}),
                     std::tuple(QStringList(), u"Защита (есть) "_qs, false));
            press("RBHand");
            QCOMPARE(current(0), Locked);

            const QStringList files = QDir(m.dir->path()).entryList(QDir::Files);
            const auto go = [this] { return (m.click(find<QPushButton>("BbGo")) << text("Lhelp")).join(u'|'); };
            QCOMPARE(go(), u"В выборочном режиме необходимо выбрать записи"_qs);
            QVERIFY(find("Att")->isVisible());
            current(0, true);
            current(2, true);
            QCOMPARE(go(), u"Нужно указать имя файла для нового дневника"_qs);
            find<QLineEdit>("EFName")->setText("d.txt");
            find<QLineEdit>("EMName")->setText(u"o\u0105"_qs);
            QCOMPARE(go(), u"Символы не поддерживаются: \u0105|"_qs);
            find<QLineEdit>("EMName")->setText(u"Я"_qs);
            QCOMPARE(go(), u"Файл d.qnb уже существует|"_qs);
            QVERIFY(!find("PBar")->isVisible() && !find("Att")->isVisible() && w->isVisible());
            QCOMPARE(QDir(m.dir->path()).entryList(QDir::Files), files);

            find<QLineEdit>("EFName")->setText("notes.txt");
            find<QLineEdit>("EDName")->setText(u"Старый"_qs);
            writeFileBytes(m.file("notes.qnb.Ab1Cd2.buf"), "left by an import that was killed"); // goes with this one
            QCOMPARE(go(), Done + u"|Начался процесс импорта записей"_qs);
            QVERIFY(!QFile::exists(m.file("notes.qnb.Ab1Cd2.buf")));
            QCOMPARE(std::tuple(QFileInfo(m.file("notes.qnb")).isFile(), w->isVisible(),
                                find<QProgressBar>("PBar")->value(), text("LVer"), m.listCount()),
                     std::tuple(true, true, 2, u"1.4.0 - 2.0.0"_qs, diaryOpen ? 1 : 0)); // of the 2 picked

            press("BBClose");
            QCOMPARE(m.trigger("N11"), QStringList());
            QCOMPARE(std::tuple(checked("RBHand"), checked("RBNew"), find<QLineEdit>("EInF")->text(), enabled("BbGo"),
                                text("SBarPanel0")),
                     std::tuple(true, true, QString(), false, QString()));
            const QString made = m.file("notes.qnb");
            DiaryDocument diary;
            QVERIFY(diary.open(made, knowingThePassword()));
            QCOMPARE(std::tuple(diary.view().title(), diary.view().owner(), storedPassword(made), entryTexts(made)),
                     std::tuple(u"Старый"_qs, u"Я"_qs, u"Ключ"_qs, QStringList{u"Один"_qs, u"Три\nвсё"_qs}));
        }
    }

    // After a word search: a rebuild that fails leaves the list as it was and the window open; the retry, done
    // but not safe on disk, lists every entry but those left out and keeps the one on view, and the window says
    // so and closes with a full gauge.
    void importsIntoTheOpenDiary()
    {
        start(alternatingDays(4)); // 1 March 1:15:07 and 3:15:07, 2 March 2:15:07 and 4:15:07
        w->close();
        m.find<QLineEdit>("InWord")->setText(u"общее"_qs);
        m.click("Search");
        QCOMPARE((std::pair{m.view(1), m.trigger("N11")}), std::pair(u"Текст 3 общее"_qs, QStringList()));
        const QList<double> stamps{stampOf(2024, 3, 1, 3, 15, 7), stampOf(2024, 3, 2), stampOf(2024, 3, 1)};
        QCOMPARE(open("s.drb", oldDiary(Layout::Early, stamps, {"dup", u"Новая\r\nзапись"_qs, ""})), QStringList());
        QVERIFY(readName(find<QLineEdit>("EPass")) == u"Пароль старого дневника"_qs &&
                readName(find<QListView>("CLB")) == u"Записи старого дневника"_qs &&
                readName(find<QLineEdit>("EMName")) == u"Имя владельца"_qs);
        press("RBFull");
        QCOMPARE(text("SBarPanel0"), u"Импортировать только НЕпустые записи"_qs);

        failReplacementsAt(ReplaceStep::Exchange);
        QCOMPARE(m.click(find<QPushButton>("BbGo")), QStringList{"Disk full"});
        QVERIFY(w->isVisible() && !find("PBar")->isVisible() && m.listCount() == 2);

        failReplacementsAt(ReplaceStep::FlushFolder);
        QCOMPARE(m.click(find<QPushButton>("BbGo")), QStringList{NotSafeOnFullDisk});
        // "dup" has the second of entry 3, and the empty one is not asked for.
        QCOMPARE(std::tuple(w->isVisible(),
                            find<QProgressBar>("PBar")->value() == find<QProgressBar>("PBar")->maximum(),
                            m.window->takesInput(), m.textBox()->toPlainText(), m.listCount()),
                 std::tuple(false, true, true, u"Текст 3 общее"_qs, 5));
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
