#include "store/diaryrecord.h"
#include "store/error.h"
#include "store/rebuild.h"
#include "store/recordfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

Q_DECLARE_METATYPE(RebuildStep)

namespace
{

DiaryRecord numberedRecord(int n)
{
    DiaryRecord record;
    record.setStamp(40000.0 + n + 0.25);
    record.setSlot(1, QByteArray::number(n));
    record.setSlot(20, QByteArray(n % 256, char(n)));
    return record;
}

QByteArray recordBytes(const DiaryRecord& record)
{
    return QByteArray(record.data(), RecordSize);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray diaryBytes(int records)
{
    QByteArray bytes;
    for (int n = 0; n < records; ++n)
        bytes += recordBytes(numberedRecord(n));
    return bytes;
}

// The text of the FileError that `action` throws, or "no error".
template <typename Action> QString errorText(Action action)
{
    try {
        action();
    } catch (const FileError& error) {
        return error.text();
    }
    return QStringLiteral("no error");
}

class FaultAt
{
public:
    explicit FaultAt(RebuildStep failing)
    {
        setRebuildFaultHook([failing](RebuildStep step) {
            if (step == failing)
                throw FileError(FileError::DiskFull);
        });
    }
    ~FaultAt() { setRebuildFaultHook({}); }
};

} // namespace

class TestRecordFile : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void errorTexts();
    void openErrors();
    void permissionErrors();
    void diskFull();
    void closedFileAndBadRecordNumbers();

    void writeReadAndCount();
    void shortFiles();
    void appendReplacesStrayBytes();
    void failedOpenKeepsOldFile();
    void createCutsFile();

    void readEachAndStampsAgree();

    void createDiaryFileNew();
    void createDiaryFileExisting();

