#include "export/exportwindow.h"
#include "export/recordlistmodel.h"
#include "mainwindow/diarymaker.h"
#include "version.h"

using namespace Qt::StringLiterals;
using namespace diarymaker;
using Records = std::vector<std::int32_t>;

class TestExportWindow : public QObject
{
    Q_OBJECT

    // In the order of their making: the window goes before its diary, the diary before its folder.
    std::optional<QTemporaryDir> m_dir;
    std::unique_ptr<DiaryDocument> m_doc;
    std::unique_ptr<QWidget> m_main; // stands for the main window
    TForm7* w = nullptr;             // owned by m_main

    QString file(const QString& name) const { return m_dir->filePath(name); }
    bool openDiary(const QString& name, int entries)
    {
        writeDiary(file(name), alternatingDays(entries)); // entries 3 and 5 share their time stamp
        return m_doc->open(file(name), {});
    }
    // Shows the window over a diary of `entries` entries with `mode` chosen, after a search for `word`.
    void start(int entries, const QString& mode = u"All"_s, const QString& word = {})
    {
        m_main.reset();
        m_doc = std::make_unique<DiaryDocument>();
        m_dir.emplace();
        m_main = std::make_unique<QWidget>();
        QVERIFY(openDiary(u"d.qnb"_s, entries));
        w = new TForm7(*m_doc, m_main.get());
        m_main->show();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QTest::mouseClick(w->findChild<QRadioButton*>(mode), Qt::LeftButton);
        QVERIFY(word.isEmpty() || m_doc->findWord(word).has_value());
    }
    static QStringList click(QAbstractButton* button)
    {
        return answering({}, [button] { QTest::mouseClick(button, Qt::LeftButton); });
    }
    static const Records& records(QListView* list) { return static_cast<RecordListModel*>(list->model())->records(); }
    void pick(QListView* from, std::int32_t record)
    {
        const Records& held = records(from);
        from->setCurrentIndex(from->model()->index(int(std::find(held.begin(), held.end(), record) - held.begin()), 0));
        QCOMPARE(click(from == w->AllRecs ? w->ToEx : w->ToAll), QStringList());
    }

private slots:
    void exports_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("search"); // the date list's, first
        QTest::addColumn<QString>("name");
        QTest::addColumn<QList<int>>("entries"); // written, or picked by hand
        QTest::addColumn<QString>("message");
        const QString done = u"Экспортирование записей успещно завершено"_s;
        const QList<int> all{1, 2, 3, 4, 5, 6}, none;
        QTest::newRow("all") << u"All"_s << QString() << u"out"_s << all << done;
        QTest::newRow("date list after a search") << u"DateList"_s << u"общее"_s << u"out"_s << QList{1, 3, 5} << done;
        QTest::newRow("hand order") << u"Hand"_s << QString() << u"out"_s << QList{5, 2, 3} << done;
        QTest::newRow("no name") << u"All"_s << QString() << QString() << none << u"Не указано имя файла!"_s;
        QTest::newRow("hand, none picked") << u"Hand"_s << QString() << u"out"_s << none
                                           << u"Включён режим ручного выбора записей, но ни одна запись не выбрана!"_s;
        QTest::newRow("empty date list") << u"DateList"_s << u"нет такого"_s << u"out"_s << none
                                         << u"Список дат пуст: экспортировать нечего!"_s;
        QTest::newRow("failed write") << u"All"_s << QString() << u"dir.html"_s << all << u"File access denied"_s;
    }
    // A refused or failed export leaves the window open and no file made.
    void exports()
    {
        QFETCH(QString, mode);
        QFETCH(QString, search);
        QFETCH(QString, name);
        QFETCH(QList<int>, entries);
        QFETCH(QString, message);
        start(6, mode, search);
        QVERIFY(QDir().mkdir(file(u"dir.html"_s)));
        for (const int entry : mode == u"Hand" ? entries : QList<int>())
            pick(w->AllRecs, entry);
        w->InName->setText(name.isEmpty() ? name : file(name));
        QCOMPARE(click(w->BbOK), QStringList{message});
        const bool written = QFile::exists(file(u"out.txt"_s));
        QVERIFY(w->isVisible() != written && w->PBar->isHidden() != written);
        if (!written)
            return;
        QVERIFY(w->PBar->value() == entries.size() && w->PBar->maximum() == entries.size());
        const QStringList lines = fromCp1251(fileBytes(file(u"out.txt"_s))).split(u"\r\n"_s);
        QList<int> texts;
        for (const QString& line : lines.filter(u"Текст"_s))
            texts << line.section(u' ', 1, 1).toInt();
        QCOMPARE(texts, entries);
        QCOMPARE(lines.value(lines.size() - 2), QLatin1String(QuillnestCaption) + u" — личный дневник"_s);
    }

    // The file type chosen appends its extension; a cancel keeps the name chosen before.
    void browse()
    {
        start(1);
        const QStringList answers{file(u"notes.htm"_s), file(u"notes"_s), {}};
        const QStringList names{u"notes.htm.htm"_s, u"notes.txt"_s, u"notes.htm"_s};
        for (int i = 0; i < 3; ++i) {
            w->SaveD->selectNameFilter(w->SaveD->nameFilters().value(i == 1 ? 0 : 1));
            QCOMPARE(answering({answers[i]}, [this] { w->view->click(); }), QStringList{u"SaveD"_s});
            QCOMPARE(w->InName->text(), file(names[i]));
            QVERIFY(w->InName->toolTip() == file(names[i]) && w->exportFileName() == file(names[i]));
        }
    }

    // Picked entries are kept between showings for as long as the diary has them.
    void pickedEntries()
    {
        start(6, u"Hand"_s);
        const auto available = [this] {
            return w->AllRecs->isEnabled() && w->ExRecs->isEnabled() && w->ToEx->isEnabled();
        };
        QVERIFY(available());
        QCOMPARE(click(w->ToEx) + click(w->ToAll), QStringList(2, u"Ничего не выбрано!"_s));
        pick(w->AllRecs, 2);
        pick(w->AllRecs, 4);
        pick(w->ExRecs, 2);
        QCOMPARE(std::pair(records(w->AllRecs), records(w->ExRecs)), std::pair(Records{1, 3, 5, 6, 2}, Records{4}));
        QCOMPARE(w->ExRecs->model()->index(0, 0).data().toString(), stampText(alternatingDays(6).stamps[3]));
        QTest::keyClick(w->InName, Qt::Key_Escape);
        QVERIFY(!w->isVisible() && m_doc->viewEntry(2).has_value()); // entry 3
        m_doc->deleteViewedEntry();
        m_doc->rekey("new"); // the entries keep their places, and the list its picks
        w->show();
        QVERIFY(w->All->isChecked() && !available());
        QCOMPARE(std::pair(records(w->AllRecs), records(w->ExRecs)), std::pair(Records{1, 2, 3, 4, 5}, Records{3}));
        w->close();
        QVERIFY(openDiary(u"empty.qnb"_s, 0));
        w->show();
        QVERIFY(records(w->ExRecs).empty() && records(w->AllRecs).empty());
        QVERIFY(!w->BbOK->isEnabled() && w->info->text() == u"Дневник пуст!"_s);
    }
};

QTEST_MAIN(TestExportWindow)
#include "tst_exportwindow.moc"
