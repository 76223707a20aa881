#include "import/importwindow.h"
#include "mainwindow/diarymaker.h"
#include "oldfiles.h"
#include "store/rebuild.h"

using namespace diarymaker;
using namespace oldfiles;

class TestImportWindow : public QObject
{
    Q_OBJECT

    static inline const QString Locked = u"Для просмотра необходимо ввести пароль"_qs;
    static inline const QString Done = u"Импорт записей завершен"_qs;

    Session m_session;
    TForm8* m_form = nullptr;

    // The program with d.qnb holding `diary`, open at start or not, and the import window shown over it.
    void start(const Diary& diary, bool diaryOpen = true)
    {
        QVERIFY(m_session.start(diary, diaryOpen ? "[Options]\nOpenLast=1\n[Directory]\nLastDiary=%1/d.qnb\n"
                                                 : "[Options]\n"));
        m_form = new TForm8(m_session.window->document(), m_session.dir->path(), m_session.window.get());
        m_session.window->setImportWindow(m_form);
        QCOMPARE(m_session.trigger(m_session.window->N11), QStringList());
        QVERIFY(m_form->isVisible() && !m_session.window->takesInput());
    }

    // Opens source `name`, written with `bytes` unless they are null; returns the messages shown.
    QStringList open(const QString& name, const QByteArray& bytes)
    {
        if (!bytes.isNull())
            writeFileBytes(m_session.file(name), bytes);
        m_form->EInF->setText(m_session.file(name));
        return m_session.click(m_form->Open);
    }

    // Makes `row` current, as a click does; `space` checks it.
    QString current(int row, bool space = false)
    {
        m_form->CLB->setCurrentIndex(m_form->CLB->model()->index(row, 0));
        if (space)
            QTest::keyClick(m_form->CLB, Qt::Key_Space);
        return m_form->MLook->toPlainText();
    }

    QStringList listedTexts()
    {
        QStringList texts;
        for (int row = 0; row < m_session.listCount(); ++row)
            texts << m_session.view(row);
        return texts;
    }

    auto passBox() const
    {
        return std::pair(m_form->PassBox->title(), m_form->PassBox->palette().color(QPalette::WindowText));
    }

private slots:
    void cleanup()
    {
        setRebuildFaultHook({});
        m_session.close();
    }

