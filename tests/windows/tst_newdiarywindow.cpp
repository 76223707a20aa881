#include "diarymaker.h"
#include "windows/newdiarywindow.h"

using namespace diarymaker;

// The window creates diaries in the folder it is given, here one that already holds old.qnb.
class TestNewDiaryWindow : public QObject
{
    Q_OBJECT

    static QStringList folder(const QTemporaryDir& dir)
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private slots:
    void confirms_data()
    {
        QTest::addColumn<QString>("typed"); // null: the hint is left in the field
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("file");    // created; none when refused
        QTest::addColumn<QString>("refusal"); // the message
        const QString title = QString(30, u'Д') + QString(10, u'ж');
        QTest::newRow("several dots") << "a.b.c" << title << "a.qnb" << QString();
        QTest::newRow("25 characters") << QString(25, u'Ж') << title << QString(20, u'Ж') + ".qnb" << QString();
        QTest::newRow("dot only") << "." << title << ".qnb" << QString();
        QTest::newRow("hint left") << QString() << title << "Обязательное поле.qnb" << QString();
        QTest::newRow("existing file") << "old" << title << QString() << "Файл %1/old.qnb уже существует";
        QTest::newRow("missing folder") << "nofolder/x" << title << QString() << "Invalid filename";
        QTest::newRow("outside code page") << QStringLiteral("pl") << "Dziennik \u0105\u0119\u0105" << QString()
                                           << "Символы не поддерживаются: \u0105\u0119";
    }
    // A refusal leaves the window as it was until it is closed. A diary made is one header record, its title cut to
    // 30 characters; the window keeps its texts for next time.
    void confirms()
    {
        QFETCH(QString, typed);
        QFETCH(QString, title);
        QFETCH(QString, file);
        QFETCH(QString, refusal);
        QTemporaryDir dir;
        testfiles::writeFileBytes(dir.filePath("old.qnb"), "kept");
        NewDiaryWindow w(dir.path(), nullptr);
        w.show(); // as the main window shows it: application-modal, so that nothing else takes input meanwhile
        QVERIFY(QApplication::activeModalWidget() == &w && !named<QPushButton>(&w, "BBok")->isEnabled());
        if (!typed.isNull())
            named<QLineEdit>(&w, "Ein")->setText(typed);
        named<QLineEdit>(&w, "Edn")->setText(title);
        named<QLineEdit>(&w, "Emn")->setText(QStringLiteral("Ann"));
        const double before = currentStamp();
        const QStringList seen =
            answering({}, [&] { QTest::mouseClick(named<QPushButton>(&w, "BBok"), Qt::LeftButton); });
        if (file.isEmpty()) {
            QCOMPARE(seen, QStringList{refusal.arg(dir.path())});
            QVERIFY(w.isVisible() && QApplication::activeModalWidget() == &w);
            QVERIFY(named<QLineEdit>(&w, "Ein")->text() == typed && named<QLineEdit>(&w, "Edn")->text() == title);
            w.close();
            QVERIFY(!w.isVisible() && !QApplication::activeModalWidget());
            QVERIFY(fileBytes(dir.filePath("old.qnb")) == "kept" && folder(dir) == QStringList{"old.qnb"});
            return;
        }
        file = dir.filePath(file); // the message says where the diary is
        QCOMPARE(seen, QStringList{"Файл " + file + " создан!\rНазвание: " + title.left(30) +
                                   "\rВладелец: Ann\rВНИМАНИЕ! Открыть файл неоходимо самостоятельно"});
        QVERIFY(!w.isVisible() && !QApplication::activeModalWidget());
        QVERIFY(QFileInfo(file).size() == RecordSize && folder(dir).size() == 2);
        RecordFile made;
        made.open(file);
        const DiaryHeader header = DiaryHeader::fromRecord(made.readHeader());
        QVERIFY(header.created >= before && header.created <= currentStamp());
        QVERIFY(header.title == QByteArray(30, '\xC4') && header.owner == "Ann" && header.password.isEmpty());

        // A click into the field takes the hint away, so that a name can be typed at once.
        w.show();
        QVERIFY(named<QPushButton>(&w, "BBok")->isEnabled());
        QTest::mouseClick(named<QLineEdit>(&w, "Ein"), Qt::LeftButton);
        QVERIFY(named<QLineEdit>(&w, "Ein")->text() == typed &&
                named<QPushButton>(&w, "BBok")->isEnabled() != typed.isNull());
        QCOMPARE(readName(named<QLineEdit>(&w, "Emn")),
                 named<QLabel>(&w, "Label3")->text()); // as a screen reader names it
    }
};

QTEST_MAIN(TestNewDiaryWindow)
#include "tst_newdiarywindow.moc"
