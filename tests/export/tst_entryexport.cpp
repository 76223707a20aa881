#include "export/entryexport.h"
#include "export/exportnames.h"
#include "testfiles.h"
#include "version.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextDocument>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using namespace testfiles;

namespace
{

constexpr uid_t Nobody = 65534;
const auto run = [](int count, char c) { return QByteArray(count, c); };
const QByteArray Zhe = "\xE6"; // "ж"
// The lines that each entry's text becomes, the text being them joined: 80 characters; 81 with a blank at 50;
// 100 with a blank at 40, and at 39; none; 300 over two slots; markup at the HTML cut; line breaks across the
// cut at 80, and at its start, with markup and a lone LF.
const QList<QByteArrayList> TextLines{
    {run(80, 'a')},
    {run(49, 'b') + ' ', run(31, 'c')},
    {run(39, 'd') + ' ', run(60, 'e')},
    {run(38, 'f') + ' ' + run(41, 'g'), run(20, 'g')},
    {},
    {Zhe.repeated(80), Zhe.repeated(80), Zhe.repeated(80), Zhe.repeated(15) + "\r\n" + run(43, 'h')},
    {run(79, 'x') + '<', "&>"},
    {run(10, 'i') + "\r\n" + run(67, 'j') + '\r', '\n' + run(20, 'k')},
    {run(78, 'm') + "<>", "\r\nx&y\nz"}};
// The HTML layout cuts hard at 80 instead.
const QList<QByteArrayList> HtmlLines = [] {
    QList<QByteArrayList> lines = TextLines;
    lines[1] = {run(49, 'b') + ' ' + run(30, 'c'), "c"};
    lines[2] = {run(39, 'd') + ' ' + run(40, 'e'), run(20, 'e')};
    lines[5][3] = Zhe.repeated(15) + "<br>\r\n" + run(43, 'h');
    lines[6] = {run(79, 'x') + "&lt;", "&amp;&gt;"};
    lines[7] = {run(10, 'i') + "<br>\r\n" + run(67, 'j') + "<br>\r", '\n' + run(20, 'k')};
    lines[8] = {run(78, 'm') + "&lt;&gt;", "<br>\r\nx&amp;y<br>\nz"};
    return lines;
}();
const QByteArray Footer = toCp1251(QLatin1String(QuillnestCaption) + u" — личный дневник"_s);

// Entry i was saved on day i + 1 at 10:00:0i.
const auto heading = [](int i) { return QByteArray("0") + char('1' + i) + ".02.2026 10:00:0" + char('0' + i); };

QByteArray textFile()
{
    QByteArray file;
    for (int i = 0; i < TextLines.size(); ++i)
        file += "          " + heading(i) + "\r\n" + (TextLines[i] + QByteArrayList{" ", {}}).join("\r\n");
    return file + "\r\n" + Footer + "\r\n";
}

QByteArray htmlFile()
{
    QByteArray file = R"(<html><head><meta charset="windows-1251"><title>Quillnest</title></head>)"
                      "\r\n<body>\r\n";
    for (int i = 0; i < HtmlLines.size(); ++i)
        file += "<h3>" + heading(i) + "</h3>\r\n" + (HtmlLines[i] + QByteArrayList{"<br>"}).join("\r\n");
    return file + "<br>\r\n<h3><center>" + Footer + "</center></h3>\r\n</body></html>\r\n";
}

} // namespace

class TestEntryExport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_diaryPath = m_dir.filePath(u"d.qnb"_s);
    RecordFile m_diary;

    QString file(const QString& name) const { return m_dir.filePath(name); }
    QStringList files() const { return QDir(m_dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot); }
    void exportAll(const QString& name)
    {
        writeExport(m_diary, ScrambledText(FixedKey), {true, {}}, file(name),
                    writesTextLayout(name) ? ExportLayout::Text : ExportLayout::Html);
    }

