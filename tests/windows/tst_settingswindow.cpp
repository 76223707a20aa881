#include "diarymaker.h"
#include "windows/settingswindow.h"

using namespace diarymaker;

// Kept whole when the options are saved.
static const QByteArray DirectorySection = "[Directory]\r\nLastDiary=%1/d.qnb\r\nFaveDiary=%1/d.qnb\r\n";

class TestSettingsWindow : public QObject
{
    Q_OBJECT

    Session m;
    SettingsWindow* m_window = nullptr; // owned by the main window

    static QString flags(std::initializer_list<bool> values)
    {
        return std::accumulate(values.begin(), values.end(), QString(),
                               [](QString t, bool v) { return t + (v ? u'1' : u'0'); });
    }

    QCheckBox* box(const QString& name) const { return named<QCheckBox>(m_window, name); }

    // Settings.ini holds `options` and names d.qnb as the last and the main diary; without, there is none.
    void start(const QByteArray& options = {})
    {
        const QByteArray settings = options.isNull() ? options : "[Options]\r\n" + options + "\r\n" + DirectorySection;
        QVERIFY(m.start({}, settings));
        m_window = new SettingsWindow(m.window->settingsPath(), m.window.get());
        m.window->setSettingsWindow(m_window);
    }

private slots:
    void savesAndApplies_data()
    {
        QTest::addColumn<QString>("entry");     // "view", "change": the first entry so
        QTest::addColumn<QByteArray>("before"); // the lines of section Options; none: no file, no diary
        QTest::addColumn<QString>("shown");     // boxes editing, word, date; the item of Run
        QTest::addColumn<QStringList>("clicks");
        QTest::addColumn<int>("chosen"); // the item of Run clicked
        QTest::addColumn<QByteArray>("saved");
        // Marks of N19, N20; DTPicker, ToChNum, Today, InWord, Search, ClearSearch enabled.
        QTest::addColumn<QString>("applied");
        const QByteArray fresh = "[Options]\nEditing=0\nByWord=1\nByDate=1\nOpenLast=0\nOpenFave=0\n";
        // Keys the file lacked follow the others.
        const QByteArray chosen = "[Options]\r\nOpenLast=1\r\nOpenFave=0\r\nByDate=1\r\nEditing=1\r\nByWord=0\r\n";
        const QByteArray defaults = "[Options]\r\nOpenLast=0\r\nEditing=0\r\nByWord=1\r\nByDate=1\r\nOpenFave=0\r\n";
        const QByteArray kept = "[Options]\r\nOpenLast=1\r\nEditing=0\r\nByWord=1\r\nByDate=1\r\nOpenFave=0\r\n";
        const QStringList all{"date", "word", "editing", "default"};
        QTest::newRow("no file, no diary") << QString() << QByteArray() << "0112" << all << 2 << fresh << "01 000000";
        QTest::newRow("choices") << QString() << QByteArray("OpenLast=1\r\nOpenFave=1\r\nByDate=0") << "0101"
                                 << QStringList{"editing", "word", "date"} << 0 << chosen << "10 111000";
        QTest::newRow("defaults") << QString() << QByteArray("OpenLast=1") << "0110" << all << 0 << defaults
                                  << "00 000000";
        for (const char* entry : {"view", "change"})
            QTest::addRow("entry to %s", entry) << QString(entry) << QByteArray("OpenLast=1\r\nEditing=1") << "1110"
                                                << QStringList{"editing"} << 0 << kept << "11 111111";
    }
    // The window shows the file, not the menu's marks; its editing box is for start-up, the menu's mark rules now.
    void savesAndApplies()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, before);
        QFETCH(QString, shown);
        QFETCH(QStringList, clicks);
        QFETCH(int, chosen);
        QFETCH(QByteArray, saved);
        QFETCH(QString, applied);
        start(before);
        if (!entry.isEmpty())
            m.view(0);
        if (entry == "change")
            m.click("Bchange");
        box("default")->setChecked(true);
        // The items of "При запуске программы ", none of them chosen before the window shows.
        const QList<QRadioButton*> items = named(m_window, "Run")->findChildren<QRadioButton*>();
        const auto run = [&items](int item) { return items.value(item); };
        for (QRadioButton* item : items) {
            item->setAutoExclusive(false);
            item->setChecked(false);
            item->setAutoExclusive(true);
        }
        m.trigger("N23");
        QString runItem = "-1";
        for (int item = 0; item < 3; ++item)
            runItem = run(item)->isChecked() ? QString::number(item) : runItem;
        QCOMPARE(flags({box("editing")->isChecked(), box("word")->isChecked(), box("date")->isChecked()}) + runItem,
                 shown);
        QVERIFY(!box("default")->isChecked());
        for (const QString& name : clicks)
            QTest::mouseClick(box(name), Qt::LeftButton);
        QTest::mouseClick(run(chosen), Qt::LeftButton);
        QVERIFY(answering({}, [this] { QTest::keyClick(box("word"), Qt::Key_Return); }).isEmpty());

        saved += before.isNull() ? QByteArray() : DirectorySection;
        QCOMPARE(fileBytes(m.window->settingsPath()), saved.replace("%1", m.dir->path().toUtf8()));
        QCOMPARE(flags({m.menuItem("N19")->isChecked(), m.menuItem("N20")->isChecked()}) + u' ' +
                     flags({m.find("DTPicker")->isEnabled(), m.find("ToChNum")->isEnabled(),
                            m.find("Today")->isEnabled(), m.find("InWord")->isEnabled(), m.find("Search")->isEnabled(),
                            m.find("ClearSearch")->isEnabled()}),
                 applied);
        QVERIFY(m.menuItem("N10")->isChecked() == !entry.isEmpty() &&
                m.window->document().view().editAllowed() == !entry.isEmpty());
        QVERIFY(m.button("Bchange")->isEnabled() == (entry == "view") &&
                m.button("Bdel")->isEnabled() == (entry == "view"));
        QVERIFY(!m_window->isVisible() && m.window->takesInput());
    }

    // Closing after a failed write gives the main window its input back, and neither saves nor applies.
    void failedWriteKeepsWindowUntilClosed()
    {
        start();
        const QString path = m.window->settingsPath();
        QVERIFY(QDir().mkdir(path));
        m.menuItem("N23")->trigger();
        box("date")->setChecked(false);
        QCOMPARE(answering({}, [this] { QTest::mouseClick(named<QPushButton>(m_window, "BitBtn1"), Qt::LeftButton); }),
                 QStringList{"Unable to write to " + QFileInfo(path).absoluteFilePath()});
        QVERIFY(m_window->isVisible() && !m.window->takesInput());
        QVERIFY(answering({}, [this] { QTest::keyClick(box("word"), Qt::Key_Escape); }).isEmpty());
        QVERIFY(!m_window->isVisible() && m.window->takesInput() && QFileInfo(path).isDir());
        QVERIFY(m.menuItem("N19")->isChecked());
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
