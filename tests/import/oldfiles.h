#pragma once

#include "store/cp1251.h"
#include "store/diaryrecord.h"
#include "store/scramble.h"
#include "store/stamp.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QtEndian>

#include <bit>

// Diary files of the older layouts, written byte by byte as those versions wrote them.
namespace oldfiles
{

enum class Layout { Early, Middle, Late };

inline double stampOf(int day, int second = 0)
{
    return dateTimeToStamp(QDateTime(QDate(2001, 5, day), QTime(10, 0, second)));
}

inline QByteArray stampBytes(double stamp)
{
    const quint64 bits = qToLittleEndian(std::bit_cast<quint64>(stamp));
    return QByteArray(reinterpret_cast<const char*>(&bits), 8);
}

// A text line: its length, its bytes, and bytes behind them that mean nothing.
inline QByteArray line(const QByteArray& bytes)
{
    return char(bytes.size()) + bytes + QByteArray(255 - bytes.size(), '\x5a');
}

// One record per text, stamped stamps[i]; texts are cut into lines of 255 bytes (Windows-1251).
inline QByteArray oldDiary(Layout layout, const QList<double>& stamps, const QStringList& texts,
                           const QByteArray& password = {})
{
    const QByteArray key = password.isEmpty() ? FixedKey : password;
    const int lines = layout == Layout::Early ? 5 : SlotCount;
    QByteArray file;
    if (layout == Layout::Late)
        file = stampBytes(0) + line(password.isEmpty() ? QByteArray() : encodePassword(password)) +
               QByteArray(RecordSize - 8 - 256, '\0');
    for (int i = 0; i < texts.size(); ++i) {
        const QByteArray text = toCp1251(texts[i]);
        file += stampBytes(stamps[i]);
        for (int k = 0; k < lines; ++k)
            file += line(scrambleText(text.mid(k * 255, 255), key));
    }
    return file;
}

} // namespace oldfiles
