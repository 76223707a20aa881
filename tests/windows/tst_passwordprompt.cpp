#include "diarymaker.h"
#include "windows/passwordprompt.h"

using diarymaker::named;

class TestPasswordPrompt : public QObject
{
    Q_OBJECT

private slots:
    void answers_data()
    {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("matches");
        QTest::addColumn<QString>("closing"); // after the right password is typed; empty: accepted
        // How a typed password meets a stored one is tried in full where the document recognises it.
        QTest::newRow("cyrillic") << QByteArray("\xCF\xE0\xF0\xEE\xEB\xFC") << "Пароль" << true << QString();
        QTest::newRow("case, then the right one") << QByteArray("Secret") << "secret" << false << QString();
        for (const char* way : {"button", "escape", "close box"})
            QTest::addRow("case, closed by %s", way) << QByteArray("Secret") << "secret" << false << QString(way);
    }

    // A file cut meanwhile cannot be checked and the prompt stays as it was. A wrong password empties
    // the field and asks again; the right one is then taken, unless the prompt is closed.
    void answers()
    {
        QFETCH(QByteArray, password);
        QFETCH(QString, typed);
        QFETCH(bool, matches);
        QFETCH(QString, closing);
        QTemporaryDir dir;
        const QString path = diarymaker::writeDiary(dir.filePath("my.qnb"), {.password = fromCp1251(password)});
        RecordFile probe;
        probe.open(path);
        TPassDlg prompt(path, probe, nullptr);

        QStringList seen;
        const auto controls = [&] {
            seen << named<QLabel>(&prompt, "Label1")->text() + u'|' +
                        named<QLineEdit>(&prompt, "PassIn")->displayText() + u'|' +
                        (named<QPushButton>(&prompt, "BbOK")->isEnabled() ? "enabled" : "disabled");
        };
        // A prompt left open is ended with 99, which no real prompt gives, instead of hanging the test.
        QTimer::singleShot(0, &prompt, [&] {
            seen << named<QLabel>(&prompt, "FileName")->text() + u'|' +
                        diarymaker::readName(named<QLineEdit>(&prompt, "PassIn"));
            controls();
            const QByteArray header = diarymaker::fileBytes(path);
            QFile::resize(path, 100);
            named<QLineEdit>(&prompt, "PassIn")->setText(typed);
            seen << diarymaker::answering({}, [&] { named<QPushButton>(&prompt, "BbOK")->click(); });
            controls();
            testfiles::writeFileBytes(path, header);
            named<QPushButton>(&prompt, "BbOK")->click();
            if (prompt.isVisible()) {
                controls();
                named<QLineEdit>(&prompt, "PassIn")->setText(fromCp1251(password));
                QPushButton* button =
                    closing.isEmpty() ? named<QPushButton>(&prompt, "BbOK") : named<QPushButton>(&prompt, "BbClose");
                diarymaker::closeBy(closing.isEmpty() ? "button" : closing, &prompt, button,
                                    named<QLineEdit>(&prompt, "PassIn"));
            }
            if (prompt.isVisible())
                prompt.done(99);
        });
        const int result = prompt.exec();
        const QString ask = QStringLiteral("Введите пароль для файла:|");
        const QStringList wrong = matches ? QStringList() : QStringList{"Неверный пароль! ||disabled"};
        QCOMPARE(seen, QStringList({"my.qnb|Пароль дневника", ask + "|disabled", "Read beyond end of file",
                                    ask + QString(typed.size(), u'*') + "|enabled"}) +
                           wrong);
        QCOMPARE(result, closing.isEmpty() ? TPassDlg::PasswordMatched : TPassDlg::PasswordRefused);
        QCOMPARE(prompt.key(), closing.isEmpty() ? std::optional(password) : std::nullopt);
    }
};

QTEST_MAIN(TestPasswordPrompt)
#include "tst_passwordprompt.moc"
