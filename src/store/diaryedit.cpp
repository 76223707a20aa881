#include "diaryedit.h"

#include "changejournal.h"
#include "cp1251.h"
#include "entrycodec.h"
#include "recordfile.h"
#include "stamp.h"

#include <QFile>
#include <QStringList>

namespace
{

const QString EntryMissingText = QStringLiteral("Запись не найдена в дневнике");

} // namespace

// The text box itself breaks lines at a lone CR or LF too (another program may have stored one).
QString toEditorLineBreaks(const QString& fileText)
{
    QString text = fileText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

QString toFileLineBreaks(const QString& editorText)
{
    QString text = editorText;
    return text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

QByteArray passwordFileBytes(const QString& typed)
{
    if (typed.isEmpty())
        throw QuillnestError(QStringLiteral("Пароль не может быть пустым"));
    QString unencodable;
    const QByteArray bytes = toCp1251(typed, &unencodable);
    // Nobody types byte 0 (isTypedPassword refuses it), so a password holding one could never be given again.
    if (typed.contains(QChar(0)))
        unencodable += QChar(0);
    if (!unencodable.isEmpty())
        throw QuillnestError(QStringLiteral("Пароль не изменён: в пароле нельзя сохранить символы ") +
                             describeCharacters(unencodable));
    return bytes.left(SlotCapacity);
}

// Byte 0 cannot be typed: a stored password that holds it is one nobody can give.
bool isTypedPassword(const QString& typed, QByteArrayView stored)
{
    if (typed.contains(QChar(0)))
        return false;
    QString unencodable;
    const QByteArray typedBytes = toCp1251(typed.left(SlotCapacity), &unencodable);
    return unencodable.isEmpty() && !typedBytes.isEmpty() && typedBytes == stored;
}

QByteArray entryFileBytes(const QString& editorText, qsizetype capacity)
{
    QString unencodable;
    const QByteArray bytes = toCp1251(toFileLineBreaks(editorText), &unencodable);
    if (!unencodable.isEmpty())
        throw QuillnestError(QStringLiteral("Запись не сохранена: в дневнике нельзя сохранить символы ") +
                             describeCharacters(unencodable));
    if (bytes.size() > capacity)
        throw EntryTooLongError(bytes.size(), capacity);
    return bytes;
}

QString readEntryText(const RecordFile& diary, qint64 record, const EntryCodec& codec, DiaryRecord& buffer)
{
    diary.read(record, buffer);
    return toEditorLineBreaks(fromCp1251(codec.decode(buffer)));
}

qint64 appendEntry(RecordFile& diary, QByteArrayView text, const EntryCodec& codec, double stamp, DiaryRecord& buffer)
{
    const qint64 count = diary.count();
    // Without its header record the file is no diary to add to.
    if (count < 1)
        throw FileError(FileError::ReadBeyondEnd);
    if (count - 1 >= MaxEntries)
        throw QuillnestError(QStringLiteral("Дневник заполнен: в нём %1 записей").arg(MaxEntries));

    // A fresh record, so that no byte of the entry read before ends up in this one.
    buffer = DiaryRecord();
    buffer.setStamp(stamp);
    codec.encode(buffer, text);
    try {
        diary.write(count, buffer);
        diary.flush();
    } catch (const QuillnestError&) {
        QFile::resize(diary.path(), count * RecordSize);
        throw;
    }
    return count;
}

void readViewedEntry(const RecordFile& diary, qint64 record, const QString& labelKey, DiaryRecord& buffer)
{
    if (record < 1 || record >= diary.count())
        throw QuillnestError(EntryMissingText);
    diary.read(record, buffer);
    if (stampText(buffer.stamp()) != labelKey)
        throw QuillnestError(EntryMissingText);
}

void rewriteEntry(RecordFile& diary, qint64 record, const QString& labelKey, QByteArrayView text,
                  const EntryCodec& codec, DiaryRecord& buffer)
{
    readViewedEntry(diary, record, labelKey, buffer);
    const DiaryRecord old = buffer;
    codec.encode(buffer, text);
    replaceRecord(diary, record, old, buffer);
}
