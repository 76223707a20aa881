#include "store/sidefiles.h"
#include "store/stampreader.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace
{

using namespace testfiles;

const QString BeyondEnd = QStringLiteral("Read beyond end of file");

DiaryRecord numberedRecord(int n)
{
    DiaryRecord record;
    record.setStamp(40000.0 + n + 0.25);
    record.setSlot(1, QByteArray::number(n));
    record.setSlot(20, QByteArray(n % 256, char(n)));
    return record;
}

const auto recordBytes = [](const DiaryRecord& record) { return QByteArray(record.data(), RecordSize); };

QByteArray diaryBytes(int records)
{
    QByteArray bytes;
    for (int n = 0; n < records; ++n)
        bytes += recordBytes(numberedRecord(n));
    return bytes;
}

constexpr int BigFile = 4500;

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    QTemporaryDir m_bigDir;
    // BigFile numbered records, then a last one too short for a stamp: many read chunks, and records for
    // several reading threads.
    QString m_big = m_bigDir.filePath(QStringLiteral("big.qnb"));

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList folderEntries(const QString& folder = QString()) const
    {
        return QDir(path(folder)).entryList(QDir::Files | QDir::System | QDir::Hidden);
    }

private slots:
    void initTestCase() { writeFileBytes(m_big, diaryBytes(BigFile) + "12345"); }
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }
    void cleanup() { setReplaceFaultHook({}); }

    // Writes, reads and counts. The partial last record does not count, nor does its stamp; an append starts at
    // the last whole record's end. A failed read changes nothing, and records outside the file are refused.
    void readsWritesAndCountsWholeRecords()
    {
        writeFileBytes(path("short.qnb"), QByteArray(RecordSize - 1, 'x'));
        RecordFile file;
        file.open(path("short.qnb"));
        QVERIFY(file.count() == 0 && file.readEntryStamps().empty());
        DiaryRecord record = numberedRecord(7);
        QCOMPARE(errorText([&] { file.read(0, record); }), BeyondEnd);
        QCOMPARE(recordBytes(record), recordBytes(numberedRecord(7)));

        const QString name = path("diary.qnb");
        writeFileBytes(name, diaryBytes(3) + QByteArray(100, 's'));
        file.open(name);
        QCOMPARE(file.count(), 3);
        QCOMPARE(errorText([&] { file.read(3, record); }), BeyondEnd);
        QCOMPARE(errorText([&] { file.readStamp(3); }), BeyondEnd); // its 100 bytes hold a stamp
        QCOMPARE(file.readEntryStamps().size(), size_t(2));
        QCOMPARE(recordBytes(file.readHeader()), recordBytes(numberedRecord(0)));
        file.write(1, numberedRecord(9));
        file.append(numberedRecord(3));
        file.flush();
        QCOMPARE(file.readStamp(3), numberedRecord(3).stamp());
        QCOMPARE(fileBytes(name), diaryBytes(4).replace(RecordSize, RecordSize, recordBytes(numberedRecord(9))));
        for (const qint64 outside : {qint64(-1), qint64(1) << 62}) // before the first, past any offset
            QVERIFY2(errorText([&] { file.read(outside, record); }).startsWith("I/O error") &&
                         errorText([&] { file.write(outside, record); }).startsWith("I/O error"),
                     qPrintable(QString::number(outside)));
    }

    // EIO has the number of "access denied" and must not pass for it. A failed open (a missing file or folder, an
    // empty name, a NUL in the name, a folder, a file its owner may not write) keeps the file that was open.
    void saysWhatFailed()
    {
        QCOMPARE(FileError::fromErrno(EIO).text(), QStringLiteral("I/O error 5"));
        QCOMPARE(FileError::fromErrno(EDQUOT).text(), QStringLiteral("Disk full"));
        RecordFile file;
        if (QFile::exists("/dev/full")) {
            file.open("/dev/full");
            QCOMPARE(errorText([&] { file.write(0, numberedRecord(0)); }), QStringLiteral("Disk full"));
        }
        const QString open = path("diary.qnb"), readOnly = path("read-only.qnb");
        writeFileBytes(open, diaryBytes(4));
        writeFileBytes(readOnly, diaryBytes(1));
        QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner));
        file.open(open);
        QList<QPair<QString, QString>> cases{{path("missing.qnb"), u"File not found"_s},
                                             {path("no folder/missing.qnb"), u"Invalid filename"_s},
                                             {QString(), u"Invalid filename"_s},
                                             {path("a") + QChar(0) + u"b"_s, u"Invalid filename"_s},
                                             {path("."), u"File access denied"_s}};
        if (geteuid() != 0) // file permissions do not apply to root
            cases.append({readOnly, u"File access denied"_s});
        for (const auto& [name, error] : cases) {
            QCOMPARE(errorText([&] { file.open(name); }), error);
            QVERIFY(file.path() == open && file.count() == 4);
        }
    }

    // Each record in order from the first entry, the last ten, past the last. The stamp readers, one by one and
    // through io_uring where it is available, agree; as if another program cut the file after it was counted, they
    // give an error, never stale or zero stamps. With io_uring refused (EPERM, as container seccomp profiles do) on
    // a helper thread only, the stamps are read another way, and agree.
    void readsTheBigFile()
    {
        RecordFile diary;
        diary.open(m_big);
        const std::vector<double> stamps = diary.readEntryStamps();
        for (const qint64 first : {qint64(1), qint64(BigFile - 10), qint64(BigFile)}) {
            std::vector<double> visited;
            diary.readEach(first, [&](qint64 n, const DiaryRecord& record) {
                QCOMPARE(n, first + qint64(visited.size()));
                QCOMPARE(recordBytes(record), recordBytes(numberedRecord(int(n))));
                visited.push_back(record.stamp());
            });
            QCOMPARE(visited, std::vector<double>(stamps.begin() + first - 1, stamps.end()));
        }
        QFile file(m_big);
        QVERIFY(file.open(QIODevice::ReadOnly));
        for (const bool rings : {false, true}) {
            const auto reader = [rings, fd = file.handle()](std::span<double> out) { // from record 123 on
                return rings ? readStampsThroughRings(fd, 123, out) : (readStampsOneByOne(fd, 123, out), true);
            };
            std::vector<double> read(stamps.size() - 122, 1.5);
            if (!reader(read))
                continue;
            QCOMPARE(read, std::vector<double>(stamps.begin() + 122, stamps.end()));
            read.resize(read.size() + 50);
            QCOMPARE(errorText([&] { reader(read); }), BeyondEnd);
        }
        bool refused = false, ringsUsed = true;
        std::vector<double> mapped, probe(1);
        std::thread([&] {
            sock_filter program[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                                     BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_io_uring_setup, 0, 1),
                                     BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
                                     BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
            const sock_fprog filter{static_cast<unsigned short>(std::size(program)), program};
            refused = !prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) && !prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter);
            ringsUsed = readStampsThroughRings(file.handle(), 1, probe);
            mapped = diary.readEntryStamps();
        }).join();
        if (!refused)
            QSKIP("cannot install a seccomp filter here");
        QVERIFY(!ringsUsed);
        QCOMPARE(mapped, stamps);
    }

    void rebuildLosesNoFile_data()
    {
        QTest::addColumn<int>("failing");    // the step that fails with a full disk, or -1
        QTest::addColumn<bool>("exchange");  // whether the file system exchanges names
        QTest::addColumn<QString>("mishap"); // "cancelled" by the producer; without exchange, what comes between the
                                             // old file set aside and the new one linked in
        QTest::addColumn<QString>("told");   // how the error begins
        QTest::addColumn<int>("holds");      // the records the diary holds afterwards; -1: another program's file
        const QString full = u"Disk full"_s;
        QTest::newRow("producer throws") << -1 << true << u"cancelled"_s << u"cancelled"_s << 150;
        QTest::newRow("temporary not made") << int(ReplaceStep::CreateTemporary) << true << QString() << full << 150;
        QTest::newRow("temporary not flushed") << int(ReplaceStep::FlushTemporary) << true << QString() << full << 150;
        QTest::newRow("temporary not closed") << int(ReplaceStep::CloseTemporary) << true << QString() << full << 150;
        QTest::newRow("names not exchanged") << int(ReplaceStep::Exchange) << true << QString() << full << 150;
        QTest::newRow("folder not flushed") << int(ReplaceStep::FlushFolder) << true << QString() << full << 130;
        QTest::newRow("without exchange") << -1 << false << QString() << u"no error"_s << 130;
        QTest::newRow("without exchange, another diary put there")
            << -1 << false << u"another"_s << u"Файл дневника заменён"_s << -1;
        QTest::newRow("without exchange, killed") << -1 << false << u"killed"_s << u"killed"_s << 150;
    }
    // Once the names are exchanged only the folder's flush can fail: the new contents are then whole, and the
    // person is told both. Where the file system cannot exchange names, the old diary is set aside and the new one
    // linked in: no moment lets another file at the name be destroyed, and one killed midway is finished at the
    // next opening.
    void rebuildLosesNoFile()
    {
        QFETCH(int, failing);
        QFETCH(bool, exchange);
        QFETCH(QString, mishap);
        QFETCH(QString, told);
        QFETCH(int, holds);
        const QString name = path("diary.qnb"), other = path("other");
        writeFileBytes(name, diaryBytes(150));
        writeFileBytes(other, "another program's");
        setReplaceFaultHook([&](ReplaceStep step) {
            if (int(step) == failing)
                throw FileError(FileError::DiskFull);
            if (step == ReplaceStep::Exchange && !exchange)
                throw ExchangeRefused();
            if (step == ReplaceStep::LinkNew && mishap == "another")
                ::rename(QFile::encodeName(other).constData(), QFile::encodeName(name).constData());
            if (step == ReplaceStep::LinkNew && mishap == "killed")
                throw std::runtime_error("killed");
        });
        const QString text = errorText([&] {
            rebuildDiary(name, [&](RecordSink& sink) {
                for (int n = 0; n < 130; ++n) // past two buffer flushes
                    sink.put(numberedRecord(n));
                if (mishap == "cancelled")
                    throw std::runtime_error("cancelled");
            });
        });
        setReplaceFaultHook({});
        recoverSetAside(name); // as the next opening does
        QVERIFY2(text.startsWith(told), qPrintable(text));
        // Done, but told so; or the diary named that is no longer the one read.
        QCOMPARE(text.contains(u'\r'), failing == int(ReplaceStep::FlushFolder) || holds < 0);
        QCOMPARE(folderEntries(), (QStringList{"diary.qnb", holds < 0 ? "diary.qnb.replaced" : "other"}));
        QCOMPARE(fileBytes(name), holds < 0 ? QByteArray("another program's") : diaryBytes(holds));
        QVERIFY(holds >= 0 || fileBytes(path("diary.qnb.replaced")) == diaryBytes(150));
    }

    // Through a link, reading the old file while writing the new one as a delete does: the link stays a link and
    // the file keeps its mode, though the new one is its owner's alone until it takes the old one's name. The
    // temporary name fits the file system however long the diary's own name is.
    void rebuildKeepsLinksAndModes()
    {
        const QString longest = QString(251, u'd') + ".qnb";
        QVERIFY(QDir().mkdir(path("real")));
        const QString target = path("real/" + longest), link = path("link.qnb");
        writeFileBytes(target, diaryBytes(200));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFileDevice::Permissions mode = QFile::permissions(target); // not what a new file gets
        QVERIFY(QFile::link(target, link));
        RecordFile open;
        open.open(link);
        QList<QFileDevice::Permissions> seen;
        setReplaceFaultHook([&](ReplaceStep step) {
            if (step == ReplaceStep::FlushTemporary)
                seen << QFile::permissions(
                    QFile::decodeName(sidefiles::leftoversOf(QFile::encodeName(target), {".buf"}).value(0)));
        });

        rebuildDiary(link, [&](RecordSink& sink) {
            open.readEach(0, [&](qint64 n, const DiaryRecord& record) {
                if (n != 100)
                    sink.put(record);
            });
            sink.put(numberedRecord(500));
        });
        QCOMPARE(fileBytes(target),
                 diaryBytes(200).remove(100 * RecordSize, RecordSize) + recordBytes(numberedRecord(500)));
        QVERIFY(QFileInfo(link).symLinkTarget() == target && QFile::permissions(target) == mode);
        QCOMPARE(seen, QList{QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser});
        QCOMPARE(folderEntries("real"), QStringList{longest});

        rebuildDiary(link, [](RecordSink&) {});
        QCOMPARE(fileBytes(target), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
