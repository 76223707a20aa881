#include "diarymaker.h"

using namespace diarymaker;

static const QString Password = QStringLiteral("ключ");

// Start-up from Settings.ini, and "Открыть".
class TestStartup : public QObject
{
    Q_OBJECT

    Session m;

    // The diary open, its first entry read with the key held; or none, and only N2, N12 and N23 work.
    void verifyShows(const QString& diary, const QString& names = QStringLiteral(" / "))
    {
        const bool open = !diary.isEmpty();
        QVERIFY(m.window->document().view().path() == diary && m.window->document().isOpen() == open);
        QCOMPARE(m.find<QLabel>("dname")->text() + " / " + m.find<QLabel>("mname")->text(), names);
        QCOMPARE(m.status(2), open ? QLatin1Char(' ') + QFileInfo(diary).fileName() : QString());
        QCOMPARE(m.dateList()->accessibleDescription().startsWith("Создайте дневник (Файл → Создать)"), !open);
        for (const char* name : {"Badd", "Bclear", "AllRec", "N7", "N10", "N19", "N20", "N21", "N24", "N25"})
            QVERIFY2(m.find<QObject>(name)->property("enabled").toBool() == open, name);
        QVERIFY(m.find("DTPicker")->isEnabled() == (open && m.menuItem("N19")->isChecked()) &&
                m.find("InWord")->isEnabled() == (open && m.menuItem("N20")->isChecked()));
        QVERIFY(m.menuItem("N2")->isEnabled() && m.menuItem("N12")->isEnabled() && m.menuItem("N23")->isEnabled());
        QCOMPARE(open ? m.view(0) : QString::number(m.listCount()), open ? "Запись номер 1\nвторая строка" : "0");
    }

private slots:
    void init() { m.dir.emplace(); }
    void cleanup() { m.close(); }

    void startsAsSettingsSay_data()
    {
        QTest::addColumn<QByteArray>("settings"); // %1 is the program folder, %2 a path of 240 characters
        QTest::addColumn<QStringList>("answers"); // to the password prompt
        QTest::addColumn<QString>("shown");       // the diary opened, in the program folder; "cut": the path cut
        const QStringList none;
        const auto settingsText = [](const QByteArray& options, const QByteArray& diaries) {
            return "[Options]\n" + options + "\n[Directory]\n" + diaries + '\n';
        };
        const auto lastDiary = [&](const QByteArray& path) { return settingsText("OpenLast=1", "LastDiary=" + path); };
        const QByteArray last("LastDiary=%1/last.qnb");
        QTest::newRow("no Settings.ini") << QByteArray() << none << "";
        QTest::newRow("last, editing, no date search")
            << settingsText("OpenLast=1\nEditing=1\nByDate=0", last) << none << "last.qnb";
        QTest::newRow("main diary wins over last")
            << settingsText("OpenLast=1\nOpenFave=1", last + "\nFaveDiary=%1/fave.qnb") << none << "fave.qnb";
        QTest::newRow("OpenLast off") << settingsText("OpenLast=0", last) << none << "";
        QTest::newRow("no LastDiary, editing, no word search")
            << settingsText("OpenLast=1\nEditing=1\nByWord=0", "") << none << "";
        QTest::newRow("path cut at 200") << lastDiary("%2") << none << "cut";
        QTest::newRow("no .qnb in path") << lastDiary("%1/d.QNB") << none << "";
        QTest::newRow("folder named .qnb") << lastDiary("%1/folder.qnb") << none << "";
        QTest::newRow("diary in a .qnb folder") << lastDiary("%1/x.qnb/d.dat") << none << "x.qnb/d.dat";
        QTest::newRow("file of 100 bytes") << lastDiary("%1/short.qnb") << none << "";
        const QByteArray locked = settingsText("OpenFave=1", "FaveDiary=%1/locked.qnb");
        QTest::newRow("protected, accepted") << locked << QStringList{Password} << "locked.qnb";
        QTest::newRow("protected, cancelled") << locked << QStringList{QString()} << "";
    }

    void startsAsSettingsSay()
    {
        QFETCH(QByteArray, settings);
        QFETCH(QStringList, answers);
        QFETCH(QString, shown);
        QVERIFY(QDir(m.dir->path()).mkdir("folder.qnb") && QDir(m.dir->path()).mkdir("x.qnb"));
        for (const char* name : {"fave.qnb", "d.QNB", "x.qnb/d.dat"})
            writeDiary(m.file(name), {});
        writeDiary(m.file("locked.qnb"), {.password = Password});
        writeDiary(m.file("last.qnb"), {.title = "Мой дневник «Ёлка»", .owner = "Пётр"});
        testfiles::writeFileBytes(m.file("short.qnb"), QByteArray(100, 'x'));
        // Two diaries whose paths differ only after the 200th character.
        const QString folder = m.file(QString(100, u'd'));
        QVERIFY(QDir().mkpath(folder));
        const QString cut = writeDiary(folder + "/" + QString(MaxPathLength - folder.size() - 5, u'a') + ".qnb", {});
        settings.replace("%2", writeDiary(cut + QString(40, u'z'), {.title = "Полный"}).toUtf8());
        if (!settings.isNull())
            m.writeSettings(settings);
        settings.replace("%1", m.dir->path().toUtf8());

        QCOMPARE(m.launch(answers), QStringList(answers.size(), QStringLiteral("PassDlg")));
        QVERIFY(m.status(0) == (shown.isEmpty() ? " Нет открытых дневников" : " Ожидание...") &&
                !m.menuItem("N13")->isEnabled());
        // Start-up writes nothing.
        QVERIFY(QFile::exists(m.window->settingsPath()) != settings.isNull() &&
                fileBytes(m.window->settingsPath()) == settings);
        QVERIFY(m.menuItem("N10")->isChecked() == settings.contains("Editing=1") &&
                m.window->document().view().editAllowed() == m.menuItem("N10")->isChecked() &&
                m.menuItem("N19")->isChecked() != settings.contains("ByDate=0") &&
                m.menuItem("N20")->isChecked() != settings.contains("ByWord=0"));
        if (shown.isEmpty())
            return verifyShows({});
        verifyShows(shown == "cut" ? cut : m.file(shown),
                    shown == "last.qnb" ? "Мой дневник «Ёлка» / Пётр" : "Один Из Многих / Аноним");
    }

