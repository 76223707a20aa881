#include "diarymaker.h"
#include "windows/exportwindow.h"
#include "windows/recordlistmodel.h"

using namespace Qt::StringLiterals;
using namespace diarymaker;
using Records = std::vector<std::int32_t>;

class TestExportWindow : public QObject
{
    Q_OBJECT

    Session m;
    ExportWindow* w = nullptr; // owned by the main window

    DiaryDocument& document() { return m.window->document(); }
    // Shows the window over a diary of `entries` entries with `mode` chosen, after a search for `word`.
    void start(int entries, const QString& mode = u"All"_s, const QString& word = {})
    {
        QVERIFY(m.start(alternatingDays(entries))); // entries 3 and 5 share their time stamp
        m.window->setExportWindow(w = new ExportWindow(document(), m.window.get()));
        QVERIFY(m.trigger("N25").isEmpty() && QTest::qWaitForWindowExposed(w));
        QTest::mouseClick(named<QRadioButton>(w, mode), Qt::LeftButton);
        QVERIFY(word.isEmpty() || document().findWord(word).has_value());
    }
    template <class Control = QWidget> Control* find(const QString& name) const { return named<Control>(w, name); }
    QListView* list(const QString& name) const { return find<QListView>(name); }
    // The records a list shows, row by row.
    Records records(const QString& name) const { return static_cast<RecordListModel*>(list(name)->model())->records(); }
    void pick(const QString& from, std::int32_t record)
    {
        const Records held = records(from);
        list(from)->setCurrentIndex(list(from)->model()->index(int(std::ranges::find(held, record) - held.begin()), 0));
        QCOMPARE(m.click(find<QPushButton>(from == "AllRecs" ? "ToEx" : "ToAll")), QStringList());
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
        QVERIFY(QDir().mkdir(m.file(u"dir.html"_s)));
        for (const int entry : mode == u"Hand" ? entries : QList<int>())
            pick("AllRecs", entry);
        find<QLineEdit>("InName")->setText(name.isEmpty() ? name : m.file(name));
        QCOMPARE(answering({}, [this] { QTest::keyClick(find("InName"), Qt::Key_Return); }), QStringList{message});
        const bool written = QFile::exists(m.file(u"out.txt"_s));
        const auto* gauge = find<QProgressBar>("PBar");
        QVERIFY(w->isVisible() != written && gauge->isHidden() != written);
        if (!written)
            return;
        QVERIFY(gauge->value() == entries.size() && gauge->maximum() == entries.size());
        QList<int> texts; // the entries written, in their order
        for (const QString& line : fromCp1251(fileBytes(m.file(u"out.txt"_s))).split(u"\r\n"_s).filter(u"Текст"_s))
            texts << line.section(u' ', 1, 1).toInt();
        QCOMPARE(texts, entries);
    }

    // The file type chosen appends its extension; a cancel keeps the name chosen before. Picked entries are kept
    // between showings for as long as the diary has them.
    void namesTheFileAndKeepsPicks()
    {
        start(6, u"Hand"_s);
        const QStringList answers{m.file(u"notes.htm"_s), m.file(u"notes"_s), {}};
        const QStringList names{u"notes.htm.htm"_s, u"notes.txt"_s, u"notes.htm"_s};
        auto* saveDialog = find<QFileDialog>("SaveD");
        auto* name = find<QLineEdit>("InName");
        for (int i = 0; i < 3; ++i) {
            saveDialog->selectNameFilter(saveDialog->nameFilters().value(i == 1 ? 0 : 1));
            QCOMPARE(m.click(find<QPushButton>("view"), {answers[i]}), QStringList{u"SaveD"_s});
            QCOMPARE(QStringList({name->text(), name->toolTip(), w->exportFileName()}),
                     QStringList(3, m.file(names[i])));
        }

        const auto available = [this] {
            return list("AllRecs")->isEnabled() && list("ExRecs")->isEnabled() && find("ToEx")->isEnabled();
        };
        QVERIFY(available() && readName(list("AllRecs")) == u"Записи дневника"_s &&
                readName(list("ExRecs")) == u"Записи на экспорт"_s);
        QCOMPARE(m.click(find<QPushButton>("ToEx")) + m.click(find<QPushButton>("ToAll")),
                 QStringList(2, u"Ничего не выбрано!"_s));
        pick("AllRecs", 2);
        pick("AllRecs", 4);
        pick("ExRecs", 2);
        QCOMPARE(std::pair(records("AllRecs"), records("ExRecs")), std::pair(Records{1, 3, 5, 6, 2}, Records{4}));
        QCOMPARE(list("ExRecs")->model()->index(0, 0).data().toString(), stampText(alternatingDays(6).stamps[3]));
        QTest::keyClick(name, Qt::Key_Escape);
        QVERIFY(!w->isVisible() && document().viewEntry(2).has_value()); // entry 3
        document().deleteViewedEntry();
        document().rekey("new"); // the entries keep their places, and the list its picks
        w->show();
        QVERIFY(find<QRadioButton>("All")->isChecked() && !available());
        QCOMPARE(std::pair(records("AllRecs"), records("ExRecs")), std::pair(Records{1, 2, 3, 4, 5}, Records{3}));
        w->close();
        QVERIFY(document().open(writeDiary(m.file(u"empty.qnb"_s), {.stamps = {}}), {}));
        w->show();
        QVERIFY(records("ExRecs").empty() && records("AllRecs").empty());
        QVERIFY(!find("BbOK")->isEnabled() && find<QLabel>("info")->text() == u"Дневник пуст!"_s);
    }
};

QTEST_MAIN(TestExportWindow)
#include "tst_exportwindow.moc"
