#include "dialogs/messageanswer.h"
#include "mainwindow/mainwindow.h"
#include "protection/passwordprompt.h"
#include "store/recordfile.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QtTest>

class TestPasswordPrompt : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsFileNameAndFollowsTypedText();
    void comparesTypedTextByteForByte_data();
    void comparesTypedTextByteForByte();
    void keepsAskingAfterWrongPasswords();
    void everyRefusalLeavesTheKey_data();
    void everyRefusalLeavesTheKey();
    void failedHeaderReadKeepsThePromptAsItWas();

private:
    DiaryState& state() { return m_form->state(); }
    void makeDiary(const QByteArray& clearPassword);
    // Runs a fresh prompt modally while `steps` act on it. A prompt they leave open ends with a
    // result no real prompt gives, so that the test fails instead of hanging.
    int runPrompt(const std::function<void(TPassDlg&)>& steps);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TForm1> m_form;
};

void TestPasswordPrompt::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_form = std::make_unique<TForm1>(m_dir->path());
}

void TestPasswordPrompt::cleanup()
{
    m_form.reset();
    m_dir.reset();
}

void TestPasswordPrompt::makeDiary(const QByteArray& clearPassword)
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Docs")));
    const QString path = m_dir->filePath(QStringLiteral("Docs/my.qnb"));
    DiaryHeader header;
    header.Password = EncodePassword(clearPassword);
    createDiaryFile(path, header.toRecord(), false);
    state().DiaryPath = path;
    state().HasPassword = true;
    state().ProbeFile.open(path);
    state().ProbeFile.read(0, state().RecordBuffer);
}

int TestPasswordPrompt::runPrompt(const std::function<void(TPassDlg&)>& steps)
{
    TPassDlg prompt(state(), *m_form);
    m_form->setTakesInput(false);
    QTimer::singleShot(0, &prompt, [&prompt, &steps] {
        steps(prompt);
        if (prompt.isVisible())
            prompt.done(99);
    });
    return prompt.exec();
}

void TestPasswordPrompt::showsFileNameAndFollowsTypedText()
{
    makeDiary("Secret");
    QString fileName, shown;
    QList<bool> okEnabled;
    runPrompt([&](TPassDlg& prompt) {
        fileName = prompt.FileName->text();
        okEnabled << prompt.BbOK->isEnabled();
        QTest::keyClicks(prompt.PassIn, "abc");
        okEnabled << prompt.BbOK->isEnabled();
        shown = prompt.PassIn->displayText();
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(prompt.PassIn, Qt::Key_Backspace);
        okEnabled << prompt.BbOK->isEnabled();
        prompt.BbClose->click();
    });
    QCOMPARE(fileName, QStringLiteral("my.qnb"));
    QCOMPARE(okEnabled, QList<bool>({false, true, false}));
    QCOMPARE(shown, QStringLiteral("***"));
}

void TestPasswordPrompt::comparesTypedTextByteForByte_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("matches");
    QTest::newRow("same") << QByteArray("Secret") << "Secret" << true;
    QTest::newRow("letter case") << QByteArray("Secret") << "secret" << false;
    QTest::newRow("cyrillic") << QByteArray("\xCF\xE0\xF0\xEE\xEB\xFC") << QStringLiteral("Пароль") << true;
    // Windows-1251 has no 'ą': written out it would become the '?' of the stored password.
    QTest::newRow("outside code page") << QByteArray("a?b") << QStringLiteral("a\u0105b") << false;
    const QByteArray longest = QByteArray(254, 'k') + 'z';
    QTest::newRow("first 255 count") << longest << QString::fromLatin1(longest + "tail") << true;
}

void TestPasswordPrompt::comparesTypedTextByteForByte()
{
    QFETCH(QByteArray, password);
    QFETCH(QString, typed);
    QFETCH(bool, matches);
    makeDiary(password);
    const int result = runPrompt([&](TPassDlg& prompt) {
        prompt.PassIn->setText(typed);
        prompt.BbOK->click();
        if (prompt.isVisible() && prompt.PassIn->text().isEmpty())
            prompt.BbClose->click();
    });
    QCOMPARE(result, matches ? TPassDlg::PasswordMatched : TPassDlg::PasswordRefused);
    QCOMPARE(state().EntryKey, matches ? password : FixedKey);
}

void TestPasswordPrompt::keepsAskingAfterWrongPasswords()
{
    makeDiary("Secret");
    QStringList labels;
    const int result = runPrompt([&](TPassDlg& prompt) {
        labels << prompt.Label1->text();
        for (const char* wrong : {"secret", "Secre"}) {
            QTest::keyClicks(prompt.PassIn, wrong);
            prompt.BbOK->click();
            labels << prompt.Label1->text() + '|' + prompt.PassIn->text();
        }
        QTest::keyClicks(prompt.PassIn, "Secret");
        QTest::keyClick(prompt.PassIn, Qt::Key_Return);
    });
    QCOMPARE(result, TPassDlg::PasswordMatched);
    QCOMPARE(labels, QStringList({QStringLiteral("Введите пароль для файла:"), QStringLiteral("Неверный пароль! |"),
                                  QStringLiteral("Неверный пароль! |")}));
    QCOMPARE(state().EntryKey, QByteArray("Secret"));
    QVERIFY(m_form->takesInput());
}

void TestPasswordPrompt::everyRefusalLeavesTheKey_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("button") << QStringLiteral("button");
    QTest::newRow("escape") << QStringLiteral("escape");
    QTest::newRow("close box") << QStringLiteral("close");
}

void TestPasswordPrompt::everyRefusalLeavesTheKey()
{
    QFETCH(QString, how);
    makeDiary("Secret");
    const int result = runPrompt([&](TPassDlg& prompt) {
        QTest::keyClicks(prompt.PassIn, "Secret"); // the right password, yet refused
        if (how == QLatin1String("button"))
            QTest::mouseClick(prompt.BbClose, Qt::LeftButton);
        else if (how == QLatin1String("escape"))
            QTest::keyClick(prompt.PassIn, Qt::Key_Escape);
        else
            prompt.close();
    });
    QCOMPARE(result, TPassDlg::PasswordRefused);
    QCOMPARE(state().EntryKey, FixedKey);
    QVERIFY(m_form->takesInput());
}

void TestPasswordPrompt::failedHeaderReadKeepsThePromptAsItWas()
{
    makeDiary("Secret");
    QVERIFY(QFile(state().DiaryPath).resize(100));
    QString message, label, typed;
    bool stayedOpen = false;
    runPrompt([&](TPassDlg& prompt) {
        QTest::keyClicks(prompt.PassIn, "Secret");
        message = answerMessageDuring([&] { prompt.BbOK->click(); });
        stayedOpen = prompt.isVisible();
        label = prompt.Label1->text();
        typed = prompt.PassIn->text();
        prompt.BbClose->click();
    });
    QCOMPARE(message, QStringLiteral("Read beyond end of file"));
    QVERIFY(stayedOpen);
    QCOMPARE(label, QStringLiteral("Введите пароль для файла:"));
    QCOMPARE(typed, QStringLiteral("Secret"));
    QCOMPARE(state().EntryKey, FixedKey);
}

QTEST_MAIN(TestPasswordPrompt)
#include "tst_passwordprompt.moc"
