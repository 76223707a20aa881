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
        w = new ImportWindow(m.window->document(), m.dir->path(), m.window.get());
        m.window->setImportWindow(w);
        QCOMPARE(m.trigger("N11"), QStringList());
        QVERIFY(w->isVisible() && !m.window->takesInput());
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
        const QString checked = find<QRadioButton>("RBThis")->isChecked()  ? "RBThis"
                                : find<QRadioButton>("RBNew")->isChecked() ? "RBNew"
                                                                           : "";
        QCOMPARE((QStringList{messages.join(u'|'), find<QLabel>("SBarPanel0")->text(), find<QLabel>("LVer")->text(),
                              find<QLabel>("LNum")->text(), find<QGroupBox>("PassBox")->title(), checked})
                     .join(u'|'),
                 shown);
        const bool known = !find<QLabel>("LVer")->text().isEmpty();
        QCOMPARE(std::tuple(find<QListView>("CLB")->model()->rowCount(), find<QLabel>("LName")->text(),
                            find<QPushButton>("BbGo")->isEnabled(), find<QRadioButton>("RBNew")->isEnabled(),
                            find<QRadioButton>("RBAll")->isChecked(), find<QRadioButton>("RBThis")->isEnabled(),
                            find<QLineEdit>("EFName")->isEnabled()),
                 std::tuple(find<QLabel>("LNum")->text().toInt(), known ? u"s.drb"_qs : QString(), known, known, true,
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
        QCOMPARE(answering({first}, [this] { QTest::mouseClick(find<QPushButton>("Find"), Qt::LeftButton); }),
                 QStringList{"OpenD"});
        QCOMPARE(std::pair(find<QLineEdit>("EInF")->text(), m.click(find<QPushButton>("Open"))),
                 std::pair(first, QStringList()));
        QTest::mouseClick(find<QRadioButton>("RBHand"), Qt::LeftButton);
        QCOMPARE(std::tuple(passBox().second, find<QLabel>("SBarPanel0")->text(), find<QListView>("CLB")->isEnabled(),
                            find<QPlainTextEdit>("MLook")->toPlainText()), // no current entry: no preview
                 std::tuple(QColor(128, 0, 128), u"Выберите нужные записи"_qs, true, QString()));
        QCOMPARE(current(0), Locked);

        find<QLineEdit>("EPass")->setText("key");
        QTest::mouseClick(find<QPushButton>("PassOk"), Qt::LeftButton);
        QCOMPARE(std::tuple(passBox(), find<QLineEdit>("EPass")->text(), find<QPushButton>("PassOk")->isEnabled()),
                 std::tuple(std::pair(u"Защита (неверно!) "_qs, QColor(255, 0, 0)), u"key"_qs, true));
        find<QLineEdit>("EPass")->setText("Key");
        QTest::mouseClick(find<QPushButton>("PassOk"), Qt::LeftButton);
        QCOMPARE(std::tuple(passBox(), find<QLineEdit>("EPass")->palette().color(QPalette::Text) == QColor(0, 128, 0),
                            find<QLineEdit>("EPass")->isEnabled(), find<QPushButton>("PassOk")->isEnabled(),
                            find<QRadioButton>("RBThis")->isEnabled(), find<QRadioButton>("RBThis")->isChecked(),
                            find<QPlainTextEdit>("MLook")->toPlainText()),
                 std::tuple(std::pair(u"Защита (принято) "_qs, QColor(0, 128, 0)), false, false, false, diaryOpen,
                            false, u"Первая\nстрока"_qs));

        QCOMPARE((std::tuple{open("s.drb", oldDiary(Layout::Late, {stampOf(1), stampOf(2), stampOf(3)},
                                                    {u"Один"_qs, u"Два"_qs, u"Три\r\nвсё"_qs}, toCp1251(u"Ключ"))),
                             passBox().first, find<QRadioButton>("RBThis")->isEnabled()}),
                 std::tuple(QStringList(), u"Защита (есть) "_qs, false));
        QTest::mouseClick(find<QRadioButton>("RBHand"), Qt::LeftButton);
        QCOMPARE(current(0), Locked);

        const QStringList files = QDir(m.dir->path()).entryList(QDir::Files);
        const auto go = [this] {
            return (m.click(find<QPushButton>("BbGo")) << find<QLabel>("Lhelp")->text()).join(u'|');
        };
        QCOMPARE(go(), u"В выборочном режиме необходимо выбрать записи"_qs);
        QVERIFY(find<QLabel>("Att")->isVisible());
        current(0, true);
        current(2, true);
        QCOMPARE(go(), u"Нужно указать имя файла для нового дневника"_qs);
        find<QLineEdit>("EFName")->setText("d.txt");
        find<QLineEdit>("EMName")->setText(u"o\u0105"_qs);
        QCOMPARE(go(), u"Символы не поддерживаются: \u0105|"_qs);
        find<QLineEdit>("EMName")->setText(u"Я"_qs);
        QCOMPARE(go(), u"Файл d.qnb уже существует|"_qs);
        QVERIFY(!find<QProgressBar>("PBar")->isVisible() && !find<QLabel>("Att")->isVisible() && w->isVisible());
        QCOMPARE(QDir(m.dir->path()).entryList(QDir::Files), files);

        find<QLineEdit>("EFName")->setText("notes.txt");
        find<QLineEdit>("EDName")->setText(u"Старый"_qs);
        writeFileBytes(m.file("notes.qnb.Ab1Cd2.buf"), "left by an import that was killed"); // goes with this one
        QCOMPARE(go(), Done + u"|Начался процесс импорта записей"_qs);
        QVERIFY(!QFile::exists(m.file("notes.qnb.Ab1Cd2.buf")));
        QCOMPARE(std::tuple(QFileInfo(m.file("notes.qnb")).isFile(), w->isVisible(),
                            find<QProgressBar>("PBar")->value(), find<QLabel>("LVer")->text(), m.listCount()),
                 std::tuple(true, true, 2, u"1.4.0 - 2.0.0"_qs, diaryOpen ? 1 : 0)); // of the 2 picked

        QTest::mouseClick(find<QPushButton>("BBClose"), Qt::LeftButton);
        QCOMPARE(m.trigger("N11"), QStringList());
        QCOMPARE(std::tuple(find<QRadioButton>("RBHand")->isChecked(), find<QRadioButton>("RBNew")->isChecked(),
                            find<QLineEdit>("EInF")->text(), find<QPushButton>("BbGo")->isEnabled(),
                            find<QLabel>("SBarPanel0")->text()),
                 std::tuple(true, true, QString(), false, QString()));
        const QString made = m.file("notes.qnb");
        DiaryDocument diary;
        QVERIFY(diary.open(made, knowingThePassword()));
        QCOMPARE(std::tuple(diary.view().title(), diary.view().owner(), storedPassword(made), entryTexts(made)),
                 std::tuple(u"Старый"_qs, u"Я"_qs, u"Ключ"_qs, QStringList{u"Один"_qs, u"Три\nвсё"_qs}));
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
        QTest::mouseClick(find<QRadioButton>("RBFull"), Qt::LeftButton);
        QCOMPARE(find<QLabel>("SBarPanel0")->text(), u"Импортировать только НЕпустые записи"_qs);

        failReplacementsAt(ReplaceStep::Exchange);
        QCOMPARE(m.click(find<QPushButton>("BbGo")), QStringList{"Disk full"});
        QVERIFY(w->isVisible() && !find<QProgressBar>("PBar")->isVisible() && m.listCount() == 2);

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
