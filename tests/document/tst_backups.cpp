#include "import/importentries.h"
#include "import/olddiary.h"
#include "import/oldfiles.h"
#include "opening.h"
#include "store/backupshelf.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>

using namespace Qt::StringLiterals;
using namespace testfiles;

class TestBackups : public QObject
{
    Q_OBJECT

    // "yyyy-MM-dd" (at 10:00) or "yyyy-MM-ddTHH:mm", local time.
    static QDateTime at(const QString& when)
    {
        return QDateTime::fromString(when.size() == 10 ? when + u"T10:00"_s : when, Qt::ISODate);
    }
    static double entryStamp(int i) { return stampOf(2026, 1, i, 12); }
    static int modeOf(const QString& path)
    {
        struct stat info;
        return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 07777) : -1;
    }

    bool openDiary(int entries, const QString& password = {}, const BackupPolicy& policy = {})
    {
        QList<double> stamps;
        for (int i = 1; i <= entries; ++i)
            stamps << entryStamp(i);
        writeDiary(m_path, {.password = password, .stamps = stamps});
        return openAgain(policy);
    }
    // Copies follow the test's clock, never the wall clock.
    bool openAgain(const BackupPolicy& policy = {})
    {
        m_doc->setBackupPlace(m_root, policy);
        m_doc->setBackupClock([this] { return m_now; });
        return m_doc->open(m_path, knowingThePassword());
    }
    // The n-th change of `kind`.
    void change(const QString& kind, int n)
    {
        if (kind == u"add") {
            m_doc->add(u"новая %1"_s.arg(n));
        } else if (kind == u"change" || kind == u"delete") {
            QVERIFY(m_doc->viewEntry(0));
            kind == u"change" ? m_doc->change(u"изменена %1"_s.arg(n)) : m_doc->deleteViewedEntry();
        } else if (kind == u"import") {
            const QString path = m_dir.filePath(u"s.drb"_s);
            writeFileBytes(path,
                           oldfiles::oldDiary(oldfiles::Layout::Middle, {oldfiles::stampOf(n + 1)}, {u"старая"_s}));
            OldDiarySource source;
            QCOMPARE(source.recognise(path), OldDiarySource::Outcome::Recognised);
            m_doc->importEntries(source, {});
        } else if (kind == u"rekey") {
            m_doc->rekey(toCp1251(u"пароль %1"_s.arg(n)));
        } else {
            m_doc->undoDeletion();
        }
    }
    // When each of the diary's copies was taken, oldest first, once thinning is done.
    QStringList copyTimes()
    {
        m_doc->waitForBackups();
        QStringList times;
        for (const BackupCopy& copy : m_doc->backupCopies())
            times << copy.taken.toString(u"yyyy-MM-ddTHH:mm"_s);
        return times;
    }
    QString newestCopy() const
    {
        const std::vector<BackupCopy> copies = m_doc->backupCopies();
        return copies.empty() ? QString() : copies.back().path;
    }
    QString folder() const { return BackupShelf(m_root, m_path).folder(); }
    // Hidden files too.
    QStringList folderFiles() const { return QDir(folder()).entryList(QDir::Files | QDir::Hidden); }

    QTemporaryDir m_dir;
    QTemporaryDir m_backupDir;
    QString m_path = m_dir.filePath(u"d.qnb"_s);
    QString m_root = m_backupDir.filePath(u"a/backups"_s);
    QDateTime m_now;
    std::optional<DiaryDocument> m_doc;

