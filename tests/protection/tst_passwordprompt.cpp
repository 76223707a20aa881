#include "mainwindow/diarymaker.h"
#include "protection/passwordprompt.h"
#include "store/cp1251.h"
#include "store/recordfile.h"
#include "store/scramble.h"

#include <QFile>
#include <QLabel>
#include <QTemporaryDir>
#include <QtTest>

class TestPasswordPrompt : public QObject
{
    Q_OBJECT

private slots:
    void answers_data();
    void answers();
};

void TestPasswordPrompt::answers_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matches");
    QTest::addColumn<QString>("closing"); // after the right password is typed; empty: accepted
    QTest::newRow("letter case") << QByteArray("Secret") << "secret" << false << QString();
    QTest::newRow("cyrillic") << QByteArray("\xCF\xE0\xF0\xEE\xEB\xFC") << QStringLiteral("Пароль") << true
                              << QString();
    // Windows-1251 has no 'ą': written out it would become the '?' of the stored password.
    QTest::newRow("outside code page") << QByteArray("a?b") << QStringLiteral("a\u0105b") << false << QString();
    const QByteArray longest = QByteArray(254, 'k') + 'z';
    QTest::newRow("first 255 count") << longest << QString::fromLatin1(longest + "tail") << true << QString();
    QTest::newRow("closed by button") << QByteArray("Secret") << "secret" << false << "button";
    QTest::newRow("closed by escape") << QByteArray("Secret") << "secret" << false << "escape";
    QTest::newRow("closed by close box") << QByteArray("Secret") << "secret" << false << "close";
}

// A file cut meanwhile cannot be checked and the prompt stays as it was. A wrong password empties
// the field and asks again; the right one is then taken, unless the prompt is closed.
void TestPasswordPrompt::answers()
{
    QFETCH(QByteArray, password);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    QFETCH(QString, closing);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("my.qnb"));
    DiaryHeader header;
    header.Password = EncodePassword(password);
    createDiaryFile(path, header.toRecord(), false);
    RecordFile probe;
    probe.open(path);
    TPassDlg prompt(path, probe, nullptr);

    QStringList seen;
    const auto controls = [&] {
        seen << prompt.Label1->text() + u'|' + prompt.PassIn->displayText() + u'|' +
                    (prompt.BbOK->isEnabled() ? "enabled" : "disabled");
    };
    // Steps that leave the prompt open end it with a result no real prompt gives, so that the test
    // fails instead of hanging.
    QTimer::singleShot(0, &prompt, [&] {
        seen << prompt.FileName->text();
        controls();
        QFile file(path);
        const QByteArray headerBytes = file.open(QIODevice::ReadWrite) ? file.readAll() : QByteArray();
        file.resize(100);
        prompt.PassIn->setText(typed);
        seen << diarymaker::answering({}, [&] { prompt.BbOK->click(); });
        controls();
        file.seek(0);
        file.write(headerBytes);
        file.close();
        prompt.BbOK->click();
        if (prompt.isVisible()) {
            controls();
            prompt.PassIn->setText(fromCp1251(password));
            if (closing.isEmpty())
                prompt.BbOK->click();
            else if (closing == QLatin1String("button"))
                QTest::mouseClick(prompt.BbClose, Qt::LeftButton);
            else if (closing == QLatin1String("escape"))
                QTest::keyClick(prompt.PassIn, Qt::Key_Escape);
            else
                prompt.close();
        }
        if (prompt.isVisible())
            prompt.done(99);
    });
    const int result = prompt.exec();
    const QString ask = QStringLiteral("Введите пароль для файла:|");
    QStringList expected{"my.qnb", ask + "|disabled", "Read beyond end of file",
                         ask + QString(typed.size(), u'*') + "|enabled"};
    if (!matches)
        expected << QStringLiteral("Неверный пароль! ||disabled");
    QCOMPARE(seen, expected);
    QCOMPARE(result, closing.isEmpty() ? TPassDlg::PasswordMatched : TPassDlg::PasswordRefused);
    QCOMPARE(prompt.key(), closing.isEmpty() ? std::optional(password) : std::nullopt);
}

QTEST_MAIN(TestPasswordPrompt)
#include "tst_passwordprompt.moc"