private slots:
    void initTestCase()
    {
        createDiaryFile(m_diaryPath, DiaryHeader().toRecord(), false);
        m_diary.open(m_diaryPath);
        DiaryRecord buffer;
        for (int i = 0; i < TextLines.size(); ++i)
            appendEntry(m_diary, TextLines[i].join(), ScrambledText(FixedKey),
                        dateTimeToStamp({{2026, 2, 1 + i}, {10, 0, i}}), buffer);
    }

    void exports_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("before"); // null: no such file; else "folder", "diary" or the content
        QTest::addColumn<QByteArray>("after");  // two exports; null: refused, and every file as it was
        QTest::addColumn<QString>("error");
        const auto row = [](const char* tag, const QString& name, const char* before, const QByteArray& after,
                            const QString& error) {
            QTest::newRow(tag) << name << QByteArray(before) << after << error;
        };
        const QString done = u"no error"_s, tooLarge = u"I/O error 27"_s; // EFBIG: the file size limit is reached
        row("text, appended", u"b.txt"_s, "old\r\n", "old\r\n" + textFile() + textFile(), done);
        row("html, replaced", u"c.html"_s, "old", htmlFile(), done);
        row("htm, new", u"d.htm"_s, nullptr, htmlFile(), done);
        row("text cut short", u"e.txt"_s, "old\r\n", {}, tooLarge);
        row("new text cut short", u"f.txt"_s, nullptr, {}, tooLarge);
        row("text, not put in place", u"h.txt"_s, "old\r\n", {}, u"Disk full"_s);
        // Another program's file put there meanwhile holds the same bytes but is not the file read: it stays.
        row("another program's file put there", u"x.html"_s, "old", {}, TargetChangedError(file(u"x.html"_s)).text());
        // Written in place, where nothing can be made beside it.
        row("in a folder that takes no new files", u"locked/l.txt"_s, "old\r\n", "old\r\n" + textFile() + textFile(),
            done);
        row("no folder", u"none/i.html"_s, nullptr, {}, u"Invalid filename"_s);
        row("a folder", u"j.txt"_s, "folder", {}, u"File access denied"_s);
        row("the diary", u"k.html"_s, "diary", {}, u"Записи нельзя экспортировать в файл самого дневника"_s);
        // In a folder open to all, as the person who exports: neither is theirs to write in place.
        row("another's page", u"report.html"_s, "another's", {}, u"File access denied"_s);
        row("own read-only page", u"mine.html"_s, "read-only", {}, u"File access denied"_s);
    }
    // Tests run as root, where no permission stops a write: the file size limit does. The diary is only read.
    void exports()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QString, error);
        const bool locked = name.startsWith(u"locked/");
        QVERIFY(!locked || QDir().mkdir(file(u"locked"_s)));
        if (before == "folder")
            QVERIFY(QDir().mkdir(file(name)));
        else if (before == "diary")
            QCOMPARE(::link(QFile::encodeName(m_diaryPath), QFile::encodeName(file(name))), 0);
        else if (!before.isNull())
            writeFileBytes(file(name), before);
        if (!after.isNull() && !locked) { // left by killed exports: they go with the next one
            writeFileBytes(file(name + u".Ab1Cd2.buf"_s), "new contents");
            writeFileBytes(file(name + u".Ab1Cd2.lnk"_s), "new contents, linked to try the folder");
        }
        // As root, who may write anything, the export runs as another person.
        const bool root = ::getuid() == 0,
                   asPerson = root && (before == "another's" || before == "read-only" || locked);
        const uid_t person = asPerson ? Nobody : ::getuid();
        if (before == "another's" && !root)
            QSKIP("only root can make a page of another user");
        if (before == "read-only")
            QVERIFY(::chmod(qPrintable(file(name)), 0444) == 0 && ::chown(qPrintable(file(name)), person, -1) == 0);
        QVERIFY(::chmod(qPrintable(m_dir.path()), 0777) == 0);
        QVERIFY(!locked || (::chown(qPrintable(file(name)), person, -1) == 0 &&
                            ::chmod(qPrintable(file(u"locked"_s)), 0555) == 0));
        const QStringList kept = files();
        const QByteArray diary = fileBytes(m_diaryPath);
        rlimit unlimited;
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &unlimited), 0);
        rlimit limited{rlim_t(before.size() + 500), unlimited.rlim_max};
        ::signal(SIGXFSZ, SIG_IGN);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, error == u"I/O error 27"_s ? &limited : &unlimited), 0);
        if (error == u"Disk full")
            failReplacementsAt(ReplaceStep::Exchange);
        if (error.startsWith(u"Файл заменён"))
            setReplaceFaultHook([&](ReplaceStep step) {
                if (step == ReplaceStep::Exchange && QFile::copy(file(name), file(u"copy"_s)))
                    ::rename(QFile::encodeName(file(u"copy"_s)).constData(), QFile::encodeName(file(name)).constData());
            });
        QVERIFY(!asPerson || ::seteuid(person) == 0);
        const QString thrown = errorText([&] {
            exportAll(name);
            exportAll(name);
        });
        QVERIFY(!asPerson || ::seteuid(0) == 0);
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        setReplaceFaultHook({});
        QCOMPARE(thrown, error);
        QCOMPARE(fileBytes(m_diaryPath), diary);
        if (!after.isNull()) {
            QCOMPARE(fileBytes(file(name)), after);
            QCOMPARE(files().filter(name + u'.'), QStringList()); // no temporary file left
            return;
        }
        QCOMPARE(files(), kept);
        if (before != "folder" && before != "diary")
            QCOMPARE(fileBytes(file(name)), before);
    }

    // As a browser shows the page, read by Qt's HTML reader: an entry's own lines, whatever the cuts at 80, each
    // on a line of its own. Neither shows blanks at the end of a line; Qt keeps one.
    void pageShowsLineBreaks()
    {
        exportAll(u"shown.html"_s);
        QTextDocument page;
        page.setHtml(fromCp1251(fileBytes(file(u"shown.html"_s))));
        const QStringList shown = page.toPlainText().split(u'\n');
        for (const int i : {7, 8}) {
            const QStringList lines = fromCp1251(TextLines[i].join()).split(QRegularExpression(u"\r\n|\r|\n"_s));
            const qsizetype at = shown.indexOf(QString::fromLatin1(heading(i)));
            QVERIFY(at >= 0);
            for (int n = 0; n < lines.size(); ++n)
                QCOMPARE(shown.value(at + 1 + n).trimmed(), lines[n]);
        }
    }

    // Our three extensions are kept; none, another, one in other letter case or a dot in a folder's name gets
    // ".txt"; the name is cut to 255 characters first.
    void typedNames()
    {
        for (const QString& kept : {u"notes.txt"_s, u"notes.htm"_s, u"notes.html"_s})
            QCOMPARE(typedExportName(kept), kept);
        for (const QString& typed : {u"notes"_s, u"notes.doc"_s, u"notes.TXT"_s})
            QCOMPARE(typedExportName(typed), u"notes.txt"_s);
        QCOMPARE(typedExportName(u"a.htm/notes"_s), u"a.htm/notes.txt"_s);
        QCOMPARE(typedExportName(QString(300, u'n')), QString(255, u'n') + u".txt"_s);
    }
};

QTEST_GUILESS_MAIN(TestEntryExport)
#include "tst_entryexport.moc"
