#include "mainwindow/diarymaker.h"
#include "mainwindow/mainwindow.h"
#include "settings/settingswindow.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QtTest>

namespace
{

QString flags(std::initializer_list<bool> values)
{
    QString text;
    for (bool value : values)
        text += value ? u'1' : u'0';
    return text;
}

} // namespace

class TestSettingsWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { m_form.reset(); }
    void showsWhatTheFileHolds_data();
    void showsWhatTheFileHolds();
    void savesAndApplies_data();
    void savesAndApplies();
    void entryButtonsFollowMenuEditingMode_data();
    void entryButtonsFollowMenuEditingMode();
    void failedWriteKeepsWindowUntilClosed();

private:
    // With a diary, Settings.ini names it as the last one and the main window opens it at start;
    // without, `options` (when given) are the lines of section Options.
    void start(bool withDiary, const QByteArray& options = QByteArray());
    void showWindow();
    QStringList pressEnter()
    {
        return diarymaker::answering({}, [this] { QTest::keyClick(m_window->word, Qt::Key_Return); });
    }

    std::unique_ptr<QTemporaryDir> m_dir;
    QByteArray m_directorySection;
    std::unique_ptr<TForm1> m_form;
    TForm4* m_window = nullptr; // owned by m_form
};

void TestSettingsWindow::start(bool withDiary, const QByteArray& options)
{
    m_dir = std::make_unique<QTemporaryDir>();
    const QString programDir = m_dir->filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkdir(programDir));
    QByteArray settings = options.isNull() ? QByteArray() : "[Options]\n" + options;
    if (withDiary) {
        const QString diary = m_dir->filePath(QStringLiteral("d.qnb"));
        diarymaker::writeDiary(diary, diarymaker::Diary{{}, {}, {}, 0, {diarymaker::stampOf(2025, 1, 2, 10)}, {}});
        m_directorySection = "[Directory]\r\nLastDiary=" + diary.toUtf8() + "\r\nFaveDiary=/x.qnb\r\n";
        settings = "[Options]\r\nOpenLast=1\r\n" + m_directorySection;
    }
    QFile file(settingsFilePath(programDir));
    QVERIFY(settings.isNull() || (file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size()));
    file.close();
    m_form = std::make_unique<TForm1>(programDir);
    QCOMPARE(m_form->Bclear->isEnabled(), withDiary);
    m_window = new TForm4(m_form->settingsPath(), m_form.get());
    m_form->setSettingsWindow(m_window);
}

void TestSettingsWindow::showWindow()
{
    m_form->N23->trigger();
    QVERIFY(m_window->isVisible() && !m_form->takesInput());
}

void TestSettingsWindow::showsWhatTheFileHolds_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QString>("boxes"); // editing, word, date
    QTest::addColumn<int>("run");
    QTest::newRow("no file") << QByteArray() << "011" << 2;
    QTest::newRow("last only, odd numbers")
        << QByteArray("OpenLast=$1\nOpenFave=0\nEditing=yes\nByWord=0x0\nByDate=2") << "001" << 0;
    QTest::newRow("both start-up keys, empty and hex")
        << QByteArray("OpenLast=1\nOpenFave=1\nEditing=0x10\nByWord=\nByDate=0") << "110" << 1;
}

void TestSettingsWindow::showsWhatTheFileHolds()
{
    QFETCH(QByteArray, options);
    QFETCH(QString, boxes);
    QFETCH(int, run);
    start(false, options);
    m_window->default_->setChecked(true);
    m_window->Run->setItemIndex(-1);
    showWindow();
    QCOMPARE(flags({m_window->editing->isChecked(), m_window->word->isChecked(), m_window->date->isChecked()}), boxes);
    QCOMPARE(m_window->Run->itemIndex(), run);
    QVERIFY(!m_window->default_->isChecked());
}

void TestSettingsWindow::savesAndApplies_data()
{
    QTest::addColumn<bool>("diary");
    QTest::addColumn<QStringList>("clicks");
    QTest::addColumn<int>("run");
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QString>("applied"); // marks of N19, N20; DTPicker, ToChNum, Today, InWord, Search, ClearSearch
    const QByteArray fresh = "[Options]\nEditing=0\nByWord=1\nByDate=1\nOpenLast=0\nOpenFave=0\n";
    // The file held OpenLast only: the other keys follow it.
    const QByteArray chosen = "[Options]\r\nOpenLast=0\r\nEditing=1\r\nByWord=0\r\nByDate=1\r\nOpenFave=1\r\n";
    const QByteArray defaults = "[Options]\r\nOpenLast=0\r\nEditing=0\r\nByWord=1\r\nByDate=1\r\nOpenFave=0\r\n";
    const QStringList all{"date", "word", "editing", "default"};
    QTest::newRow("no file, no diary") << false << all << 2 << fresh << "01 000000";
    QTest::newRow("choices") << true << QStringList{"editing", "word"} << 1 << chosen << "10 111000";
    QTest::newRow("defaults") << true << all << 0 << defaults << "00 000000";
}

