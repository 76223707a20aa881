#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <array>
#include <cstdint>

// One record of a diary file: an 8-byte little-endian double `Stamp` at offset 0 and
// 20 text slots of 256 bytes (a length byte and up to 255 characters) from offset 8.
// Record 0 of a file is its header, records 1..N its entries.
constexpr int RecordSize = 5128;
constexpr int SlotCount = 20;
constexpr int SlotSize = 256;
constexpr int SlotCapacity = 255;
constexpr int MaxEntryChars = SlotCount * SlotCapacity; // 5100
constexpr int MaxEntries = 65535;

// Slots are numbered from 1.
constexpr int slotOffset(int k)
{
    return 8 + (k - 1) * SlotSize;
}

struct DiaryRecord {
    std::array<unsigned char, RecordSize> bytes{};

    double stamp() const;
    void setStamp(double value);

    // Slot k (1..20). Reading never looks past the length byte.
    int slotLength(int k) const { return bytes[slotOffset(k)]; }
    QByteArrayView slot(int k) const;
    // Stores the first 255 bytes of `text`; the bytes after them are set to zero.
    void setSlot(int k, QByteArrayView text);
    void clearSlot(int k) { setSlot(k, {}); }

    const char* data() const { return reinterpret_cast<const char*>(bytes.data()); }
    char* data() { return reinterpret_cast<char*>(bytes.data()); }
};
static_assert(sizeof(DiaryRecord) == RecordSize);

// Record 0 as the program reads it. Text fields hold file bytes (Windows-1251).
struct DiaryHeader {
    double created = 0;
    QByteArray password; // stored form, see encodePassword
    QByteArray title;
    QByteArray owner;

    static DiaryHeader fromRecord(const DiaryRecord& record);
    // A fresh record: unused slots and the bytes after each value are zero.
    DiaryRecord toRecord() const;
};

// Records 1..N: the time stamp and the 20 (scrambled) pieces of the text.
struct DiaryEntry {
    double stamp = 0;
    std::array<QByteArray, SlotCount> lines;

    static DiaryEntry fromRecord(const DiaryRecord& record);
    DiaryRecord toRecord() const;
};
