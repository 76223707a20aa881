#include "store/diaryrecord.h"
#include "store/error.h"
#include "store/recordfile.h"
#include "store/stampreader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace
{

// Every record's stamp differs, some are not ordinary numbers; the text bytes are all 'x'.
QByteArray diaryBytes(int records, int strayBytes)
{
    QByteArray bytes(qsizetype(records) * RecordSize + strayBytes, 'x');
    for (int n = 0; n < records; ++n) {
        DiaryRecord record;
        record.setStamp(n % 5 ? 40000.0 + n / 1440.0 : std::numeric_limits<double>::quiet_NaN());
        std::memcpy(bytes.data() + qsizetype(n) * RecordSize, record.data(), 8);
    }
    return bytes;
}

QByteArray stampBytes(const std::vector<double>& stamps)
{
    return QByteArray(reinterpret_cast<const char*>(stamps.data()), qsizetype(stamps.size() * 8));
}

class OpenFile
{
public:
    explicit OpenFile(const QString& path) : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY)) {}
    ~OpenFile() { ::close(m_fd); }
    int fd() const { return m_fd; }

private:
    int m_fd;
};

// Makes io_uring_setup fail with EPERM on the calling thread, as container seccomp profiles do.
bool refuseIoUringOnThisThread()
{
    sock_filter program[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_io_uring_setup, 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog filter{static_cast<unsigned short>(std::size(program)), program};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 && ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) == 0;
}

int ringReadError(int fd, qint64 first, size_t count)
{
    std::vector<double> stamps(count);
    try {
        readStampsThroughRings(fd, first, stamps);
    } catch (const FileError& error) {
        return error.code();
    }
    return 0;
}

} // namespace

class TestStampReader : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void ringsMatchPlainReads_data();
    void ringsMatchPlainReads();
    void sparseFileReadsZeros();
    void recordsPastTheEndFail();
    void withoutIoUringTheResultIsTheSame();

private:
    QString writeDiary(const QString& name, int records, int strayBytes);
    QTemporaryDir m_dir;
};

QString TestStampReader::writeDiary(const QString& name, int records, int strayBytes)
{
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(diaryBytes(records, strayBytes)) < 0)
        return {};
    return file.fileName();
}

void TestStampReader::initTestCase()
{
    OpenFile file(writeDiary("probe.qnb", 2, 0));
    std::vector<double> probe(1);
    if (!readStampsThroughRings(file.fd(), 1, probe))
        QSKIP("io_uring is not available here");
}

void TestStampReader::ringsMatchPlainReads_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("first");
    QTest::newRow("one entry") << 2 << 1;
    QTest::newRow("few hundred") << 300 << 1;
    QTest::newRow("not from the start") << 300 << 123;
    QTest::newRow("enough for every core, short last batch") << 4500 << 1;
}

void TestStampReader::ringsMatchPlainReads()
{
    QFETCH(int, records);
    QFETCH(int, first);
    const QByteArray file = diaryBytes(records, 4000); // the stray bytes make a partial last record
    QByteArray expected;
    for (qsizetype n = first; n < records; ++n)
        expected += file.mid(n * RecordSize, 8);

    OpenFile diary(writeDiary("diary.qnb", records, 4000));
    std::vector<double> stamps(size_t(records - first), 1.5);
    QVERIFY(readStampsThroughRings(diary.fd(), first, stamps));
    QVERIFY(stampBytes(stamps) == expected);
}

void TestStampReader::sparseFileReadsZeros()
{
    QFile file(m_dir.filePath("sparse.qnb"));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(5000) * RecordSize));
    QVERIFY(file.seek(qint64(4321) * RecordSize) && file.write(diaryBytes(1, 0).left(8)) == 8);
    file.close();

    RecordFile diary;
    diary.open(file.fileName());
    std::vector<double> expected(4999, 0.0);
    expected[4320] = std::numeric_limits<double>::quiet_NaN();
    QVERIFY(stampBytes(diary.readEntryStamps()) == stampBytes(expected));
}

// As if another program cut the file after it was counted: an error, never stale or zero stamps.
void TestStampReader::recordsPastTheEndFail()
{
    OpenFile file(writeDiary("cut.qnb", 300, 5));
    QCOMPARE(ringReadError(file.fd(), 1, 299), 0);
    QCOMPARE(ringReadError(file.fd(), 1, 300), FileError::ReadBeyondEnd);
    QCOMPARE(ringReadError(file.fd(), 250, 100), FileError::ReadBeyondEnd);
}

void TestStampReader::withoutIoUringTheResultIsTheSame()
{
    RecordFile diary;
    diary.open(writeDiary("fallback.qnb", 3000, 100));
    const std::vector<double> withRings = diary.readEntryStamps();

    // Only this helper thread is filtered; the other tests keep io_uring.
    bool refused = false;
    bool ringsUsed = true;
    std::vector<double> without;
    std::thread([&] {
        refused = refuseIoUringOnThisThread();
        std::vector<double> probe(1);
        ringsUsed = readStampsThroughRings(OpenFile(diary.path()).fd(), 1, probe);
        without = diary.readEntryStamps();
    }).join();
    if (!refused)
        QSKIP("cannot install a seccomp filter here");
    QVERIFY(!ringsUsed);
    QCOMPARE(without.size(), size_t(2999));
    QVERIFY(stampBytes(without) == stampBytes(withRings));
}

QTEST_GUILESS_MAIN(TestStampReader)
#include "tst_stampreader.moc"
