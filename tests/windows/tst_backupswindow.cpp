#include "diarymaker.h"

#include "store/backupshelf.h"
#include "store/diaryrecord.h"

using namespace diarymaker;

// The dated copies of the open diary as the person sees them: listed, opened to be read and restored, and the
// options that say which are made; and a deletion undone.
class TestBackupsWindow : public QObject
{
    Q_OBJECT

    Session m;

    // The list of copies, shown anew; one shown before is closed.
    QTreeWidget* showCopies()
    {
        if (auto* shown = m.window->findChild<QWidget*>("backups"))
            shown->close();
        QTest::qWait(0); // a window made for one showing is gone by the next
        m.trigger("actionBackups");
        return named<QTreeWidget>(m.find("backups"), "backupList");
    }
    QStringList row(QTreeWidget* list, int at)
    {
        const QTreeWidgetItem* item = list->topLevelItem(at);
        return {item->text(0), item->text(1), item->text(2)};
    }
    // What showed while copy `at` was restored with `answer` to the question.
    QStringList restore(int at, const QString& answer = QStringLiteral("Да"))
    {
        QTreeWidget* list = showCopies();
        list->setCurrentItem(list->topLevelItem(at));
        return m.click(named<QAbstractButton>(list->window(), "backupRestore"), {answer});
    }

    bool showsWholeStatus(int panel) const
    {
        const auto* shown = m.find<QLabel>(QStringLiteral("SBarPanel%1").arg(panel));
        return shown->contentsRect().width() >= shown->fontMetrics().horizontalAdvance(shown->text());
    }
    void pressUndo(QWidget* at)
    {
        at->setFocus();
        QTest::keySequence(at, QKeySequence::Undo);
    }

private slots:
    // An entry deleted by mistake comes back from the copy that the day's first change made, before it. The diary as
    // it was before the restore became a copy too: restoring that one undoes the restore.
    void restoringACopyBringsBackADeletedEntry()
    {
        QVERIFY(m.start(alternatingDays(3)));
        const QDate day(2024, 5, 6);
        m.window->document().setBackupClock([day] { return QDateTime(day, QTime(9, 0)); });
        m.view(1);
        m.click("Bdel");
        m.window->document().setBackupClock([day] { return QDateTime(day, QTime(17, 30)); });
        const QStringList whole = {"Текст 1 общее", "Текст 2", "Текст 3 общее"};
        QVERIFY(m.listCount() == 2 && restore(0, "Нет").size() == 1 && entryTexts(m.path).size() == 2);
        QCOMPARE(row(showCopies(), 0), QStringList({"06.05.2024 09:00:00", "3", "21 КБ"}));
        QCOMPARE(restore(0), QStringList{"Восстановить дневник из резервной копии от 06.05.2024 09:00:00?\rДневник в "
                                         "нынешнем виде тоже сохранится как резервная копия."});
        QVERIFY(m.window->takesInput() && m.status(0) == " Дневник восстановлен из копии от 06.05.2024 09:00:00");
        QVERIFY(m.listCount() == 3 && entryTexts(m.path) == whole && !m.menuItem("actionUndoDeletion")->isEnabled());
        QTreeWidget* list = showCopies();
        QVERIFY(list->topLevelItemCount() == 2 && row(list, 0)[0] == "06.05.2024 17:30:00" && row(list, 0)[1] == "2");
        QVERIFY(restore(0).size() == 1 && m.listCount() == 2);
        QCOMPARE(entryTexts(m.path), QStringList({whole[0], whole[2]}));
    }

    // A copy that cannot be made stops no deletion; the status bar says so the first time only. Ctrl+Z puts the
    // deleted entries back, the one deleted last first, each at its place and on view; in the word field and in the
    // text box the key is theirs.
    void ctrlZPutsDeletedEntriesBackNewestFirst()
    {
        QVERIFY(m.start(alternatingDays(4)) && m.activate());
        QAction* undo = m.menuItem("actionUndoDeletion");
        QVERIFY(!undo->isEnabled() && undo->shortcut() == QKeySequence::Undo);
        const QStringList labels = {m.rowText(1), m.rowText(2)};
        setBackupFaultHook([](BackupStep) { throw FileError(FileError::DiskFull); });
        const auto removeHook = qScopeGuard([] { setBackupFaultHook({}); });
        m.view(1);
        m.click("Bdel");
        QTRY_COMPARE(m.status(0), " Резервная копия не сделана: Disk full");
        m.view(1);
        m.click("Bdel");
        QTest::qWait(20);
        QCOMPARE(m.status(0), " Запись от " + labels[1] + " удалена. Отменить: Ctrl+Z");
        QVERIFY(showsWholeStatus(0) && showsWholeStatus(2));
        pressUndo(m.find("InWord"));
        pressUndo(m.textBox());
        QVERIFY(m.listCount() == 2 && undo->isEnabled());
        for (int i : {1, 0}) {
            pressUndo(m.dateList());
            QCOMPARE(m.status(0), " Запись от " + labels[i] + " восстановлена");
            QVERIFY(m.listCount() == 4 - i && m.dateList()->currentIndex().row() == 1);
            QVERIFY(m.textBox()->toPlainText().startsWith(QStringLiteral("Текст %1").arg(2 + i)) &&
                    m.button("Bdel")->isEnabled());
        }
        QVERIFY(!undo->isEnabled() && entryTexts(m.path) == alternatingDays(4).texts);
    }