void TestSettingsWindow::savesAndApplies()
{
    QFETCH(bool, diary);
    QFETCH(QStringList, clicks);
    QFETCH(int, run);
    QFETCH(QByteArray, options);
    QFETCH(QString, applied);
    start(diary);
    showWindow();
    for (const QString& name : clicks)
        QTest::mouseClick(m_window->findChild<QCheckBox*>(name), Qt::LeftButton);
    QTest::mouseClick(m_window->Run->button(run), Qt::LeftButton);
    QCOMPARE(pressEnter(), QStringList());

    QCOMPARE(diarymaker::fileBytes(m_form->settingsPath()), diary ? options + m_directorySection : options);
    const TForm1& f = *m_form;
    QCOMPARE(flags({f.N19->isChecked(), f.N20->isChecked()}) + u' ' +
                 flags({f.DTPicker->isEnabled(), f.ToChNum->isEnabled(), f.Today->isEnabled(), f.InWord->isEnabled(),
                        f.Search->isEnabled(), f.ClearSearch->isEnabled()}),
             applied);
    QVERIFY(!f.N10->isChecked() && !m_form->state().EditAllowed);
    QVERIFY(!m_window->isVisible() && m_form->takesInput());
}

// "Изменить" and "Удалить" follow the menu's editing mode, not the window's editing box, and need
// an entry on view that is not being changed.
void TestSettingsWindow::entryButtonsFollowMenuEditingMode_data()
{
    QTest::addColumn<bool>("marked"); // "Редактирование"
    QTest::addColumn<QString>("steps");
    QTest::addColumn<bool>("buttons");
    QTest::newRow("editing, entry on view") << true << "view" << true;
    QTest::newRow("no editing, entry on view") << false << "view" << false;
    QTest::newRow("editing, nothing on view") << true << "" << false;
    QTest::newRow("changing") << true << "view change" << false;
    QTest::newRow("diary closed after viewing") << true << "view close" << false;
}

void TestSettingsWindow::entryButtonsFollowMenuEditingMode()
{
    QFETCH(bool, marked);
    QFETCH(QString, steps);
    QFETCH(bool, buttons);
    start(true);
    m_form->show();
    if (m_form->N10->isChecked() != marked)
        m_form->N10->trigger();
    if (steps.contains("view")) {
        const QRect first = m_form->LBdate->visualRect(m_form->LBdate->model()->index(0, 0));
        QTest::mouseClick(m_form->LBdate->viewport(), Qt::LeftButton, {}, first.center());
        QTest::mouseDClick(m_form->LBdate->viewport(), Qt::LeftButton, {}, first.center());
    }
    if (steps.contains("change"))
        QTest::mouseClick(m_form->Bchange, Qt::LeftButton);
    if (steps.contains("close"))
        m_form->N14->trigger();
    showWindow();
    m_window->editing->setChecked(!marked);
    QCOMPARE(pressEnter(), QStringList());
    QCOMPARE(m_form->state().EditAllowed, marked);
    QCOMPARE(m_form->Bchange->isEnabled(), buttons);
    QCOMPARE(m_form->Bdel->isEnabled(), buttons);
}

// Every way of closing gives the main window its input back, and none of them saves or applies.
void TestSettingsWindow::failedWriteKeepsWindowUntilClosed()
{
    start(false);
    const QString path = m_form->settingsPath();
    QVERIFY(QDir().mkdir(path));
    const std::function<void()> ways[] = {[this] { QTest::mouseClick(m_window->BitBtn3, Qt::LeftButton); },
                                          [this] { m_window->close(); },
                                          [this] { QTest::keyClick(m_window->word, Qt::Key_Escape); }};
    for (const auto& closeWindow : ways) {
        showWindow();
        m_window->date->setChecked(false);
        QCOMPARE(diarymaker::answering({}, [this] { QTest::mouseClick(m_window->BitBtn1, Qt::LeftButton); }),
                 QStringList{"Unable to write to " + QFileInfo(path).absoluteFilePath()});
        QVERIFY(m_window->isVisible() && !m_form->takesInput());
        QCOMPARE(diarymaker::answering({}, closeWindow), QStringList());
        QVERIFY(!m_window->isVisible() && m_form->takesInput());
        QVERIFY(QFileInfo(path).isDir());
        QVERIFY(m_form->N19->isChecked());
    }
}

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
