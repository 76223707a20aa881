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
        QTest::addColumn<QString>("closing"); // after the right password is typed; empty: accepted
        // How a typed password meets a stored one is tried in full where the document recognises it.
        QTest::newRow("case, then the right one") << QByteArray("Secret") << "secret" << QString();
        for (const char* way : {"button", "escape", "close box"})
            QTest::addRow("case, closed by %s", way) << QByteArray("Secret") << "secret" << QString(way);
    }

    // The prompt as the document asks it while it opens a diary. A file cut meanwhile cannot be checked and the
    // prompt stays as it was. A wrong password empties the field and asks again; the right one is then taken, unless
    // the prompt is closed.
    void answers()
    {
        QFETCH(QByteArray, password);
        QFETCH(QString, typed);
        QFETCH(QString, closing);
        QTemporaryDir dir;
        const QString path = diarymaker::writeDiary(dir.filePath("my.qnb"), {.password = fromCp1251(password)});
        QStringList seen;
        int result = 0;
        const auto asker = [&](const QString& asked, const PasswordCheck& check) {
            PasswordPrompt prompt(asked, check, nullptr);
            const auto field = [&] { return named<QLineEdit>(&prompt, "PassIn"); };
            const auto button = [&](const char* name) { return named<QPushButton>(&prompt, name); };
            const auto controls = [&] {
                seen << named<QLabel>(&prompt, "Label1")->text() + u'|' + field()->displayText() + u'|' +
                            (button("BbOK")->isEnabled() ? "enabled" : "disabled");
            };
            // A prompt left open is ended with 99, which no real prompt gives, instead of hanging the test.
            QTimer::singleShot(0, &prompt, [&] {
                seen << named<QLabel>(&prompt, "FileName")->text() + u'|' + diarymaker::readName(field());
                controls();
                const QByteArray header = diarymaker::fileBytes(path);
                QFile::resize(path, 100);
                field()->setText(typed);
                seen << diarymaker::answering({}, [&] { button("BbOK")->click(); });
                controls();
                testfiles::writeFileBytes(path, header);
                button("BbOK")->click();
                if (prompt.isVisible()) {
                    controls();
                    field()->setText(fromCp1251(password));
                    diarymaker::closeBy(closing.isEmpty() ? "button" : closing, &prompt,
                                        button(closing.isEmpty() ? "BbOK" : "BbClose"), field());
                }
                if (prompt.isVisible())
                    prompt.done(99);
            });
            result = prompt.exec();
        };
        DiaryDocument document;
        std::optional<PreparedDiary> prepared = document.prepare(path, asker);
        const QString ask = QStringLiteral("Введите пароль для файла:|");
        QCOMPARE(seen, QStringList({"my.qnb|Пароль дневника", ask + "|disabled", "Read beyond end of file",
                                    ask + QString(typed.size(), u'*') + "|enabled", "Неверный пароль! ||disabled"}));
        QCOMPARE(result, closing.isEmpty() ? PasswordPrompt::PasswordMatched : PasswordPrompt::PasswordRefused);
        QCOMPARE(prepared.has_value(), closing.isEmpty());
    }
};

QTEST_MAIN(TestPasswordPrompt)
#include "tst_passwordprompt.moc"
