#include "dialogs/newdiarywindow.h"
#include "mainwindow/mainwindow.h"
#include "messageanswer.h"
#include "store/stamp.h"

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

namespace
{

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList folderContents()
{
    return QDir::current().entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
}

} // namespace

class TestNewDiaryWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void derivesFileName_data();
    void derivesFileName();
    void requiredFieldTextNeedsAChangeFirst();
    void writesOneHeaderRecordAndKeepsTexts();
    void refusalKeepsWindowAndFiles_data();
    void refusalKeepsWindowAndFiles();
    void everyWayOfClosingGivesInputBack_data();
    void everyWayOfClosingGivesInputBack();

private:
    void showWindow();
    QString confirm();

    QString m_previousFolder;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TForm1> m_form;
    TForm3* m_window = nullptr; // owned by m_form
};

void TestNewDiaryWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("program")));
    m_form = std::make_unique<TForm1>(m_dir->filePath(QStringLiteral("program")));
    m_window = new TForm3(*m_form);
    m_previousFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TestNewDiaryWindow::cleanup()
{
    QDir::setCurrent(m_previousFolder);
    m_form.reset();
    m_dir.reset();
}

void TestNewDiaryWindow::showWindow()
{
    m_form->setTakesInput(false);
    m_window->show();
}

QString TestNewDiaryWindow::confirm()
{
    return answerMessageDuring([this] { QTest::mouseClick(m_window->BBok, Qt::LeftButton); });
}

void TestNewDiaryWindow::derivesFileName_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::newRow("extension") << "my.diary"
                               << "my.qnb";
    QTest::newRow("several dots") << "a.b.c"
                                  << "a.qnb";
    QTest::newRow("25 characters") << QString(25, u'Ж') << QString(20, u'Ж') + ".qnb";
    QTest::newRow("dot only") << "."
                              << ".qnb";
}

void TestNewDiaryWindow::derivesFileName()
{
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QCOMPARE(newDiaryFileName(typed), name);
}

void TestNewDiaryWindow::requiredFieldTextNeedsAChangeFirst()
{
    showWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QCOMPARE(QApplication::focusWidget(), m_window->BBno);
    QVERIFY(!m_window->BBok->isEnabled());

    QTest::keyClicks(m_window->Emn, "x");
    QVERIFY(confirm().startsWith(QStringLiteral("Файл Обязательное поле.qnb создан!\r")));
    QCOMPARE(folderContents(), QStringList({QStringLiteral("program"), QStringLiteral("Обязательное поле.qnb")}));

    // A click into the field takes the hint away so that a name can be typed at once.
    showWindow();
    QTest::mouseClick(m_window->Ein, Qt::LeftButton);
    QCOMPARE(m_window->Ein->text(), QString());
    QVERIFY(!m_window->BBok->isEnabled());
}

void TestNewDiaryWindow::writesOneHeaderRecordAndKeepsTexts()
{
    m_form->state().HasPassword = true;
    showWindow();
    m_window->Ein->setText(QStringLiteral("my.diary"));
    m_window->Edn->setText(QString(30, u'Д') + QString(10, u'ж'));
    m_window->Emn->setText(QStringLiteral("Ann"));
    const double before = currentStamp();
    const QString message = confirm();
    const double after = currentStamp();

    QCOMPARE(message, QStringLiteral("Файл my.qnb создан!\rНазвание: ") + QString(30, u'Д') +
                          QStringLiteral("\rВладелец: Ann\rВНИМАНИЕ! Открыть файл неоходимо самостоятельно"));
    const QByteArray file = readAll(QStringLiteral("my.qnb"));
    QCOMPARE(file.size(), 5128);
    double created = 0;
    std::memcpy(&created, file.constData(), sizeof created);
    QVERIFY(created >= before && created <= after);
    QByteArray expected(5128, '\0'); // the password slot at 8 is empty, as are slots 4 to 20
    expected.replace(0, 8, file.left(8));
    expected.replace(264, 31, '\x1E' + QByteArray(30, '\xC4'));
    expected.replace(520, 4,
                     QByteArray("\x03"
                                "Ann"));
    QCOMPARE(file, expected);

    QVERIFY(!m_window->isVisible());
    QVERIFY(m_form->takesInput());
    QVERIFY(m_form->state().HasPassword); // belongs to the open diary, another file

    showWindow();
    QCOMPARE(m_window->Ein->text(), QStringLiteral("my.diary"));
    QCOMPARE(m_window->Emn->text(), QStringLiteral("Ann"));
    QVERIFY(m_window->BBok->isEnabled());
}

void TestNewDiaryWindow::refusalKeepsWindowAndFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("message");
    QTest::newRow("existing file") << "my"
                                   << "New" << QStringLiteral("Файл my.qnb уже существует");
    QTest::newRow("missing folder") << "nofolder/x"
                                    << "New"
                                    << "Invalid filename";
    QTest::newRow("outside code page") << "pl" << QStringLiteral("Dziennik \u0105\u0119\u0105")
                                       << QStringLiteral("Символы не поддерживаются: \u0105\u0119");
}

void TestNewDiaryWindow::refusalKeepsWindowAndFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, title);
    QFETCH(QString, message);
    QByteArray diary(2 * 5128, '\0');
    for (int i = 0; i < diary.size(); ++i)
        diary[i] = char(i * 7);
    QFile existing(QStringLiteral("my.qnb"));
    QVERIFY(existing.open(QIODevice::WriteOnly) && existing.write(diary) == diary.size());
    existing.close();

    showWindow();
    m_window->Ein->setText(name);
    m_window->Edn->setText(title);
    QCOMPARE(confirm(), message);
    QCOMPARE(readAll(QStringLiteral("my.qnb")), diary);
    QCOMPARE(folderContents(), QStringList({QStringLiteral("my.qnb"), QStringLiteral("program")}));
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_form->takesInput());
    QCOMPARE(m_window->Ein->text(), name);
    QCOMPARE(m_window->Edn->text(), title);
}

void TestNewDiaryWindow::everyWayOfClosingGivesInputBack_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << QStringLiteral("button");
    QTest::newRow("close") << QStringLiteral("close");
    QTest::newRow("escape") << QStringLiteral("escape");
}

void TestNewDiaryWindow::everyWayOfClosingGivesInputBack()
{
    QFETCH(QString, how);
    showWindow();
    if (how == QLatin1String("button"))
        QTest::mouseClick(m_window->BBno, Qt::LeftButton);
    else if (how == QLatin1String("close"))
        m_window->close();
    else
        QTest::keyClick(m_window->Edn, Qt::Key_Escape);
    QVERIFY(!m_window->isVisible());
    QVERIFY(m_form->takesInput());
    QCOMPARE(folderContents(), QStringList({QStringLiteral("program")}));
}

QTEST_MAIN(TestNewDiaryWindow)
#include "tst_newdiarywindow.moc"
