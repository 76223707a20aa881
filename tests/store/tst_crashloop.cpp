#include "crashloop.h"
#include "store/diarydocument.h"
#include "store/recordfile.h"
#include "testfiles.h"

#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

// A diary that is added to, changed and deleted from by a process killed at random moments is, once
// opened again, always in one of the states the process went through, with nothing left beside it.
class TestCrashLoop : public QObject
{
    Q_OBJECT

    static constexpr int Kills = 300;

private slots:
    void killedAtRandom()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("c.qnb"));
        createDiaryFile(path, DiaryHeader().toRecord(), false);
        QByteArray held = crashloop::digest({});
        int midway = 0;
        int steps = 0;
        for (int kill = 0; kill < Kills; ++kill) {
            QProcess child;
            child.start(QStringLiteral(CRASHLOOP_CHILD), {path, QString::number(kill)});
            QVERIFY(child.waitForReadyRead(10000)); // the diary is open
            QThread::usleep(QRandomGenerator::global()->bounded(20000));
            child.kill();
            QVERIFY(child.waitForFinished(10000));

            const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
            QCOMPARE(lines.first(), "done " + held);
            QByteArray done;
            QByteArray next; // of a step under way when the kill came
            for (const QByteArray& line : lines) {
                if (line.startsWith("next "))
                    next = line.mid(5);
                if (line.startsWith("done "))
                    std::tie(done, next) = std::pair(line.mid(5), QByteArray());
            }
            DiaryDocument diary;
            QVERIFY(diary.open(path, {}));
            held = crashloop::digest(testfiles::entryTexts(path));
            QVERIFY2(held == done || (!next.isEmpty() && held == next), qPrintable(QString::number(kill)));
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("c.qnb")});
            midway += !next.isEmpty();
            steps += int(lines.size()) / 2 - 1;
        }
        qInfo("%d kills after %d steps in all, %d of them in the middle of a step", Kills, steps, midway);
    }
};

QTEST_GUILESS_MAIN(TestCrashLoop)
#include "tst_crashloop.moc"