    // The window shows what Settings.ini holds, a number of days out of bounds as the nearest bound; OK writes its
    // two keys, no other, and the copies follow at once.
    void backupOptionsAreSavedAndFollowed()
    {
        const QByteArray settings =
            "[Options]\nEditing=1\nOpenLast=1\nBackupDays=999\n; note\n[Directory]\nLastDiary=%1/d.qnb\n";
        QVERIFY(m.start(alternatingDays(1), settings) &&
                m.window->document().backupPolicy() == (BackupPolicy{true, 365}));
        const QByteArray before = fileBytes(m.window->settingsPath());
        m.trigger("actionBackupOptions");
        QWidget* window = m.find("backupOptions");
        auto* enabled = named<QCheckBox>(window, "backupsEnabled");
        auto* days = named<QSpinBox>(window, "backupDays");
        QVERIFY(enabled->isChecked() && days->value() == 365);
        enabled->click();
        QVERIFY(!days->isEnabled());
        days->setValue(30);
        QVERIFY(m.click(named<QAbstractButton>(window, "backupOk")).isEmpty());
        QCOMPARE(fileBytes(m.window->settingsPath()),
                 QByteArray(before).replace("BackupDays=999\n", "BackupDays=30\nBackups=0\n"));
        QVERIFY(m.window->document().backupPolicy() == (BackupPolicy{false, 30}));
        m.view(0);
        m.click("Bdel");
        QVERIFY(m.listCount() == 0 && showCopies()->topLevelItemCount() == 0);
    }

    // Thirty copies, half of them large, are listed newest first, as their size and first record tell; a
    // damaged one cannot be restored. A copy opens, after the question that keeps typed text, to be read only.
    void copiesAreListedAndOpenedToBeRead()
    {
        QVERIFY(m.start(alternatingDays(2)));
        const QString folder = BackupShelf(m.file("backups"), m.path).folder();
        QVERIFY(QDir().mkpath(folder));
        for (int i = 0; i < 30; ++i) {
            const QString copy =
                folder + QDateTime(QDate(2024, 1, 1 + i), QTime(8, 0)).toString("/yyyy-MM-dd_HH-mm-ss") + ".qnb";
            QVERIFY(QFile::copy(m.path, copy));
            QVERIFY(i % 2 == 1 || QFile::resize(copy, i == 0 ? RecordSize - 7 : 20000LL * RecordSize));
        }
        QTreeWidget* list = showCopies();
        QVERIFY(list->topLevelItemCount() == 30 && list->currentItem() == list->topLevelItem(0));
        QTRY_VERIFY(list->hasFocus());
        QCOMPARE(row(list, 0), QStringList({"30.01.2024 08:00:00", "2", "16 КБ"}));
        QCOMPARE(row(list, 1), QStringList({"29.01.2024 08:00:00", "19999", "97,8 МБ"}));
        QCOMPARE(row(list, 29)[1], "повреждена");
        list->setCurrentItem(list->topLevelItem(29));
        QVERIFY(!named(list->window(), "backupRestore")->isEnabled() &&
                named(list->window(), "backupOpen")->isEnabled());

        m.click("Badd");
        m.textBox()->setPlainText("не сохранится");
        QCOMPARE(m.click(named<QAbstractButton>(showCopies()->window(), "backupOpen"), {"Нет"}),
                 QStringList{"Сохранить запись?"});
        QVERIFY(m.window->document().view().isReadOnlyCopy() && m.listCount() == 2);
        QVERIFY(m.status(2) == " 2024-01-30_08-00-00.qnb (копия, только чтение)" && showsWholeStatus(2));
        QCOMPARE(m.view(0), "Текст 1 общее");
        for (const char* name : {"Badd", "Bchange", "Bdel", "N11", "N21", "N24", "actionUndoDeletion", "actionBackups"})
            QVERIFY2(!m.find<QObject>(name)->property("enabled").toBool(), name);
        QCOMPARE(entryTexts(m.path), alternatingDays(2).texts);
    }
};

QTEST_MAIN(TestBackupsWindow)
#include "tst_backupswindow.moc"