private slots:
    void init()
    {
        m_now = at(u"2026-03-02T09:00"_s);
        m_doc.emplace();
    }
    void cleanup()
    {
        m_doc.reset();
        setBackupFaultHook({});
        QVERIFY(QDir(m_backupDir.filePath(u"a"_s)).removeRecursively());
    }

    // Every kind of change copies the diary as it was before the day's first change, and no later change that day
    // does but a deletion of text no copy holds; with copies off, none does. A document gone without being closed
    // leaves nothing to undo, but the day's copy holds the entry it deleted, and the next one knows that the day has
    // its copy.
    void firstChangeOfEachDay()
    {
        QVERIFY(openDiary(6, {}, {false, 7}));
        change(u"delete"_s, 0); // undone below
        QCOMPARE(copyTimes(), QStringList());
        m_doc->setBackupPlace(m_root, {});
        // The entry changed at 23:59 is in no copy when it is deleted; the one deleted at 10:00 is in the morning's.
        struct Step {
            const char* when;
            const char* kind;
            bool copied;
        };
        const Step steps[] = {{"2026-03-02T09:00", "add", true},    {"2026-03-02T23:59", "change", false},
                              {"2026-03-02T23:59", "delete", true}, {"2026-03-03T00:00", "undo", true},
                              {"2026-03-04T09:00", "import", true}, {"2026-03-05T09:00", "rekey", true},
                              {"2026-03-06T09:00", "change", true}, {"2026-03-07T09:00", "delete", true},
                              {"2026-03-07T10:00", "delete", false}};
        QStringList expected;
        for (int n = 0; const auto& [when, kind, copied] : steps) {
            m_now = at(QString::fromLatin1(when));
            const QByteArray before = fileBytes(m_path);
            change(QString::fromLatin1(kind), n++);
            QVERIFY2(fileBytes(m_path) != before, kind);
            if (copied)
                expected << QString::fromLatin1(when);
            QCOMPARE(copyTimes(), expected);
            QVERIFY2(!copied || fileBytes(newestCopy()) == before, kind);
        }
        m_doc.emplace();
        QVERIFY(openAgain() && !m_doc->undoableDeletion());
        change(u"add"_s, 0);
        QCOMPARE(copyTimes(), expected);
    }

    void retentionRule_data()
    {
        QTest::addColumn<QString>("copies"); // oldest first, 100 bytes each; the newest taken today
        QTest::addColumn<int>("days");
        QTest::addColumn<qint64>("bound");
        QTest::addColumn<QString>("removed");
        QTest::newRow("the latest 7 days with changes")
            << u"2026-03-01 2026-03-03 2026-03-04 2026-03-05T09:00 2026-03-05T18:00"_s +
                   u" 2026-03-08 2026-03-09 2026-03-20 2026-03-28"_s
            << 7 << qint64(0) << u"2026-03-01"_s;
        QTest::newRow("the newest of each of 12 months")
            << u"2025-02-28 2025-03-01 2025-03-31 2025-04-15 2026-01-05 2026-01-20 2026-02-10 2026-03-01"_s << 1
            << qint64(0) << u"2025-02-28 2025-03-01 2025-03-31 2026-01-05"_s;
        const QString months = u"2025-10-05 2025-11-05 2025-12-05 2026-01-05"_s;
        QTest::newRow("over the bound, the oldest months go first")
            << months + u" 2026-03-01 2026-03-02"_s << 2 << qint64(450) << u"2025-10-05 2025-11-05"_s;
        QTest::newRow("the latest days stay over the bound")
            << months + u" 2026-03-01 2026-03-02"_s << 2 << qint64(150) << months;
    }
    void retentionRule()
    {
        QFETCH(QString, copies);
        QFETCH(int, days);
        QFETCH(qint64, bound);
        QFETCH(QString, removed);
        const QStringList all = copies.split(u' ');
        std::vector<CopyAge> ages;
        for (const QString& copy : all)
            ages.push_back({at(copy), 100});
        QStringList gone;
        for (const std::size_t i : copiesToRemove(ages, ages.back().taken.date(), {days, 12, bound}))
            gone << all[qsizetype(i)];
        QCOMPARE(gone.join(u' '), removed);
    }

    // Changes on the 1st and 15th of each month for 15 months, each of the same size S: 3 days and the months up
    // to the bound of 10 S stay.
    void thinnedAsDaysPass()
    {
        QVERIFY(openDiary(2, {}, {true, 3}));
        for (int month = 0; month < 15; ++month)
            for (const int day : {1, 15}) {
                m_now = QDateTime(QDate(2025, 1, day).addMonths(month), QTime(10, 0));
                QVERIFY(m_doc->viewEntry(0));
                m_doc->change(m_now.toString());
            }
        QStringList kept;
        for (int month = 6; month <= 12; ++month)
            kept << QDate(2025, 1, 15).addMonths(month).toString(Qt::ISODate) + u"T10:00"_s;
        QCOMPARE(copyTimes(), kept << u"2026-02-15T10:00"_s << u"2026-03-01T10:00"_s << u"2026-03-15T10:00"_s);
    }

    void privateAndWhole_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("copied") << u"add"_s;
        QTest::newRow("kept from a rebuild") << u"delete"_s;
    }
    // The diary is readable by others; its copies are not, nor their folders, opened to others or not.
    void privateAndWhole()
    {
        QFETCH(QString, kind);
        QVERIFY(openDiary(3) && ::chmod(QFile::encodeName(m_path).constData(), 0644) == 0);
        QVERIFY(folder() != BackupShelf(m_root, m_dir.filePath(u"x/d.qnb"_s)).folder()); // a namesake elsewhere
        change(u"add"_s, 0);
        for (const QString& made : {m_backupDir.filePath(u"a"_s), m_root, folder()})
            QCOMPARE(modeOf(made), 0700);
        writeFileBytes(folder() + u"/.copy-Ab12Cd"_s, "cut short by a kill");
        QVERIFY(::chmod(QFile::encodeName(folder()).constData(), 0755) == 0);
        QCOMPARE(copyTimes(), QStringList{u"2026-03-02T09:00"_s});
        m_now = m_now.addDays(1);
        change(kind, 1);
        QCOMPARE(folderFiles(), (QStringList{u"2026-03-02_09-00-00.qnb"_s, u"2026-03-03_09-00-00.qnb"_s}));
        QCOMPARE(std::tuple(modeOf(folder()), modeOf(folder() + u"/2026-03-02_09-00-00.qnb"_s), modeOf(newestCopy()),
                            modeOf(m_path)),
                 std::tuple(0700, 0600, 0600, 0644));
    }

    void failedCopy_data() { privateAndWhole_data(); }
    // The change is done all the same and the person told; the next change makes the copy.
    void failedCopy()
    {
        QFETCH(QString, kind);
        QVERIFY(openDiary(4));
        QSignalSpy failed(&*m_doc, &DiaryDocument::backupFailed);
        setBackupFaultHook([](BackupStep at) { // with the folder made: nothing of a copy may be left
            if (at == BackupStep::CopyData || at == BackupStep::KeepReplaced)
                throw FileError::fromErrno(ENOSPC);
        });
        QStringList texts = entryTexts(m_path);
        change(kind, 0);
        setBackupFaultHook({});
        kind == u"add" ? texts.append(u"новая 0"_s) : texts.removeFirst();
        QCOMPARE(entryTexts(m_path), texts);
        QCOMPARE(failed.value(0), QVariantList{FileError::fromErrno(ENOSPC).text()});
        QCOMPARE(std::pair(folderFiles(), copyTimes()), std::pair(QStringList(), QStringList()));
        const QByteArray before = fileBytes(m_path);
        change(kind, 1);
        QCOMPARE(std::pair(failed.count(), copyTimes()), std::pair(qsizetype(1), QStringList{u"2026-03-02T09:00"_s}));
        QCOMPARE(fileBytes(newestCopy()), before);
    }

    // A copy that cannot be flushed (here: one gone) or a removal that fails stops the thinning at once.
    void failedSettlingRemovesNothing()
    {
        writeDiary(m_path, {});
        const BackupShelf shelf(m_root, m_path);
        QFile diary(m_path);
        QVERIFY(diary.open(QIODevice::ReadOnly));
        QString newest;
        for (const QString& day : {u"2026-03-01"_s, u"2026-03-02"_s, u"2026-03-03"_s})
            newest = shelf.copyFrom(diary.handle(), at(day));
        const auto settle = [&](const QString& copy) {
            return errorText([&] { shelf.settle(copy, QDate(2026, 3, 3), {1, 0, 0}); });
        };
        QCOMPARE(settle(folder() + u"/gone.qnb"_s), FileError::fromErrno(ENOENT).text());
        setBackupFaultHook([](BackupStep at) {
            if (at == BackupStep::Remove)
                throw FileError::fromErrno(EIO);
        });
        QCOMPARE(settle(newest), FileError::fromErrno(EIO).text());
        QCOMPARE(shelf.copies().size(), std::size_t(3));
        setBackupFaultHook({});
        QCOMPARE(settle(newest), u"no error"_s);
        QCOMPARE(shelf.copies().size(), std::size_t(1));
    }

    void undo_data()
    {
        QTest::addColumn<QList<int>>("rows"); // deleted, in order
        QTest::addColumn<QString>("between");
        QTest::newRow("several, the last first") << QList<int>{4, 0, 1} << QString();
        QTest::newRow("an add between") << QList<int>{3, 0} << u"add"_s;
        QTest::newRow("a password change between") << QList<int>{2, 0} << u"rekey"_s;
    }
    // Newest first, each entry back at its place with its stamp and text, record for record.
    void undo()
    {
        QFETCH(QList<int>, rows);
        QFETCH(QString, between);
        QVERIFY(openDiary(5, u"старый"_s));
        QByteArray expected = fileBytes(m_path);
        QSignalSpy changed(&*m_doc, &DiaryDocument::deletionsChanged);
        QList<int> left{1, 2, 3, 4, 5};
        QList<int> gone;
        for (const int row : rows) {
            QVERIFY(m_doc->viewEntry(row));
            m_doc->deleteViewedEntry();
            gone << left.takeAt(row);
        }
        if (between == u"add") {
            m_doc->add(u"между"_s);
            expected += fileBytes(m_path).right(RecordSize);
        } else if (between == u"rekey") {
            m_doc->rekey(toCp1251(u"новый"_s));
        }
        for (qsizetype i = rows.size() - 1; i >= 0; --i) {
            QCOMPARE(m_doc->undoableDeletion(), std::optional(entryStamp(gone[i])));
            QCOMPARE(m_doc->undoDeletion(), rows[i]);
        }
        QVERIFY(!m_doc->undoableDeletion());
        QCOMPARE(changed.count(), 2 * rows.size());
        if (between == u"rekey") {
            QCOMPARE(storedPassword(m_path), u"новый"_s);
            m_doc->rekey(toCp1251(u"старый"_s));
        }
        QCOMPARE(fileBytes(m_path), expected);
    }

    // Cut short inside its header: never restored. A part of a record after the last, as a killed add leaves in a
    // diary, does not count.
    void damagedCopy()
    {
        QVERIFY(openDiary(2));
        change(u"add"_s, 0);
        const QString copy = newestCopy();
        const QByteArray before = fileBytes(m_path);
        QVERIFY(QFile::resize(copy, 3 * RecordSize - 1));
        QVERIFY(BackupShelf::contentsOf(copy).entries == 1 && !BackupShelf::contentsOf(copy).damaged);
        QVERIFY(QFile::resize(copy, RecordSize - 1) && BackupShelf::contentsOf(copy).damaged);
        QCOMPARE(errorText([&] { m_doc->restoreCopy(copy, knowingThePassword()); }),
                 u"Резервная копия повреждена и не может быть восстановлена:\r"_s + copy);
        QCOMPARE(std::pair(fileBytes(m_path) == before, copyTimes().size()), std::pair(true, qsizetype(1)));
    }

    // The copy's own password is asked for, and becomes the diary's with its key; the document is read anew. The diary
    // as it was just before is copied first, beside the copy of the same minute, so that the restore can be undone.
    void copyWithAnOlderPassword()
    {
        QVERIFY(openDiary(2, u"старый"_s));
        change(u"add"_s, 0);
        const QString copy = newestCopy();
        const QStringList texts = entryTexts(copy);
        m_doc->rekey(toCp1251(u"новый"_s));
        const QByteArray rekeyed = fileBytes(m_path);
        QSignalSpy reloaded(&*m_doc, &DiaryDocument::reloaded);
        QVERIFY(!m_doc->restoreCopy(copy, [](const QString&, const PasswordCheck&) {}) && fileBytes(m_path) == rekeyed);
        QStringList asked;
        QVERIFY(m_doc->restoreCopy(copy, [&](const QString& path, const PasswordCheck& check) {
            asked << path << QString::number(check(u"новый"_s)) << QString::number(check(u"старый"_s));
        }));
        QCOMPARE(asked, (QStringList{copy, u"0"_s, u"1"_s}));
        QCOMPARE(std::pair(storedPassword(m_path), entryTexts(m_path)), std::pair(u"старый"_s, texts));
        QCOMPARE(m_doc->viewEntry(1).value_or(QString()), texts[1]);
        QCOMPARE(std::tuple(copyTimes().size(), fileBytes(newestCopy()) == rekeyed, reloaded.count()),
                 std::tuple(qsizetype(2), true, qsizetype(1)));
    }

    // Nothing writes a copy opened to be read, and no copies are made of it, though one would be due.
    void copyOpenedToRead()
    {
        QVERIFY(openDiary(2));
        change(u"add"_s, 0);
        const QString copy = newestCopy();
        const QByteArray bytes = fileBytes(copy);
        m_now = m_now.addDays(1);
        QVERIFY(m_doc->openCopy(copy, {}) && m_doc->viewEntry(0) && m_doc->view().isReadOnlyCopy());
        const QString refused = u"Резервная копия открыта только для чтения:\r"_s + copy;
        QCOMPARE(errorText([&] { m_doc->restoreCopy(copy, {}); }), refused);
        QCOMPARE(errorText([&] { m_doc->deleteViewedEntry(); }), refused);
        QCOMPARE(std::pair(fileBytes(copy) == bytes, m_doc->backupCopies().size()), std::pair(true, std::size_t(0)));
        QCOMPARE(QDir(m_root).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 QStringList{QFileInfo(folder()).fileName()});
    }
};

QTEST_GUILESS_MAIN(TestBackups)
#include "tst_backups.moc"
