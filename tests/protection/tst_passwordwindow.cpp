#include "mainwindow/diarymaker.h"
#include "protection/passwordwindow.h"
#include "store/rebuild.h"

using namespace diarymaker;

class TestPasswordWindow : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { setRebuildFaultHook({}); }

    void rekeys_data()
    {
        QTest::addColumn<QString>("before"); // the diary's password; empty for none
        QTest::addColumn<int>("entries");
        QTest::addColumn<QStringList>("typed"); // the fields in order, and "remove" to check "Убрать пароль"
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("after");
        const QString differ = u"Внимательнее введите и повторите новый пароль"_qs;
        const QString empty = u"Пароль не может быть пустым"_qs;
        QTest::newRow("set") << "" << 3 << QStringList{"Ключ", "Ключ"} << QStringList() << "Ключ";
        QTest::newRow("set on an empty diary") << "" << 0 << QStringList{"Ключ", "Ключ"} << QStringList() << "Ключ";
        QTest::newRow("set, fields differ")
            << "" << 3 << QStringList{"Ключ", "ключ"} << QStringList{"Внимательнее введите и повторите пароль"} << "";
        QTest::newRow("set empty") << "" << 3 << QStringList{"", ""} << QStringList{empty} << "";
        QTest::newRow("set outside Windows-1251")
            << "" << 3 << QStringList{"a\u0105", "a\u0105"}
            << QStringList{"Пароль не изменён: в пароле нельзя сохранить символы «\u0105» (U+0105)"} << "";
        QTest::newRow("change") << "Старый" << 3 << QStringList{"Старый", "Новый", "Новый"} << QStringList() << "Новый";
        QTest::newRow("change, old in other case")
            << "Старый" << 3 << QStringList{"старый", "Новый", "Новый"} << QStringList{"Неверный пароль!"} << "Старый";
        QTest::newRow("change, repeats differ before the old is checked")
            << "Старый" << 3 << QStringList{"x", "Новый", "новый"} << QStringList{differ} << "Старый";
        QTest::newRow("change to empty") << "Старый" << 3 << QStringList{"Старый", "", ""} << QStringList{empty}
                                         << "Старый";
        QTest::newRow("remove") << "Старый" << 3 << QStringList{"Старый", "", "", "remove"} << QStringList() << "";
        QTest::newRow("remove from an empty diary")
            << "Старый" << 0 << QStringList{"Старый", "a", "a", "remove"} << QStringList() << "";
        QTest::newRow("remove, disabled fields differ")
            << "Старый" << 3 << QStringList{"Старый", "a", "b", "remove"} << QStringList{differ} << "Старый";
        QTest::newRow("set, rebuild fails")
            << "" << 3 << QStringList{"Ключ", "Ключ", "fail"} << QStringList{"Disk full"} << "";
    }
    // The diary afterwards is byte for byte one written under its new password from the start: every
    // slot scrambled with the new key, nothing of an old password left in the header. The entry on view
    // stays; a refusal or failure leaves the window open and the diary as it was.
    void rekeys()
    {
        QFETCH(QString, before);
        QFETCH(int, entries);
        QFETCH(QStringList, typed);
        QFETCH(QStringList, messages);
        QFETCH(QString, after);
        Diary diary = alternatingDays(entries);
        diary.title = u"Мой"_qs;
        diary.password = before;
        Session session;
        session.dir.emplace();
        session.path = writeDiary(session.file("d.qnb"), diary);
        session.writeSettings("[Options]\nOpenLast=1\n[Directory]\nLastDiary=%1/d.qnb\n");
        QCOMPARE(session.launch({before}), before.isEmpty() ? QStringList() : QStringList{"PassDlg"});
        const QString shown = entries ? session.view(1) : QString();
        if (typed.contains("fail"))
            setRebuildFaultHook([](RebuildStep at) {
                if (at == RebuildStep::Rename)
                    throw FileError(FileError::DiskFull);
            });

        QCOMPARE(session.trigger(session.window->N21), QStringList());
        auto* window = session.window->findChild<TForm5*>("Form5");
        QVERIFY(window && window->isVisible() && window->changeMode() == !before.isEmpty());
        const QList<QLineEdit*> fields{window->passIn1, window->passIn2, window->PassIn3};
        for (int i = 0; i < fields.size() && i < typed.size(); ++i)
            fields[i]->setText(typed[i]);
        if (typed.contains("remove"))
            QTest::mouseClick(window->CBnone, Qt::LeftButton);
        QVERIFY(!window->passIn2->isEnabled() == typed.contains("remove"));
        QCOMPARE(session.click(window->BitBtn1), messages);
        QCOMPARE(window->isVisible(), !messages.isEmpty());

        diary.password = after;
        const QString expected = writeDiary(session.file("expected.qnb"), diary);
        QCOMPARE(fileBytes(session.path), fileBytes(expected));
        const DiaryState& state = session.window->document().state();
        QCOMPARE(std::pair(state.HasPassword, state.EntryKey),
                 std::pair(!after.isEmpty(), after.isEmpty() ? FixedKey : toCp1251(after)));
        QCOMPARE(session.window->mm->toPlainText(), shown);
        if (entries)
            QCOMPARE(session.view(0), u"Текст 1 общее"_qs); // read with the key held
    }
};

QTEST_MAIN(TestPasswordWindow)
#include "tst_passwordwindow.moc"