    void rebuildSucceeds();
    void rebuildKeepsLinkAndPermissions();
    void rebuildFailsAtEachStep_data();
    void rebuildFailsAtEachStep();
    void rebuildProducerThrows();

private:
    QString path(const QString& name) const { return m_dir->filePath(name); }
    QStringList folderEntries() const
    {
        return QDir(m_dir->path()).entryList(QDir::Files | QDir::System | QDir::Hidden);
    }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestRecordFile::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void TestRecordFile::errorTexts()
{
    QCOMPARE(FileError(2).text(), QStringLiteral("File not found"));
    QCOMPARE(FileError(3).text(), QStringLiteral("Invalid filename"));
    QCOMPARE(FileError(4).text(), QStringLiteral("Too many open files"));
    QCOMPARE(FileError(5).text(), QStringLiteral("File access denied"));
    QCOMPARE(FileError(100).text(), QStringLiteral("Read beyond end of file"));
    QCOMPARE(FileError(101).text(), QStringLiteral("Disk full"));
    QCOMPARE(FileError(42).text(), QStringLiteral("I/O error 42"));
    QCOMPARE(QString::fromUtf8(FileError(101).what()), QStringLiteral("Disk full"));

    QCOMPARE(FileError::fromErrno(ENOENT).code(), 2);
    QCOMPARE(FileError::fromErrno(ENAMETOOLONG).code(), 3);
    QCOMPARE(FileError::fromErrno(EMFILE).code(), 4);
    QCOMPARE(FileError::fromErrno(EROFS).code(), 5);
    QCOMPARE(FileError::fromErrno(EDQUOT).code(), 101);
    QCOMPARE(FileError::fromErrno(EXDEV).text(), QStringLiteral("I/O error %1").arg(EXDEV));
    // EIO must not pass for an access problem.
    QVERIFY(FileError::fromErrno(EIO).text().startsWith(QStringLiteral("I/O error ")));
}

void TestRecordFile::openErrors()
{
    RecordFile file;
    QCOMPARE(errorText([&] { file.open(path("missing.qnb")); }), QStringLiteral("File not found"));
    QCOMPARE(errorText([&] { file.open(path("no folder/missing.qnb")); }), QStringLiteral("Invalid filename"));
    QCOMPARE(errorText([&] { file.open(QString()); }), QStringLiteral("Invalid filename"));
    QCOMPARE(errorText([&] { file.open(path(QStringLiteral("a") + QChar(0) + "b")); }),
             QStringLiteral("Invalid filename"));
    QCOMPARE(errorText([&] { file.open(path(QString(300, 'n'))); }), QStringLiteral("Invalid filename"));
    QCOMPARE(errorText([&] { file.open(m_dir->path()); }), QStringLiteral("File access denied"));
    QCOMPARE(errorText([&] { file.create(path("no folder/new.qnb")); }), QStringLiteral("Invalid filename"));
    QVERIFY(!file.isOpen());
}

void TestRecordFile::permissionErrors()
{
    if (geteuid() == 0)
        QSKIP("file permissions do not apply to root");
    const QString readOnly = path("readonly.qnb");
    writeBytes(readOnly, diaryBytes(1));
    QVERIFY(QFile::setPermissions(readOnly, QFile::ReadOwner));
    RecordFile file;
    QCOMPARE(errorText([&] { file.open(readOnly); }), QStringLiteral("File access denied"));

    // A folder that cannot be written to has no room for the temporary file of a rebuild.
    const QString folder = path("locked");
    QVERIFY(QDir().mkdir(folder));
    const QString diary = folder + "/diary.qnb";
    writeBytes(diary, diaryBytes(2));
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const QString text = errorText([&] { rebuildDiary(diary, [](RecordSink& sink) { sink.put(numberedRecord(5)); }); });
    QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    QCOMPARE(text, QStringLiteral("File access denied"));
    QCOMPARE(readAll(diary), diaryBytes(2));
}

void TestRecordFile::diskFull()
{
    if (!QFile::exists("/dev/full"))
        QSKIP("no /dev/full on this system");
    RecordFile file;
    file.open("/dev/full");
    QCOMPARE(errorText([&] { file.write(0, numberedRecord(0)); }), QStringLiteral("Disk full"));
}

void TestRecordFile::closedFileAndBadRecordNumbers()
{
    RecordFile file;
    QVERIFY(errorText([&] { file.count(); }).startsWith("I/O error"));
    QVERIFY(errorText([&] { file.readHeader(); }).startsWith("I/O error"));
    QVERIFY(errorText([&] { file.write(0, {}); }).startsWith("I/O error"));
    file.close(); // closing twice is harmless

    writeBytes(path("d.qnb"), diaryBytes(2));
    file.open(path("d.qnb"));
    DiaryRecord record;
    QVERIFY(errorText([&] { file.read(-1, record); }).startsWith("I/O error"));
    QVERIFY(errorText([&] { file.write(-1, record); }).startsWith("I/O error"));
    QVERIFY(errorText([&] { file.write(std::numeric_limits<qint64>::max() / 2, record); }).startsWith("I/O error"));
    QCOMPARE(readAll(path("d.qnb")), diaryBytes(2));
}

void TestRecordFile::writeReadAndCount()
{
    const QString name = path("diary.qnb");
    writeBytes(name, diaryBytes(3));
    RecordFile file;
    file.open(name);
    QVERIFY(file.isOpen());
    QCOMPARE(file.path(), name);
    QCOMPARE(file.count(), 3);
    QCOMPARE(recordBytes(file.readHeader()), recordBytes(numberedRecord(0)));

    file.write(1, numberedRecord(9)); // in place: the length stays
    file.append(numberedRecord(3));
    file.flush();
    QCOMPARE(file.count(), 4);

    DiaryRecord record;
    file.read(1, record);
    QCOMPARE(recordBytes(record), recordBytes(numberedRecord(9)));
    file.read(3, record);
    QCOMPARE(recordBytes(record), recordBytes(numberedRecord(3)));

    // A second handle sees the writes at once.
    RecordFile other;
    other.open(name);
    other.read(1, record);
    QCOMPARE(record.stamp(), numberedRecord(9).stamp());

    file.close();
    QVERIFY(!file.isOpen());
    QByteArray expected = diaryBytes(4);
    expected.replace(RecordSize, RecordSize, recordBytes(numberedRecord(9)));
    QCOMPARE(readAll(name), expected);
}

void TestRecordFile::shortFiles()
{
    RecordFile file;
    writeBytes(path("empty.qnb"), {});
    file.open(path("empty.qnb"));
    QCOMPARE(file.count(), 0);
    QCOMPARE(errorText([&] { file.readHeader(); }), QStringLiteral("Read beyond end of file"));
    QVERIFY(file.readEntryStamps().empty());

    writeBytes(path("short.qnb"), QByteArray(RecordSize - 1, 'x'));
    file.open(path("short.qnb"));
    QCOMPARE(file.count(), 0);
    DiaryRecord record = numberedRecord(7);
    QCOMPARE(errorText([&] { file.read(0, record); }), QStringLiteral("Read beyond end of file"));
    QCOMPARE(recordBytes(record), recordBytes(numberedRecord(7))); // a failed read changes nothing

    writeBytes(path("header.qnb"), diaryBytes(1));
    file.open(path("header.qnb"));
    QCOMPARE(file.count(), 1);
    QVERIFY(file.readEntryStamps().empty());
    int visits = 0;
    file.readEach(1, [&](qint64, const DiaryRecord&) { ++visits; });
    QCOMPARE(visits, 0);
}

void TestRecordFile::appendReplacesStrayBytes()
{
    const QString name = path("stray.qnb");
    writeBytes(name, diaryBytes(3) + QByteArray(100, 's'));
    RecordFile file;
    file.open(name);
    QCOMPARE(file.count(), 3);
    DiaryRecord record;
    QCOMPARE(errorText([&] { file.read(3, record); }), QStringLiteral("Read beyond end of file"));
    QCOMPARE(file.readEntryStamps().size(), size_t(2));

    file.append(numberedRecord(3));
    QCOMPARE(file.count(), 4);
    file.close();
    QCOMPARE(readAll(name), diaryBytes(4)); // the record starts at byte 15384 and covers the stray bytes
}

void TestRecordFile::failedOpenKeepsOldFile()
{
    writeBytes(path("a.qnb"), diaryBytes(2));
    RecordFile file;
    file.open(path("a.qnb"));
    QVERIFY(!errorText([&] { file.open(path("missing.qnb")); }).isEmpty());
    QVERIFY(file.isOpen());
    QCOMPARE(file.path(), path("a.qnb"));
    QCOMPARE(file.count(), 2);
}

void TestRecordFile::createCutsFile()
{
    const QString name = path("cut.qnb");
    writeBytes(name, diaryBytes(5));
    RecordFile file;
    file.create(name);
    QCOMPARE(file.count(), 0);
    file.write(0, numberedRecord(0));
    file.close();
    QCOMPARE(readAll(name), diaryBytes(1));
}

void TestRecordFile::readEachAndStampsAgree()
{
    // More than a few read chunks, and a partial last one.
    const int records = 300;
    const QString name = path("big.qnb");
    writeBytes(name, diaryBytes(records) + QByteArray(17, 'p'));
    RecordFile file;
    file.open(name);

    const std::vector<double> stamps = file.readEntryStamps();
    QCOMPARE(stamps.size(), size_t(records - 1));

    std::vector<double> visited;
    qint64 expectedNumber = 1;
    file.readEach(1, [&](qint64 n, const DiaryRecord& record) {
        QCOMPARE(n, expectedNumber++);
        QCOMPARE(recordBytes(record), recordBytes(numberedRecord(int(n))));
        visited.push_back(record.stamp());
    });
    QCOMPARE(visited, stamps);

    qint64 firstSeen = -1;
    int count = 0;
    file.readEach(250, [&](qint64 n, const DiaryRecord&) {
        if (firstSeen < 0)
            firstSeen = n;
        ++count;
    });
    QCOMPARE(firstSeen, 250);
    QCOMPARE(count, records - 250);

    count = 0;
    file.readEach(records, [&](qint64, const DiaryRecord&) { ++count; });
    QCOMPARE(count, 0);
}

void TestRecordFile::createDiaryFileNew()
{
    const QString name = path("new.qnb");
    createDiaryFile(name, numberedRecord(0), false);
    QCOMPARE(readAll(name), diaryBytes(1));

    QCOMPARE(errorText([&] { createDiaryFile(path("no folder/new.qnb"), numberedRecord(0), false); }),
             QStringLiteral("Invalid filename"));
    // Something that is not a plain file is never replaced.
    QVERIFY(QDir().mkdir(path("folder.qnb")));
    QCOMPARE(errorText([&] { createDiaryFile(path("folder.qnb"), numberedRecord(0), true); }),
             QStringLiteral("File access denied"));
    QVERIFY(QFileInfo(path("folder.qnb")).isDir());
}

void TestRecordFile::createDiaryFileExisting()
{
    const QString name = path("old.qnb");
    writeBytes(name, diaryBytes(4));
    QVERIFY(errorText([&] { createDiaryFile(name, numberedRecord(7), false); }) != QStringLiteral("no error"));
    QCOMPARE(readAll(name), diaryBytes(4));

    {
        FaultAt fault(RebuildStep::Rename);
        QVERIFY(errorText([&] { createDiaryFile(name, numberedRecord(7), true); }) != QStringLiteral("no error"));
    }
    QCOMPARE(readAll(name), diaryBytes(4));

    createDiaryFile(name, numberedRecord(7), true);
    QCOMPARE(readAll(name), recordBytes(numberedRecord(7)));
    QCOMPARE(folderEntries(), QStringList{"old.qnb"});
}

void TestRecordFile::rebuildSucceeds()
{
    const QString name = path("diary.qnb");
    writeBytes(name, diaryBytes(200));
    RecordFile open;
    open.open(name);

    // Reads the old file while writing the new one, as a delete does.
    rebuildDiary(name, [&](RecordSink& sink) {
        open.readEach(0, [&](qint64 n, const DiaryRecord& record) {
            if (n != 100)
                sink.put(record);
        });
        sink.put(numberedRecord(500));
    });

    QByteArray expected = diaryBytes(200);
    expected.remove(100 * RecordSize, RecordSize);
    expected += recordBytes(numberedRecord(500));
    QCOMPARE(readAll(name), expected);
    QCOMPARE(folderEntries(), QStringList{"diary.qnb"});

    // The handle that was open still reads the old file until it is opened again.
    QCOMPARE(open.count(), 200);
    open.open(name);
    QCOMPARE(open.count(), 200);
    DiaryRecord record;
    open.read(100, record);
    QCOMPARE(recordBytes(record), recordBytes(numberedRecord(101)));

    rebuildDiary(name, [](RecordSink&) {});
    QCOMPARE(readAll(name), QByteArray());
}

void TestRecordFile::rebuildKeepsLinkAndPermissions()
{
    QVERIFY(QDir().mkdir(path("real")));
    const QString target = path("real/diary.qnb");
    const QString link = path("link.qnb");
    writeBytes(target, diaryBytes(3));
    QVERIFY(::chmod(QFile::encodeName(target).constData(), 0640) == 0);
    QVERIFY(QFile::link(target, link));

    rebuildDiary(link, [](RecordSink& sink) { sink.put(numberedRecord(0)); });

    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), target);
    QCOMPARE(readAll(target), diaryBytes(1));
    struct stat info;
    QVERIFY(::stat(QFile::encodeName(target).constData(), &info) == 0);
    QCOMPARE(info.st_mode & 07777, mode_t(0640));
    QCOMPARE(QDir(path("real")).entryList(QDir::Files | QDir::Hidden), QStringList{"diary.qnb"});
}

