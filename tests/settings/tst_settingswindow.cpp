#include "dialogs/messageanswer.h"
#include "mainwindow/diarymaker.h"
#include "mainwindow/mainwindow.h"
#include "settings/settingswindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString flags(std::initializer_list<bool> values)
{
    QString text;
    for (bool value : values)
        text += value ? u'1' : u'0';
    return text;
}

const QByteArray FreshDefaults = "[Options]\nEditing=0\nByWord=1\nByDate=1\nOpenLast=0\nOpenFave=0\n";
// Written into a file that held OpenLast only: the other keys follow it.
const QByteArray Chosen = "[Options]\r\nOpenLast=0\r\nEditing=1\r\nByWord=0\r\nByDate=1\r\nOpenFave=1\r\n";
const QByteArray Defaults = "[Options]\r\nOpenLast=0\r\nEditing=0\r\nByWord=1\r\nByDate=1\r\nOpenFave=0\r\n";

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
    void failedWriteKeepsWindowAndAppliesNothing();
    void everyWayOfClosingGivesInputBack();

private:
    // With a diary, Settings.ini names it as the last one and the main window opens it at start;
    // without, `options` (when given) are the lines of section Options.
    void start(bool withDiary, const QByteArray& options = QByteArray());
    void showWindow();
    QString pressEnter();
    QString appliedState() const;

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
        diarymaker::writeDiary(diary, diarymaker::Diary{});
        m_directorySection = "[Directory]\r\nLastDiary=" + diary.toUtf8() + "\r\nFaveDiary=/x.qnb\r\n";
        settings = "[Options]\r\nOpenLast=1\r\n" + m_directorySection;
    }
    QFile file(settingsFilePath(programDir));
    QVERIFY(settings.isNull() || (file.open(QIODevice::WriteOnly) && file.write(settings) == settings.size()));
    file.close();
    m_form = std::make_unique<TForm1>(programDir);
    QCOMPARE(m_form->Bclear->isEnabled(), withDiary);
    m_window = new TForm4(*m_form);
}

void TestSettingsWindow::showWindow()
{
    m_form->setTakesInput(false);
    m_window->show();
}

QString TestSettingsWindow::pressEnter()
{
    return answerMessageDuring([this] { QTest::keyClick(m_window->word, Qt::Key_Return); });
}

QString TestSettingsWindow::appliedState() const
{
    const TForm1& f = *m_form;
    return flags({f.N19->isChecked(), f.N20->isChecked()}) + u' ' +
           flags({f.DTPicker->isEnabled(), f.ToChNum->isEnabled(), f.Today->isEnabled(), f.InWord->isEnabled(),
                  f.Search->isEnabled(), f.ClearSearch->isEnabled()});
}

void TestSettingsWindow::showsWhatTheFileHolds_data()
{
    QTest::addColumn<QByteArray>("options");
    QTest::addColumn<QString>("boxes"); // editing, word, date
    QTest::addColumn<int>("run");
    QTest::newRow("no file") << QByteArray() << "011" << 2;
    QTest::newRow("both start-up keys") << QByteArray("OpenLast=1\nOpenFave=1") << "011" << 1;
    QTest::newRow("last only") << QByteArray("OpenLast=$1\nOpenFave=0") << "011" << 0;
    QTest::newRow("odd numbers") << QByteArray("Editing=yes\nByWord=0x0\nByDate=2") << "001" << 2;
    QTest::newRow("empty and hex") << QByteArray("Editing=0x10\nByWord=\nByDate=0") << "110" << 2;
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
    QTest::newRow("no file, no diary") << false << QStringList{"date", "word", "editing", "default"} << 2
                                       << FreshDefaults << "01 000000";
    QTest::newRow("choices") << true << QStringList{"editing", "word"} << 1 << Chosen << "10 111000";
    QTest::newRow("defaults") << true << QStringList{"editing", "word", "date", "default"} << 0 << Defaults
                              << "00 000000";
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
    QCOMPARE(pressEnter(), QString());

    QCOMPARE(readAll(m_form->settingsPath()), diary ? options + m_directorySection : options);
    QCOMPARE(appliedState(), applied);
    QVERIFY(!m_form->N10->isChecked() && !m_form->state().EditAllowed);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_form->takesInput());
}

// Each row: diary open, "Редактирование" marked, entry on view, changing it, buttons before, after.
void TestSettingsWindow::entryButtonsFollowMenuEditingMode_data()
{
    QTest::addColumn<QString>("row");
    QTest::newRow("editing, entry on view") << "111001";
    QTest::newRow("no editing, entry on view") << "101010";
    QTest::newRow("editing, nothing on view") << "110010";
    QTest::newRow("changing keeps them") << "101111";
    QTest::newRow("diary closed after viewing") << "011010";
}

void TestSettingsWindow::entryButtonsFollowMenuEditingMode()
{
    QFETCH(QString, row);
    const auto flag = [&row](int i) { return row[i] == u'1'; };
    start(flag(0));
    m_form->N10->setChecked(flag(1));
    m_form->Ldate->setText(flag(2) ? QStringLiteral("02.01.2025 10:00:00") : TForm1::todayCaption());
    m_form->BSave2->setVisible(flag(3));
    m_form->Bchange->setEnabled(flag(4));
    m_form->Bdel->setEnabled(flag(4));
    showWindow();
    QCOMPARE(pressEnter(), QString());
    QCOMPARE(m_form->state().EditAllowed, flag(1));
    QCOMPARE(m_form->Bchange->isEnabled(), flag(5));
    QCOMPARE(m_form->Bdel->isEnabled(), flag(5));
}

void TestSettingsWindow::failedWriteKeepsWindowAndAppliesNothing()
{
    start(false);
    const QString path = m_form->settingsPath();
    QVERIFY(QDir().mkdir(path));
    showWindow();
    m_window->date->setChecked(false);
    const QString message = answerMessageDuring([this] { QTest::mouseClick(m_window->BitBtn1, Qt::LeftButton); });
    QCOMPARE(message, "Unable to write to " + QFileInfo(path).absoluteFilePath());
    QVERIFY(QFileInfo(path).isDir());
    QVERIFY(m_window->isVisible() && !m_form->takesInput());
    QVERIFY(m_form->N19->isChecked());
    m_window->close();
    QVERIFY(m_form->takesInput());
}

void TestSettingsWindow::everyWayOfClosingGivesInputBack()
{
    start(false);
    const std::function<void()> ways[] = {[this] { QTest::mouseClick(m_window->BitBtn3, Qt::LeftButton); },
                                          [this] { m_window->close(); },
                                          [this] { QTest::keyClick(m_window->word, Qt::Key_Escape); }};
    for (const auto& closeWindow : ways) {
        showWindow();
        m_window->date->setChecked(false);
        closeWindow();
        QVERIFY(!m_window->isVisible() && m_form->takesInput());
        QVERIFY(!QFileInfo::exists(m_form->settingsPath()));
        QVERIFY(m_form->N19->isChecked());
    }
}

QTEST_MAIN(TestSettingsWindow)
#include "tst_settingswindow.moc"
