#include "diarywindow.h"

#include "settings/settingswindow.h"

#include <QDir>
#include <QPushButton>
#include <QtTest>

using namespace diarymaker;
using namespace diarywindow;
using namespace SettingsKeys;

class TestDiaryCommands : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        m_session.window.reset();
        m_session.dir.reset();
    }
    void informsOnTheDiary_data();
    void informsOnTheDiary();
    void countsCharactersOfTheEntryOnView();
    void mainDiaryOpensAtStart();
    void failedWriteOfMainDiaryIsReported();
    void editingSwitchFollowsTheEntryOnView();
    void settingsWindowTakesTheInputWhileShown();

private:
    TForm1& window() { return *m_session.window; }
    QString setting(const QString& section, const QString& key) const
    {
        return PrivateProfile(settingsFilePath(m_session.dir->path())).readString(section, key, NoFile);
    }

    Session m_session;
};

void TestDiaryCommands::informsOnTheDiary_data()
{
    QTest::addColumn<double>("created");
    QTest::addColumn<int>("entries");
    QTest::addColumn<QString>("third");
    QTest::newRow("header only") << stampOf(2025, 11, 2, 9, 5, 59) << 0 << "Создан: 02.11.2025 (9ч 5мин)";
    QTest::newRow("created at midnight") << stampOf(2026, 1, 15) << 2 << "Создан: 15.01.2026 (0ч 0мин)";
    QTest::newRow("late evening") << stampOf(1999, 12, 31, 23, 59, 59, 999) << 1 << "Создан: 31.12.1999 (23ч 59мин)";
}

void TestDiaryCommands::informsOnTheDiary()
{
    QFETCH(double, created);
    QFETCH(int, entries);
    QFETCH(QString, third);
    QList<Entry> list;
    for (int i = 0; i < entries; ++i)
        list.append({stampOf(2026, 2, 1 + i, 8), QStringLiteral("x")});
    QVERIFY(m_session.start(list, created));
    const QString expected = "Файл: d.qnb\rКоличество записей в дневнике: " + QString::number(entries) + '\r' + third;
    QCOMPARE(m_session.trigger(window().N7), QStringList{expected});
}

void TestDiaryCommands::countsCharactersOfTheEntryOnView()
{
    QVERIFY(m_session.start({{stampOf(2026, 2, 1, 8), QStringLiteral("абв\r\nгде")}}));
    QVERIFY(!window().N13->isEnabled());
    m_session.view(0);
    QVERIFY(window().N13->isEnabled());
    QCOMPARE(window().statusText(1), QStringLiteral("8"));
    QCOMPARE(m_session.trigger(window().N13), QStringList{QStringLiteral("Количество символов данной записи: 8")});
}

// The main diary lies in another folder and was not the diary opened last.
void TestDiaryCommands::mainDiaryOpensAtStart()
{
    QVERIFY(m_session.start({}));
    QVERIFY(QDir(m_session.dir->path()).mkdir(QStringLiteral("other")));
    const QString fave = m_session.dir->filePath(QStringLiteral("other/main.qnb"));
    Session::writeDiary(fave, {{stampOf(2026, 2, 1, 8), QStringLiteral("главный")}}, stampOf(2026, 1, 1));
    QVERIFY(answering({fave}, [this] { window().N2->trigger(); }).contains(QStringLiteral("OpenD")));
    QVERIFY(m_session.trigger(window().N24).isEmpty());
    QCOMPARE(setting(Directory, FaveDiary), fave);
    QCOMPARE(setting(Options, OpenFave), NoFile);
    answering({m_session.path}, [this] { window().N2->trigger(); });
    QCOMPARE(setting(Directory, LastDiary), m_session.path);

    setSetting(m_session.dir->path(), Options, OpenFave, QStringLiteral("1"));
    TForm1 next(m_session.dir->path());
    QCOMPARE(next.state().DiaryPath, fave);
    QCOMPARE(next.LBdate->count(), 1);
}

// The file is replaced whole when written, which cannot happen while a folder has its name.
void TestDiaryCommands::failedWriteOfMainDiaryIsReported()
{
    QVERIFY(m_session.start({}));
    const QString settings = window().settingsPath();
    QVERIFY(QFile::remove(settings) && QDir().mkdir(settings));
    QCOMPARE(m_session.trigger(window().N24), QStringList{"Unable to write to " + settings});
}

void TestDiaryCommands::editingSwitchFollowsTheEntryOnView()
{
    QVERIFY(m_session.start({{stampOf(2026, 2, 1, 8), QStringLiteral("x")}}));
    const QByteArray settings = fileBytes(window().settingsPath());
    const auto buttons = [this] { return QList<bool>{window().Bchange->isEnabled(), window().Bdel->isEnabled()}; };
    const QList<bool> off{false, false};
    const QList<bool> on{true, true};

    for (bool mark : {false, true}) { // no entry on view
        m_session.trigger(window().N10);
        QVERIFY(window().N10->isChecked() == mark && window().state().EditAllowed == mark);
        QCOMPARE(buttons(), off);
    }
    m_session.view(0);
    QCOMPARE(buttons(), on);
    m_session.trigger(window().N10);
    QCOMPARE(buttons(), off);
    m_session.trigger(window().N10);
    QCOMPARE(buttons(), on);

    QVERIFY(m_session.click(window().Bchange).isEmpty());
    m_session.trigger(window().N10);
    m_session.trigger(window().N10);
    QCOMPARE(buttons(), off);
    QVERIFY(m_session.click(window().BSave2).isEmpty());
    QCOMPARE(buttons(), on);
    QCOMPARE(fileBytes(window().settingsPath()), settings);
}

void TestDiaryCommands::settingsWindowTakesTheInputWhileShown()
{
    QVERIFY(m_session.start({}));
    auto* settings = new TForm4(window());
    window().setSettingsWindow(settings);
    for (bool byButton : {true, false}) {
        m_session.trigger(window().N23);
        QVERIFY(settings->isVisible() && !window().takesInput());
        if (byButton)
            QTest::mouseClick(settings->BitBtn3, Qt::LeftButton);
        else
            settings->close();
        QVERIFY(!settings->isVisible() && window().takesInput());
    }
}

QTEST_MAIN(TestDiaryCommands)
#include "tst_diarycommands.moc"
