#include "crashloop.h"
#include "import/importentries.h"
#include "import/olddiary.h"
#include "version.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

// A diary that a process killed at random moments adds to, changes, deletes from, puts under another
// password, encrypts and scrambles again, imports into and restores dated copies of is, once opened again, always in
// one of the states the process went through, readable with that state's password. The files it exported and made
// beside it are as they were or complete, every copy listed is whole and one of those states, and nothing else of the
// program's is left once the next operation is done.
class TestCrashLoop : public QObject
{
    Q_OBJECT

    static constexpr int Kills = 300;
    static constexpr int TypingKills = 5;

    QTemporaryDir m_dir;
    QString file(const QString& name) const { return m_dir.filePath(name); }

    // Checks the files the child exports and makes beside the diary, then does what the child does to
    // them once more, which clears away what a killed writer left.
    void checkFilesBeside(DiaryDocument& diary, const OldDiarySource& source)
    {
        const QByteArray exported = testfiles::fileBytes(file("out.txt"));
        const QByteArray footer = toCp1251(QLatin1String(QuillnestCaption) + QStringLiteral(" — личный дневник\r\n"));
        QVERIFY2(exported.isEmpty() || exported.endsWith(footer), "an export half made");
        if (QFile::exists(file("n.qnb"))) {
            QCOMPARE(testfiles::entryTexts(file("n.qnb")).size(), source.entryCount());
            QVERIFY(QFile::remove(file("n.qnb")));
        }
        if (exported.size() > (1 << 20))
            QVERIFY(QFile::remove(file("out.txt")));
        QCOMPARE(testfiles::errorText([&] {
                     diary.exportEntries({true, {}}, file("out.txt"), ExportLayout::Text);
                     importIntoNewDiary(source, {}, file("n.qnb"), {}, {});
                 }),
                 QStringLiteral("no error"));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).join(u' '), QStringLiteral("c.qnb n.qnb out.txt s.drb"));
    }

    // Each copy listed is whole, and one of the states the diary went through; a copy cut short is never listed,
    // and goes with the next copy made, so that at most one is there at a time.
    void checkCopies(const QString& path, const QSet<QByteArray>& states)
    {
        const BackupShelf shelf(m_dir.filePath(crashloop::BackupFolder), path);
        for (const BackupCopy& copy : shelf.copies()) {
            QVERIFY2(!BackupShelf::contentsOf(copy.path).damaged, qPrintable(copy.path));
            QVERIFY2(states.contains(crashloop::digestOf(copy.path)), qPrintable(copy.path));
        }
        QVERIFY(QDir(shelf.folder()).entryList({".copy-*"}, QDir::Files | QDir::Hidden).size() <= 1);
    }

    // While the diary is encrypted, no file of the folder but the export holds its newest entry's text in clear: not
    // the diary, its journal, the files a rebuild was writing, nor its copies.
    void checkNothingReadable(const QString& path)
    {
        const auto [password, texts] = crashloop::contentsOf(path);
        if (!password.startsWith(crashloop::Sealed) || texts.isEmpty())
            return;
        const QByteArray clear = toCp1251(texts.last().left(24));
        for (QDirIterator files(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             files.hasNext();)
            if (const QString name = files.next(); !name.endsWith(u"out.txt"))
                QVERIFY2(!testfiles::fileBytes(name).contains(clear), qPrintable(name));
    }

    // The system lets go of a killed process's files a moment after it is gone: the io_uring rings it read
    // through are torn down after it, and hold the files they read, and their locks, until then. What the
    // next opening clears away is what nobody holds.
    static void waitForReleasedLocks(const QString& folder)
    {
        for (const QString& name : QDir(folder).entryList(QDir::Files)) {
            const int fd = ::open(QFile::encodeName(QDir(folder).filePath(name)).constData(), O_RDONLY | O_CLOEXEC);
            for (int attempt = 0; fd >= 0 && attempt < 500 && ::flock(fd, LOCK_EX | LOCK_NB) != 0; ++attempt)
                QThread::msleep(10);
            if (fd >= 0)
                ::close(fd);
        }
    }

private slots:
    void killedAtRandom()
    {
        const QString path = file("c.qnb");
        createDiaryFile(path, DiaryHeader().toRecord(), false);
        testfiles::writeFileBytes(file("s.drb"), crashloop::sourceDiary());
        OldDiarySource source;
        QCOMPARE(source.recognise(file("s.drb")), OldDiarySource::Outcome::Recognised);
        QByteArray held = crashloop::digest({}, {});
        QSet<QByteArray> states{held};
        int steps = 0;
        QMap<QString, int> midway; // kills in the middle of a step, by its kind
        for (int kill = 0; kill < Kills; ++kill) {
            QProcess child;
            child.start(QStringLiteral(CRASHLOOP_CHILD), {path, QString::number(kill)});
            QVERIFY(child.waitForReadyRead(10000)); // the diary is open
            QThread::usleep(QRandomGenerator::global()->bounded(40000));
            child.kill();
            QVERIFY(child.waitForFinished(10000));

            // "done" and "next" lines take turns: a last "next" names the step under way when the kill came.
            const QList<QByteArray> lines = child.readAllStandardOutput().trimmed().split('\n');
            QCOMPARE(lines.first(), "done " + held);
            const QByteArray last = lines.last();
            const bool midStep = last.startsWith("next ");
            const QByteArray done = lines[lines.size() - (midStep ? 2 : 1)].mid(5);
            const QByteArray next = midStep ? last.sliced(last.lastIndexOf(' ') + 1) : QByteArray();
            for (const QByteArray& line : lines)
                if (line.startsWith("done "))
                    states.insert(line.mid(5));
            waitForReleasedLocks(m_dir.path());
            waitForReleasedLocks(BackupShelf(m_dir.filePath(crashloop::BackupFolder), path).folder());
            DiaryDocument diary;
            QVERIFY(diary.open(path, testfiles::knowingThePassword()));
            held = crashloop::digestOf(path);
            states.insert(held);
            QVERIFY2(held == done || (midStep && held == next), qPrintable(QString::number(kill)));
            checkFilesBeside(diary, source);
            checkCopies(path, states);
            checkNothingReadable(path);
            QVERIFY(!QTest::currentTestFailed());
            if (midStep)
                ++midway[QString::fromUtf8(last.sliced(5, last.lastIndexOf(' ') - 5))];
            steps += int(lines.size() - 1) / 2;
        }
        QStringList counts;
        for (const QString& kind : crashloop::Steps)
            counts << QStringLiteral("%1 %2").arg(kind).arg(midway.value(kind));
        qInfo("%d kills after %d steps in all; in the middle of a step: %s; %d copies kept", Kills, steps,
              qPrintable(counts.join(QStringLiteral(", "))),
              int(BackupShelf(m_dir.filePath(crashloop::BackupFolder), path).copies().size()));
    }

    void endedWhileTyping_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM, a shutdown") << int(SIGTERM);
        QTest::newRow("SIGHUP, a closed terminal") << int(SIGHUP);
        QTest::newRow("SIGINT, Ctrl+C") << int(SIGINT);
        for (int kill = 1; kill <= TypingKills; ++kill)
            QTest::addRow("SIGKILL %d", kill) << int(SIGKILL);
    }
    // A person typing into a new entry is asked to end: the program ends as closing does, and the diary opened
    // again offers all they typed. Killed instead, it offers at least as much as a draft was wholly written of
    // before the kill. (How far the draft lags behind the typing is measured by bench_draft.)
    void endedWhileTyping()
    {
        QFETCH(int, signal);
        QTemporaryDir folder;
        const QString path = testfiles::writeDiary(folder.filePath("t.qnb"), {});
        testfiles::writeFileBytes(folder.filePath("Settings.ini"),
                                  "[Options]\nOpenLast=1\n[Directory]\nLastDiary=" + path.toUtf8() + "\n");
        QProcess typist;
        typist.start(QStringLiteral(CRASHLOOP_TYPIST), {folder.path()});
        QVERIFY(typist.waitForReadyRead(20000)); // the first letter is typed
        QThread::msleep(300 + QRandomGenerator::global()->bounded(4000));
        const bool killed = signal == SIGKILL;
        QCOMPARE(::kill(pid_t(typist.processId()), signal), 0);
        QVERIFY(typist.waitForFinished(10000));
        QVERIFY(killed || (typist.exitStatus() == QProcess::NormalExit && typist.exitCode() == 0));
        // Letters typed before the signal, or in the last draft wholly written before the kill.
        const QByteArray counted = killed ? "kept " : "typed ";
        qsizetype atLeast = 0;
        for (const QByteArray& line : typist.readAllStandardOutput().split('\n')) {
            if (line.startsWith(counted))
                atLeast = line.sliced(counted.size()).toLongLong();
        }
        waitForReleasedLocks(folder.path());
        DiaryDocument diary;
        QVERIFY(diary.open(path, {}));
        const DraftReading reading = diary.readDraft();
        const Draft& draft = reading.draft;
        QCOMPARE(reading.found,
                 atLeast == 0 && reading.found == DraftFound::None ? DraftFound::None : DraftFound::Readable);
        const QString typed = crashloop::TypedText.repeated(draft.text.size() / crashloop::TypedText.size() + 1);
        QVERIFY2(!draft.changing && draft.text == typed.left(draft.text.size()) && draft.text.size() >= atLeast,
                 qPrintable(QStringLiteral("%1 letters in the draft, %2 %3")
                                .arg(draft.text.size())
                                .arg(atLeast)
                                .arg(killed ? "in the last one written" : "typed")));
    }
};

QTEST_GUILESS_MAIN(TestCrashLoop)
#include "tst_crashloop.moc"