    void opens_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // null for no file
        QTest::addColumn<bool>("diaryOpen");
        // Messages, status, version, entry count, protection caption, target checked (a failure keeps the last).
        QTest::addColumn<QString>("shown");
        const QList<double> three{stampOf(1), stampOf(2), stampOf(3)};
        QTest::newRow("missing") << QByteArray() << true << u"|Не удалось открыть файл!|||Защита |RBThis"_qs;
        QTest::newRow("a header alone") << oldDiary(Layout::Late, {}, {}) << true
                                        << u"|Записей не обнаружено. Исходный файл пуст.|||Защита |RBThis"_qs;
        QTest::newRow("no layout fits") << QByteArray(100, 'x') << true
                                        << u"Read beyond end of file||||Защита |RBThis"_qs;
        QTest::newRow("early") << oldDiary(Layout::Early, three, {"a", "b"}) << true
                               << u"|Дневник открыт (пароль не нужен)|1.0.0 - 1.1.4|2|Защита (нет) |RBThis"_qs;
        QTest::newRow("middle, no diary open")
            << oldDiary(Layout::Middle, three, {"a"}) << false
            << u"|Дневник открыт (пароль не нужен)|1.2.0 - 1.3.1|1|Защита (нет) |RBNew"_qs;
        QTest::newRow("late, protected")
            << oldDiary(Layout::Late, three, {"a", "b", "c"}, "key") << true
            << u"|Дневник открыт (дневник защищен паролем)|1.4.0 - 2.0.0|3|Защита (есть) |RBNew"_qs;
    }
    // Each source is opened after another one: a failure leaves nothing of it but the marks of the choices.
    void opens()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, diaryOpen);
        QFETCH(QString, shown);
        start(alternatingDays(2), diaryOpen);
        QCOMPARE(open("first.drb", oldDiary(Layout::Middle, {stampOf(9)}, {"x"})), QStringList());
        const QStringList messages = open("s.drb", bytes);
        const QString checked = m_form->RBThis->isChecked() ? "RBThis" : m_form->RBNew->isChecked() ? "RBNew" : "";
        QCOMPARE((QStringList{messages.join(u'|'), m_form->statusText(), m_form->LVer->text(), m_form->LNum->text(),
                              m_form->PassBox->title(), checked})
                     .join(u'|'),
                 shown);
        const bool known = !m_form->LVer->text().isEmpty();
        QCOMPARE(std::tuple(m_form->CLB->model()->rowCount(), m_form->LName->text(), m_form->BbGo->isEnabled(),
                            m_form->RBNew->isEnabled(), m_form->RBAll->isChecked(), m_form->RBThis->isEnabled(),
                            m_form->EFName->isEnabled()),
                 std::tuple(m_form->LNum->text().toInt(), known ? u"s.drb"_qs : QString(), known, known, true,
                            known && checked == "RBThis", known && checked == "RBNew"));
    }

    void unlocks_data()
    {
        QTest::addColumn<bool>("diaryOpen");
        QTest::newRow("diary open") << true;
        QTest::newRow("no diary open") << false;
    }
    // Letter case counts and retries are unlimited; the name typed last is the one opened, whatever the dialog
    // chose before. A source opened next starts locked again and goes to a new diary as it is, once every
    // refusal is mended; nothing is written before. The window stays open, the choices made stay checked when
    // it is shown again, and the new diary opens with the old password.
    void unlocks()
    {
        QFETCH(bool, diaryOpen);
        start(alternatingDays(1), diaryOpen);
        const QString first = m_session.file("p1.drb");
        writeFileBytes(first, oldDiary(Layout::Late, {stampOf(1), stampOf(2)}, {u"Первая\r\nстрока"_qs, "b"}, "Key"));
        QCOMPARE(answering({first}, [this] { QTest::mouseClick(m_form->Find, Qt::LeftButton); }), QStringList{"OpenD"});
        QCOMPARE(std::pair(m_form->EInF->text(), m_session.click(m_form->Open)), std::pair(first, QStringList()));
        QTest::mouseClick(m_form->RBHand, Qt::LeftButton);
        QCOMPARE(std::tuple(passBox().second, m_form->statusText(), m_form->CLB->isEnabled(),
                            m_form->MLook->toPlainText()), // no current entry: no preview
                 std::tuple(QColor(128, 0, 128), u"Выберите нужные записи"_qs, true, QString()));
        QCOMPARE(current(0), Locked);

        m_form->EPass->setText("key");
        QTest::mouseClick(m_form->PassOk, Qt::LeftButton);
        QCOMPARE(std::tuple(passBox(), m_form->EPass->text(), m_form->PassOk->isEnabled()),
                 std::tuple(std::pair(u"Защита (неверно!) "_qs, QColor(255, 0, 0)), u"key"_qs, true));
        m_form->EPass->setText("Key");
        QTest::mouseClick(m_form->PassOk, Qt::LeftButton);
        QCOMPARE(std::tuple(passBox(), m_form->EPass->palette().color(QPalette::Text) == QColor(0, 128, 0),
                            m_form->EPass->isEnabled(), m_form->PassOk->isEnabled(), m_form->RBThis->isEnabled(),
                            m_form->RBThis->isChecked(), m_form->MLook->toPlainText()),
                 std::tuple(std::pair(u"Защита (принято) "_qs, QColor(0, 128, 0)), false, false, false, diaryOpen,
                            false, u"Первая\nстрока"_qs));

        QCOMPARE((std::tuple{open("s.drb", oldDiary(Layout::Late, {stampOf(1), stampOf(2), stampOf(3)},
                                                    {u"Один"_qs, u"Два"_qs, u"Три\r\nвсё"_qs}, toCp1251(u"Ключ"))),
                             passBox().first, m_form->RBThis->isEnabled()}),
                 std::tuple(QStringList(), u"Защита (есть) "_qs, false));
        QTest::mouseClick(m_form->RBHand, Qt::LeftButton);
        QCOMPARE(current(0), Locked);

        const QStringList files = QDir(m_session.dir->path()).entryList(QDir::Files);
        const auto go = [this] { return (m_session.click(m_form->BbGo) << m_form->Lhelp->text()).join(u'|'); };
        QCOMPARE(go(), u"В выборочном режиме необходимо выбрать записи"_qs);
        QVERIFY(m_form->Att->isVisible());
        current(0, true);
        current(2, true);
        QCOMPARE(go(), u"Нужно указать имя файла для нового дневника"_qs);
        m_form->EFName->setText("d.txt");
        m_form->EMName->setText(u"o\u0105"_qs);
        QCOMPARE(go(), u"Символы не поддерживаются: \u0105|"_qs);
        m_form->EMName->setText(u"Я"_qs);
        QCOMPARE(go(), u"Файл d.qnb уже существует|"_qs);
        QVERIFY(!m_form->PBar->isVisible() && !m_form->Att->isVisible() && m_form->isVisible());
        QCOMPARE(QDir(m_session.dir->path()).entryList(QDir::Files), files);

        m_form->EFName->setText("notes.txt");
        m_form->EDName->setText(u"Старый"_qs);
        QCOMPARE(go(), Done + u"|Начался процесс импорта записей"_qs);
        QCOMPARE(std::tuple(QFileInfo(m_session.file("notes.qnb")).isFile(), m_form->isVisible(), m_form->PBar->value(),
                            m_form->LVer->text(), m_session.listCount()),
                 std::tuple(true, true, 2, u"1.4.0 - 2.0.0"_qs, diaryOpen ? 1 : 0)); // of the 2 picked

        QTest::mouseClick(m_form->BBClose, Qt::LeftButton);
        QCOMPARE(m_session.trigger(m_session.window->N11), QStringList());
        QCOMPARE(std::tuple(m_form->RBHand->isChecked(), m_form->RBNew->isChecked(), m_form->EInF->text(),
                            m_form->BbGo->isEnabled(), m_form->statusText()),
                 std::tuple(true, true, QString(), false, QString()));
        m_form->close();
        QCOMPARE(answering({m_session.file("notes.qnb"), u"Ключ"_qs}, [this] { m_session.window->N2->trigger(); }),
                 (QStringList{"OpenD", "PassDlg"}));
        QCOMPARE(std::pair(m_session.window->dname->text(), listedTexts()),
                 std::pair(u"Старый"_qs, QStringList{u"Один"_qs, u"Три\nвсё"_qs}));
    }

    // After a word search: a rebuild that fails leaves the diary and its list as they were and the
    // window open; the retry, done but not safe on disk, keeps every entry of the diary, lists them all
    // and keeps the one on view, and the window says so and closes with a full gauge.
    void importsIntoTheOpenDiary()
    {
        start(alternatingDays(4)); // 1 March 1:15:07 and 3:15:07, 2 March 2:15:07 and 4:15:07
        m_form->close();
        m_session.window->InWord->setText(u"общее"_qs);
        m_session.click(m_session.window->Search);
        QCOMPARE((std::pair{m_session.view(1), m_session.trigger(m_session.window->N11)}),
                 std::pair(u"Текст 3 общее"_qs, QStringList()));
        const QList<double> stamps{stampOf(2024, 3, 1, 3, 15, 7), stampOf(2024, 3, 2), stampOf(2024, 3, 1)};
        QCOMPARE(open("s.drb", oldDiary(Layout::Early, stamps, {"dup", u"Новая\r\nзапись"_qs, ""})), QStringList());
        QTest::mouseClick(m_form->RBFull, Qt::LeftButton);
        QCOMPARE(m_form->statusText(), u"Импортировать только НЕпустые записи"_qs);

        const QByteArray before = fileBytes(m_session.path);
        setRebuildFaultHook([](RebuildStep at) {
            if (at == RebuildStep::Rename)
                throw FileError(FileError::DiskFull);
        });
        QCOMPARE(m_session.click(m_form->BbGo), QStringList{"Disk full"});
        QVERIFY(m_form->isVisible() && !m_form->PBar->isVisible() && m_session.window->document().isOpen());
        QVERIFY(fileBytes(m_session.path) == before && m_session.listCount() == 2);

        setRebuildFaultHook([](RebuildStep at) {
            if (at == RebuildStep::FlushFolder)
                throw FileError(FileError::DiskFull);
        });
        QCOMPARE(m_session.click(m_form->BbGo),
                 QStringList{u"Disk full\rИзменения записаны, но при сбое питания они могут потеряться."_qs});
        QCOMPARE(std::tuple(m_form->isVisible(), m_form->PBar->value() == m_form->PBar->maximum(),
                            m_session.window->takesInput(), m_session.window->mm->toPlainText(),
                            m_session.window->document().view().viewedRecord()),
                 std::tuple(false, true, true, u"Текст 3 общее"_qs, 4));
        // The diary's own keep their file order, though its days alternate.
        QCOMPARE(listedTexts(), (QStringList{u"Текст 1 общее"_qs, u"Новая\nзапись"_qs, u"Текст 2"_qs,
                                             u"Текст 3 общее"_qs, u"Текст 4"_qs}));
    }
};

QTEST_MAIN(TestImportWindow)
#include "tst_importwindow.moc"
