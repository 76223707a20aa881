#include "diaryrecord.h"

#include <QtEndian>

#include <algorithm>
#include <bit>
#include <cstring>

double DiaryRecord::stamp() const
{
    quint64 bits;
    std::memcpy(&bits, bytes.data(), sizeof bits);
    return std::bit_cast<double>(qFromLittleEndian(bits));
}

void DiaryRecord::setStamp(double value)
{
    const quint64 bits = qToLittleEndian(std::bit_cast<quint64>(value));
    std::memcpy(bytes.data(), &bits, sizeof bits);
}

QByteArrayView DiaryRecord::slot(int k) const
{
    const int offset = slotOffset(k);
    return QByteArrayView(data() + offset + 1, bytes[offset]);
}

void DiaryRecord::setSlot(int k, QByteArrayView text)
{
    const int offset = slotOffset(k);
    const auto length = static_cast<int>(std::min<qsizetype>(text.size(), SlotCapacity));
    bytes[offset] = static_cast<unsigned char>(length);
    unsigned char* chars = bytes.data() + offset + 1;
    if (length > 0)
        std::memcpy(chars, text.data(), length);
    // Zeros after the value keep old text out of the file when a shorter text replaces a longer one.
    std::memset(chars + length, 0, SlotCapacity - length);
}

DiaryHeader DiaryHeader::fromRecord(const DiaryRecord& record)
{
    DiaryHeader header;
    header.created = record.stamp();
    header.password = record.slot(1).toByteArray();
    header.title = record.slot(2).toByteArray();
    header.owner = record.slot(3).toByteArray();
    return header;
}

DiaryRecord DiaryHeader::toRecord() const
{
    DiaryRecord record;
    record.setStamp(created);
    record.setSlot(1, password);
    record.setSlot(2, title);
    record.setSlot(3, owner);
    return record;
}

DiaryEntry DiaryEntry::fromRecord(const DiaryRecord& record)
{
    DiaryEntry entry;
    entry.stamp = record.stamp();
    for (int k = 1; k <= SlotCount; ++k)
        entry.lines[k - 1] = record.slot(k).toByteArray();
    return entry;
}

DiaryRecord DiaryEntry::toRecord() const
{
    DiaryRecord record;
    record.setStamp(stamp);
    for (int k = 1; k <= SlotCount; ++k)
        record.setSlot(k, lines[k - 1]);
    return record;
}