void TestRecordFile::rebuildFailsAtEachStep_data()
{
    QTest::addColumn<RebuildStep>("step");
    QTest::newRow("create temporary") << RebuildStep::CreateTemporary;
    QTest::newRow("write records") << RebuildStep::WriteRecords;
    QTest::newRow("flush temporary") << RebuildStep::FlushTemporary;
    QTest::newRow("close temporary") << RebuildStep::CloseTemporary;
    QTest::newRow("rename") << RebuildStep::Rename;
    QTest::newRow("flush folder") << RebuildStep::FlushFolder;
}

void TestRecordFile::rebuildFailsAtEachStep()
{
    QFETCH(RebuildStep, step);
    const QString name = path("diary.qnb");
    const QByteArray old = diaryBytes(150);
    writeBytes(name, old);

    const QByteArray replacement = diaryBytes(70);
    QString text;
    {
        FaultAt fault(step);
        text = errorText([&] {
            rebuildDiary(name, [](RecordSink& sink) {
                for (int n = 0; n < 70; ++n)
                    sink.put(numberedRecord(n));
            });
        });
    }
    QCOMPARE(text, QStringLiteral("Disk full"));
    QCOMPARE(folderEntries(), QStringList{"diary.qnb"});
    // Once the rename is done only its flush to disk can fail: the new contents are then whole.
    QCOMPARE(readAll(name), step == RebuildStep::FlushFolder ? replacement : old);
}

void TestRecordFile::rebuildProducerThrows()
{
    const QString name = path("diary.qnb");
    writeBytes(name, diaryBytes(10));
    bool thrown = false;
    try {
        rebuildDiary(name, [](RecordSink& sink) {
            for (int n = 0; n < 130; ++n) // past two buffer flushes
                sink.put(numberedRecord(n));
            throw std::runtime_error("cancelled");
        });
    } catch (const std::runtime_error&) {
        thrown = true;
    }
    QVERIFY(thrown);
    QCOMPARE(readAll(name), diaryBytes(10));
    QCOMPARE(folderEntries(), QStringList{"diary.qnb"});
}

QTEST_GUILESS_MAIN(TestRecordFile)
#include "tst_recordfile.moc"
