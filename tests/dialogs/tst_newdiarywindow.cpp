#include "dialogs/newdiarywindow.h"
#include "mainwindow/diarymaker.h"
#include "store/stamp.h"

#include <QDir>
#include <QtTest>

#include <cstring>

class TestNewDiaryWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void creates_data();
    void creates();
    void refuses_data();
    void refuses();

private:
    void showWindow();
    QStringList confirm()
    {
        return diarymaker::answering({}, [this] { QTest::mouseClick(m_window->BBok, Qt::LeftButton); });
    }
    static QStringList folder()
    {
        return QDir::current().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

    QString m_previousFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<QWidget> m_form; // the window the new-diary window stands over
    TForm3* m_window = nullptr;      // owned by m_form
};

void TestNewDiaryWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("program")));
    m_form = std::make_unique<QWidget>();
    m_window = new TForm3(m_form.get());
    m_previousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestNewDiaryWindow::cleanup()
{
    QDir::setCurrent(m_previousFolder);
    m_form.reset();
    m_dir.reset();
}

// Shown as the main window shows it: application-modal, so that nothing else takes input meanwhile.
void TestNewDiaryWindow::showWindow()
{
    m_window->show();
    QCOMPARE(QApplication::activeModalWidget(), m_window);
}

void TestNewDiaryWindow::creates_data()
{
    QTest::addColumn<QString>("typed"); // null: the hint is left in the field
    QTest::addColumn<QString>("file");
    QTest::newRow("extension") << QStringLiteral("my.diary") << QStringLiteral("my.qnb");
    QTest::newRow("several dots") << QStringLiteral("a.b.c") << QStringLiteral("a.qnb");
    QTest::newRow("25 characters") << QString(25, u'Ж') << QString(20, u'Ж') + ".qnb";
    QTest::newRow("dot only") << QStringLiteral(".") << QStringLiteral(".qnb");
    QTest::newRow("hint left") << QString() << QStringLiteral("Обязательное поле.qnb");
}

// One header record; the title is cut to 30 characters. The window keeps its texts for next time.
void TestNewDiaryWindow::creates()
{
    QFETCH(QString, typed);
    QFETCH(QString, file);
    showWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QCOMPARE(QApplication::focusWidget(), m_window->BBno);
    QVERIFY(!m_window->BBok->isEnabled());
    if (!typed.isNull())
        m_window->Ein->setText(typed);
    m_window->Edn->setText(QString(30, u'Д') + QString(10, u'ж'));
    m_window->Emn->setText(QStringLiteral("Ann"));
    const double before = currentStamp();
    QCOMPARE(confirm(),
             QStringList{QStringLiteral("Файл ") + file + QStringLiteral(" создан!\rНазвание: ") + QString(30, u'Д') +
                         QStringLiteral("\rВладелец: Ann\rВНИМАНИЕ! Открыть файл неоходимо самостоятельно")});
    const double after = currentStamp();

    // Record layouts are pinned by the store's tests; here the fields and their cuts count.
    const QByteArray bytes = diarymaker::fileBytes(file);
    QCOMPARE(bytes.size(), RecordSize);
    DiaryHeader header;
    std::memcpy(&header.Created, bytes.constData(), sizeof header.Created);
    QVERIFY(header.Created >= before && header.Created <= after);
    header.Title = QByteArray(30, '\xC4');
    header.Owner = "Ann";
    QCOMPARE(bytes, QByteArray(header.toRecord().data(), RecordSize));
    QCOMPARE(folder().size(), 2);
    QVERIFY(!m_window->isVisible() && !QApplication::activeModalWidget());

    // A click into the field takes the hint away, so that a name can be typed at once.
    showWindow();
    QVERIFY(m_window->BBok->isEnabled());
    QTest::mouseClick(m_window->Ein, Qt::LeftButton);
    QCOMPARE(m_window->Ein->text(), typed.isNull() ? QString() : typed);
    QCOMPARE(m_window->BBok->isEnabled(), !typed.isNull());
}

void TestNewDiaryWindow::refuses_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("closing");
    QTest::newRow("existing file") << QStringLiteral("my") << QStringLiteral("New")
                                   << QStringLiteral("Файл my.qnb уже существует") << QStringLiteral("button");
    QTest::newRow("missing folder") << QStringLiteral("nofolder/x") << QStringLiteral("New")
                                    << QStringLiteral("Invalid filename") << QStringLiteral("close box");
    QTest::newRow("outside code page") << QStringLiteral("pl") << QStringLiteral("Dziennik \u0105\u0119\u0105")
                                       << QStringLiteral("Символы не поддерживаются: \u0105\u0119")
                                       << QStringLiteral("escape");
}

// The window stays as it was until it is closed, however that happens; no file changes.
void TestNewDiaryWindow::refuses()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QFETCH(QString, closing);
    diarymaker::Diary existing;
    existing.stamps = {1.5, 2.5};
    diarymaker::writeDiary(QStringLiteral("my.qnb"), existing);
    const QByteArray diary = diarymaker::fileBytes(QStringLiteral("my.qnb"));
    showWindow();
    m_window->Ein->setText(name);
    m_window->Edn->setText(title);
    QCOMPARE(confirm(), QStringList{message});
    QVERIFY(m_window->isVisible() && QApplication::activeModalWidget() == m_window);
    QCOMPARE(m_window->Ein->text() + u'|' + m_window->Edn->text(), name + u'|' + title);
    const auto closeWindow = [&] {
        if (closing == QLatin1String("button"))
            QTest::mouseClick(m_window->BBno, Qt::LeftButton);
        else if (closing == QLatin1String("escape"))
            QTest::keyClick(m_window->Edn, Qt::Key_Escape);
        else
            m_window->close();
    };
    QCOMPARE(diarymaker::answering({}, closeWindow), QStringList());
    QVERIFY(!m_window->isVisible() && !QApplication::activeModalWidget());
    QCOMPARE(diarymaker::fileBytes(QStringLiteral("my.qnb")), diary);
    QCOMPARE(folder(), QStringList({QStringLiteral("my.qnb"), QStringLiteral("program")}));
}

QTEST_MAIN(TestNewDiaryWindow)
#include "tst_newdiarywindow.moc"