    // A failure to open another diary leaves the open one working, and one that Settings.ini cannot remember opens
    // all the same; "Сделать главным" makes it the main one.
    void opensChosenDiariesAndKeepsThemOnFailure()
    {
        const QString first = writeDiary(m.file("a.qnb"), {.title = "Первый"});
        const QString longer = writeDiary(first + ".qnb", {.title = "Второй"}); // its name holds the first one's path
        const QString locked = writeDiary(m.file("locked.qnb"), {.title = "Тайный", .password = Password});
        const QString other = writeDiary(m.file("other.qnb"), {.password = "другой"});
        const QString cutShort = writeDiary(m.file("short.qnb"), {});
        QVERIFY(QFile::resize(cutShort, RecordSize - 1) && QFile::link(first, m.file("link.qnb")));
        QVERIFY(m.launch().isEmpty());
        MainWindow& w = *m.window;
        const auto open = [this](const QStringList& answers) { return m.trigger("N2", answers); };

        QCOMPARE(open({}), QStringList({"OpenD", "Файл не найден"}));
        // The dialog starts where new diaries go, later in the folder of the diary opened last.
        const auto startsIn = [&w] { return w.findChild<QFileDialog*>("OpenD")->directory().absolutePath(); };
        QVERIFY(startsIn() == m.dir->path() && QDir().mkdir(m.file("sub")));
        QCOMPARE(open({writeDiary(m.file("sub/s.qnb"), {})}), QStringList{"OpenD"});
        QVERIFY(open({}).contains("Файл уже открыт") && startsIn() == m.file("sub"));
        QCOMPARE(open({first}), QStringList{"OpenD"});
        verifyShows(first, QStringLiteral("Первый / Аноним"));
        QCOMPARE(fileBytes(w.settingsPath()), "[Directory]\nLastDiary=" + first.toUtf8() + '\n');
        // After a cancel the dialog still holds the open diary's name.
        QCOMPARE(open({}), QStringList({"OpenD", "Файл уже открыт"}));
        QCOMPARE(open({m.file(QStringLiteral("link.qnb"))}), QStringList({"OpenD", "Файл уже открыт"}));
        QCOMPARE(open({longer}), QStringList{"OpenD"});
        verifyShows(longer, QStringLiteral("Второй / Аноним"));
        QCOMPARE(open({locked, "нет", Password}), QStringList({"OpenD", "PassDlg", "PassDlg"}));
        verifyShows(locked, QStringLiteral("Тайный / Аноним"));

        const QString settings = w.settingsPath();
        const QByteArray settingsBefore = fileBytes(settings);
        QCOMPARE(open({other, QString()}), QStringList({"OpenD", "PassDlg"}));
        QCOMPARE(open({cutShort}), QStringList({"OpenD", "Read beyond end of file"}));
        QCOMPARE(fileBytes(settings), settingsBefore);
        // Settings.ini is replaced whole when written, which cannot happen while a folder has its name, nor on a
        // full disk: diaries open all the same, and the person is told once.
        QVERIFY(QFile::remove(settings) && QDir().mkdir(settings));
        QCOMPARE(open({other, "другой"}),
                 QStringList({"OpenD", "PassDlg",
                              "Дневник открыт, но не запомнен как последний: Unable to write to " + settings}));
        verifyShows(other, QStringLiteral("Один Из Многих / Аноним"));
        QVERIFY(QDir().rmdir(settings));
        failReplacementsAt(ReplaceStep::FlushTemporary); // a full disk
        QCOMPARE(open({locked, Password}), QStringList({"OpenD", "PassDlg"}));
        setReplaceFaultHook({});
        QVERIFY(QDir().mkdir(settings));
        QCOMPARE(m.trigger("N24"), QStringList{"Unable to write to " + settings});
        verifyShows(locked, QStringLiteral("Тайный / Аноним"));
        QVERIFY(QDir().rmdir(settings) && m.trigger("N24").isEmpty());
        QCOMPARE(fileBytes(settings), "[Directory]\nFaveDiary=" + locked.toUtf8() + "\n");

        // Cancelling the dialog takes the name chosen last, whose file is gone now.
        m.trigger("N14");
        QVERIFY(QFile::remove(locked) && open({}) == QStringList({"OpenD", "Файл не найден"}));
        QVERIFY(w.document().view().path().isEmpty() && !w.document().isOpen());
    }
};

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
