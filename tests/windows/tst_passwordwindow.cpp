#include "crypto/passphrasekey.h"
#include "diarymaker.h"

#include <sodium.h>

using namespace diarymaker;

class TestPasswordWindow : public QObject
{
    Q_OBJECT

private slots:
    void rekeys_data()
    {
        QTest::addColumn<QString>("before"); // the diary's password; empty for none
        QTest::addColumn<int>("entries");
        QTest::addColumn<QStringList>("typed"); // the fields in order, and "remove" to check "Убрать пароль"
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<QString>("after");
        const auto row = [](const char* name, const QString& before, int entries, const QStringList& typed,
                            const QStringList& messages, const QString& after) {
            QTest::newRow(name) << before << entries << typed << messages << after;
        };
        const QString differ = u"Внимательнее введите и повторите новый пароль"_qs;
        const QString empty = u"Пароль не может быть пустым"_qs;
        row("set", "", 3, {"Ключ", "Ключ"}, {}, "Ключ");
        row("set, fields differ", "", 3, {"Ключ", "ключ"}, {"Внимательнее введите и повторите пароль"}, "");
        row("set empty", "", 3, {"", ""}, {empty}, "");
        row("set outside Windows-1251", "", 3, {"a\u0105", "a\u0105"},
            {"Пароль не изменён: в пароле нельзя сохранить символы «\u0105» (U+0105)"}, "");
        row("change", "Старый", 3, {"Старый", "Новый", "Новый"}, {}, "Новый");
        row("change, old in other case", "Старый", 3, {"старый", "Новый", "Новый"}, {"Неверный пароль!"}, "Старый");
        row("change, repeats differ before the old is checked", "Старый", 3, {"x", "Новый", "новый"}, {differ},
            "Старый");
        row("change to empty", "Старый", 3, {"Старый", "", ""}, {empty}, "Старый");
        row("remove", "Старый", 3, {"Старый", "", "", "remove"}, {}, "");
        row("remove from an empty diary", "Старый", 0, {"Старый", "a", "a", "remove"}, {}, "");
        row("remove, disabled fields differ", "Старый", 3, {"Старый", "a", "b", "remove"}, {differ}, "Старый");
        row("set, rebuild fails", "", 3, {"Ключ", "Ключ", "fail"}, {"Disk full"}, "");
        row("set, not made safe on disk", "", 3, {"Ключ", "Ключ", "unsafe"}, {NotSafeOnFullDisk}, "Ключ");
    }
    // The diary afterwards is byte for byte one written under its new password from the start: every
    // slot scrambled with the new key, nothing of an old password left in the header. The entry on view
    // stays; a refusal or failure leaves the window open and the diary as it was, while a change done but
    // not yet safe on disk is done all the same.
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
        QVERIFY(session.start(diary, "[Options]\nOpenLast=1\n[Directory]\nLastDiary=%1/d.qnb\n"));
        const QString shown = entries ? session.view(1) : QString();
        if (typed.contains("fail") || typed.contains("unsafe"))
            failReplacementsAt(typed.contains("unsafe") ? ReplaceStep::FlushFolder : ReplaceStep::Exchange);

        QCOMPARE(session.trigger("N21"), QStringList());
        auto* window = session.find("Form5");
        QVERIFY(window->isVisible() && named(window, "PassIn3")->isVisibleTo(window) == !before.isEmpty());
        const QList<QLineEdit*> fields{named<QLineEdit>(window, "passIn1"), named<QLineEdit>(window, "passIn2"),
                                       named<QLineEdit>(window, "PassIn3")};
        const QStringList read{readName(fields[0]), readName(fields[1]), readName(fields[2])};
        const QStringList names = before.isEmpty()
                                      ? QStringList{"Пароль", "Повтор пароля"}
                                      : QStringList{"Старый пароль", "Новый пароль", "Повтор нового пароля"};
        QCOMPARE(read.mid(0, names.size()), names);
        for (int i = 0; i < fields.size() && i < typed.size(); ++i)
            fields[i]->setText(typed[i]);
        if (typed.contains("remove"))
            QTest::mouseClick(named<QCheckBox>(window, "CBnone"), Qt::LeftButton);
        QVERIFY(!fields[1]->isEnabled() == typed.contains("remove"));
        QCOMPARE((std::pair{session.click(named<QPushButton>(window, "BitBtn1")), window->isVisible()}),
                 std::pair(messages, !messages.isEmpty() && !typed.contains("unsafe")));

        setReplaceFaultHook({});
        diary.password = after;
        QCOMPARE(fileBytes(session.path), fileBytes(writeDiary(session.file("expected.qnb"), diary)));
        // Read with the key held: the entry on view, then the first one.
        QCOMPARE((std::tuple{session.window->document().view().hasPassword(), session.textBox()->toPlainText(),
                             entries ? session.view(0) : QString()}),
                 std::tuple(!after.isEmpty(), shown, entries ? u"Текст 1 общее"_qs : QString()));
    }

    // "Шифрование…" encrypts the diary under the passphrase typed twice: it is asked for at the next start, "Защита"
    // changes it and offers no removal, and the window turns the diary back under it. The status bar tells each
    // conversion; the fields are emptied whatever happens.
    void encryptionWindowConvertsBothWays()
    {
        Session session;
        const auto cheap = [] { return KeyDerivation::fresh(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN); };
        const auto convert = [&](const QStringList& typed) -> QStringList {
            session.window->document().setPassphraseCost(cheap);
            session.trigger("actionEncryption");
            QWidget* window = session.find("encryption");
            const QList<QLineEdit*> fields{named<QLineEdit>(window, "encryptionPassphrase"),
                                           window->findChild<QLineEdit*>("encryptionRepeat")};
            for (int i = 0; i < typed.size(); ++i)
                fields[i]->setText(typed[i]);
            if (fields[0]->echoMode() != QLineEdit::Password || bool(fields[1]) != (typed.size() == 2))
                return {"fields shown wrong"};
            const QStringList seen = session.click(named<QPushButton>(window, "encryptionStart"));
            const bool emptied = fields[0]->text().isEmpty() && window->isVisible() == !seen.isEmpty();
            window->close();
            return emptied ? seen : QStringList{"fields not emptied"};
        };
        QVERIFY(session.start(alternatingDays(3)));
        QCOMPARE(convert({"тайна", "тайнa"}), QStringList{"Внимательнее введите и повторите пароль"});
        QCOMPARE(convert({"тайна", "тайна"}), QStringList());
        QVERIFY(session.window->document().view().isEncrypted() && session.status(0) == " Дневник зашифрован");
        QCOMPARE(session.launch({"Тайна", "тайна"}), QStringList({"PassDlg", "PassDlg"}));
        QCOMPARE(session.view(2), u"Текст 3 общее"_qs);
        session.trigger("N21");
        QVERIFY(!named(session.find("Form5"), "CBnone")->isVisibleTo(session.find("Form5")));
        session.find("Form5")->close();
        QCOMPARE(convert({"нет"}), QStringList{"Неверный пароль!"});
        QCOMPARE(convert({"тайна"}), QStringList());
        QVERIFY(session.status(0) == " Шифрование снято" && storedPassword(session.path) == u"тайна");
        QCOMPARE(entryTexts(session.path).size(), 3);
    }
};

QTEST_MAIN(TestPasswordWindow)
#include "tst_passwordwindow.moc"
