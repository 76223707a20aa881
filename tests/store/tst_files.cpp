#include "store/rebuild.h"
#include "store/recordfile.h"
#include "store/stampreader.h"
#include "testfiles.h"

#include <QDir>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstddef>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

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

// The error that `action` throws while one step of every rebuild fails with "Disk full".
template <typename Action> QString errorAt(RebuildStep failing, Action action)
{
    failRebuildsAt(failing);
    const auto reset = qScopeGuard([] { setRebuildFaultHook({}); });
    return errorText(action);
}

} // namespace

class TestFiles : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList folderEntries(const QString& folder = QString()) const
    {
        return QDir(path(folder)).entryList(QDir::Files | QDir::System | QDir::Hidden);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    // Writes, reads and counts; records outside the file; failed opens keep the file that is open.
    void recordFiles()
    {
        const QString name = path("diary.qnb");
        writeFileBytes(name, diaryBytes(3));
        RecordFile file;
        file.open(name);
        QCOMPARE(recordBytes(file.readHeader()), recordBytes(numberedRecord(0)));
        file.write(1, numberedRecord(9));
        file.append(numberedRecord(3));
        file.flush();
        QCOMPARE(file.readStamp(3), numberedRecord(3).stamp());
        QCOMPARE(fileBytes(name), diaryBytes(4).replace(RecordSize, RecordSize, recordBytes(numberedRecord(9))));

        writeFileBytes(path("short.qnb"), QByteArray(RecordSize - 1, 'x'));
        file.open(path("short.qnb"));
        QVERIFY(file.count() == 0 && file.readEntryStamps().empty());
        DiaryRecord record = numberedRecord(7);
        QCOMPARE(errorText([&] { file.read(0, record); }), BeyondEnd);
        QCOMPARE(recordBytes(record), recordBytes(numberedRecord(7))); // a failed read changes nothing
        // The partial last record does not count; an append starts at the last whole record's end.
        writeFileBytes(name, diaryBytes(3) + QByteArray(100, 's'));
        file.open(name);
        QCOMPARE(file.count(), 3);
        QCOMPARE(errorText([&] { file.read(3, record); }), BeyondEnd);
        QCOMPARE(errorText([&] { file.readStamp(3); }), BeyondEnd); // its 100 bytes hold a stamp
        for (const qint64 outside : {qint64(-1), qint64(1) << 62}) {
            QVERIFY(errorText([&] { file.read(outside, record); }).startsWith("I/O error"));
            QVERIFY(errorText([&] { file.write(outside, record); }).startsWith("I/O error"));
        }
        QCOMPARE(file.readEntryStamps().size(), size_t(2));
        file.append(numberedRecord(3));
        QCOMPARE(fileBytes(name), diaryBytes(4));

        QCOMPARE(errorText([&] { file.open(path("missing.qnb")); }), QStringLiteral("File not found"));
        for (const QString& invalid :
             {path("no folder/missing.qnb"), QString(), path(QStringLiteral("a") + QChar(0) + "b")})
            QCOMPARE(errorText([&] { file.open(invalid); }), QStringLiteral("Invalid filename"));
        QCOMPARE(errorText([&] { file.open(m_dir->path()); }), QStringLiteral("File access denied"));
        QVERIFY(file.path() == name && file.count() == 4);
        // EIO has the number of "access denied" and must not pass for it.
        QCOMPARE(FileError::fromErrno(EIO).text(), QStringLiteral("I/O error 5"));
        QCOMPARE(FileError::fromErrno(EDQUOT).text(), QStringLiteral("Disk full"));
        if (QFile::exists("/dev/full")) {
            file.open("/dev/full");
            QCOMPARE(errorText([&] { file.write(0, numberedRecord(0)); }), QStringLiteral("Disk full"));
        }
        if (geteuid() == 0)
            QSKIP("file permissions do not apply to root");
        QVERIFY(QFile::setPermissions(name, QFile::ReadOwner));
        QCOMPARE(errorText([&] { file.open(name); }), QStringLiteral("File access denied"));
    }

    // Many read chunks, records for several reading threads, and a last record too short for a stamp.
    // Stamps read through io_uring, through a mapping where io_uring is refused, or one by one agree.
    void stampReadersAgree()
    {
        const int records = 4500;
        writeFileBytes(path("big.qnb"), diaryBytes(records) + "12345");
        RecordFile diary;
        diary.open(path("big.qnb"));
        const std::vector<double> stamps = diary.readEntryStamps();
        for (const qint64 first : {1, records - 10, records}) {
            std::vector<double> visited;
            diary.readEach(first, [&](qint64 n, const DiaryRecord& record) {
                QCOMPARE(n, first + qint64(visited.size()));
                QCOMPARE(recordBytes(record), recordBytes(numberedRecord(int(n))));
                visited.push_back(record.stamp());
            });
            QCOMPARE(visited, std::vector<double>(stamps.begin() + first - 1, stamps.end()));
        }

        // io_uring refused (EPERM, as container seccomp profiles do) on a helper thread only; other tests keep it.
        QFile file(path("big.qnb"));
        QVERIFY(file.open(QIODevice::ReadOnly));
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
        QVERIFY(!refused || (!ringsUsed && mapped == stamps));

        // As if another program cut the file after it was counted: an error, never stale or zero stamps.
        const auto plainly = [](int fd, qint64 first, std::span<double> out, qint64 stride) {
            readStampsOneByOne(fd, first, out, stride);
            return true;
        };
        for (auto reader : {+plainly, &readStampsThroughRings}) {
            std::vector<double> read(stamps.size() - 122, 1.5);
            if (!reader(file.handle(), 123, read, RecordSize))
                QSKIP("io_uring is not available here");
            QCOMPARE(read, std::vector<double>(stamps.begin() + 122, stamps.end()));
            read.resize(read.size() + 50);
            QCOMPARE(errorText([&] { reader(file.handle(), 123, read, RecordSize); }), BeyondEnd);
        }
        if (!refused)
            QSKIP("cannot install a seccomp filter here");
    }

    // Rebuilds lose no file whichever step fails (-1: the producer throws); links stay links.
    void rebuilds()
    {
        const QString name = path("diary.qnb");
        for (int step = -1; step <= int(RebuildStep::FlushFolder); ++step) {
            writeFileBytes(name, diaryBytes(150));
            const QString text = errorAt(RebuildStep(step), [&] {
                rebuildDiary(name, [&](RecordSink& sink) {
                    for (int n = 0; n < 130; ++n) // past two buffer flushes
                        sink.put(numberedRecord(n));
                    if (step < 0)
                        throw std::runtime_error("cancelled");
                });
            });
            const bool renamed = step == int(RebuildStep::FlushFolder);
            QCOMPARE(text.section(u'\r', 0, 0), step < 0 ? QStringLiteral("cancelled") : QStringLiteral("Disk full"));
            QCOMPARE(text.contains(u'\r'), renamed); // done, but told so
            QCOMPARE(folderEntries(), QStringList{"diary.qnb"});
            // Once the rename is done only its flush to disk can fail: the new contents are then whole.
            QCOMPARE(fileBytes(name), diaryBytes(renamed ? 130 : 150));
        }

        // Something that is not a plain file is never replaced.
        QVERIFY(QDir().mkdir(path("folder.qnb")));
        QCOMPARE(errorText([&] { createDiaryFile(path("folder.qnb"), numberedRecord(0), true); }),
                 QStringLiteral("File access denied"));
        QVERIFY(QFileInfo(path("folder.qnb")).isDir());

        // The temporary name fits the file system however long the diary's own name is.
        const QString longest = QString(251, u'd') + ".qnb";
        QVERIFY(QDir().mkdir(path("real")));
        const QString target = path("real/" + longest), link = path("link.qnb");
        writeFileBytes(target, diaryBytes(200));
        QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QFileDevice::Permissions mode = QFile::permissions(target); // not what a new file gets
        QVERIFY(QFile::link(target, link));
        RecordFile open;
        open.open(link);

        // Through a link, reading the old file while writing the new one as a delete does.
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
        QCOMPARE(folderEntries("real"), QStringList{longest});

        rebuildDiary(link, [](RecordSink&) {});
        QCOMPARE(fileBytes(target), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestFiles)
#include "tst_files.moc"
