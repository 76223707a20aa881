#pragma once

#include "store/cp1251.h"
#include "store/diaryedit.h"
#include "store/entrycodec.h"
#include "store/error.h"
#include "store/rebuild.h"
#include "store/recordfile.h"
#include "store/replacement.h"
#include "store/scramble.h"
#include "store/stamp.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>
#include <QTest>

#include <exception>

// Small file, diary and error helpers shared by the test suites.
namespace testfiles
{

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The text of the error that `action` throws, or "no error".
template <typename Action> QString errorText(Action action)
{
    try {
        action();
    } catch (const QuillnestError& error) {
        return error.text();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("no error");
}

inline double stampOf(int year, int month, int day, int h = 0, int m = 0, int s = 0)
{
    return dateTimeToStamp(QDateTime(QDate(year, month, day), QTime(h, m, s)));
}

// Members initialised, so that a designated initializer may leave any of them out.
struct Diary {
    QString title{};
    QString owner{};
    QString password{}; // clear; empty for none
    double created = stampOf(2025, 11, 2, 9, 5, 59);
    QList<double> stamps{stampOf(2026, 2, 2, 12)}; // one entry per stamp
    QStringList texts{}; // CR LF line breaks; entry i is "Запись номер i\r\nвторая строка" where none is given
};

// Writes `diary` at `path`, replacing any file there, and returns the path.
inline QString writeDiary(const QString& path, const Diary& diary)
{
    DiaryHeader header;
    header.created = diary.created;
    header.title = toCp1251(diary.title);
    header.owner = toCp1251(diary.owner);
    const QByteArray password = toCp1251(diary.password);
    header.password = password.isEmpty() ? QByteArray() : encodePassword(password);
    createDiaryFile(path, header.toRecord(), true);
    RecordFile file;
    file.open(path);
    DiaryRecord buffer;
    for (int i = 0; i < diary.stamps.size(); ++i) {
        const QString text = diary.texts.value(i, QStringLiteral("Запись номер %1\r\nвторая строка").arg(i + 1));
        appendEntry(file, toCp1251(text), ScrambledText(password.isEmpty() ? FixedKey : password), diary.stamps[i],
                    buffer);
    }
    return path;
}

// The password the diary's header holds now, in clear.
inline QString storedPassword(const QString& path)
{
    RecordFile file;
    file.open(path);
    return fromCp1251(decodePassword(DiaryHeader::fromRecord(file.readHeader()).password));
}

// The texts of the diary's entries in file order as the text box shows them, read with the password its
// header holds, through a handle of the test's own.
inline QStringList entryTexts(const QString& path)
{
    RecordFile file;
    file.open(path);
    const QByteArray password = decodePassword(DiaryHeader::fromRecord(file.readHeader()).password);
    const ScrambledText codec(password.isEmpty() ? FixedKey : password);
    QStringList texts;
    DiaryRecord buffer;
    for (qint64 n = 1; n < file.count(); ++n)
        texts << readEntryText(file, n, codec, buffer);
    return texts;
}

// What a change done but not made safe on a full disk says.
inline const QString NotSafeOnFullDisk =
    QStringLiteral("Disk full\rИзменения записаны, но при сбое питания они могут потеряться.");

// Every replacement of a file fails with "Disk full" at step `failing` until the hook is removed.
inline void failReplacementsAt(ReplaceStep failing)
{
    setReplaceFaultHook([failing](ReplaceStep at) {
        if (at == failing)
            throw FileError(FileError::DiskFull);
    });
}

} // namespace testfiles
