#include "store/diaryrecord.h"
#include "store/entrytext.h"
#include "store/scramble.h"

#include <QRandomGenerator>
#include <QTest>

#include <cstring>

namespace
{

QByteArray randomBytes(QRandomGenerator& random, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& c : bytes)
        c = char(random.bounded(256));
    return bytes;
}

// The routine as the format describes it, one byte at a time.
QByteArray referenceScramble(QByteArrayView text, QByteArrayView key)
{
    QByteArray out = text.toByteArray();
    for (qsizetype i = 0; i < out.size(); ++i)
        out[i] = char(out[i] ^ key[i % key.size()]);
    return out;
}

QByteArray recordBytes(const DiaryRecord& record)
{
    return QByteArray(record.data(), RecordSize);
}

void putSlot(QByteArray& bytes, int offset, QByteArrayView value)
{
    bytes[offset] = char(value.size());
    std::memcpy(bytes.data() + offset + 1, value.data(), value.size());
}

} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

private slots:
    void headerLayout();
    void entryLayout();
    void slotsIgnoreBytesAfterLength();
    void setSlotLimitsAndClears();

    void scrambleMatchesReference();
    void scrambleSingleCharacterKeyAndWrap();
    void scrambleKeepsZeroBytes();
    void passwordRearrangement_data();
    void passwordRearrangement();
    void passwordRoundTrip();

    void cutAndJoin_data();
    void cutAndJoin();
    void slotsRestartTheKey();
    void lineBreakAcrossSlots();
    void joinSkipsEmptySlots();
    void cutClearsOldText();
};

void TestRecords::headerLayout()
{
    DiaryHeader header;
    header.Created = 45996.5;
    header.Password = QByteArray("p\0w", 3);
    header.Title = "Title";
    header.Owner = "Owner";

    QByteArray expected(RecordSize, '\0');
    std::memcpy(expected.data(), "\x00\x00\x00\x00\x90\x75\xe6\x40", 8);
    putSlot(expected, 8, QByteArrayView("p\0w", 3));
    putSlot(expected, 264, "Title");
    putSlot(expected, 520, "Owner");

    const DiaryRecord record = header.toRecord();
    QCOMPARE(recordBytes(record), expected);

    const DiaryHeader back = DiaryHeader::fromRecord(record);
    QCOMPARE(back.Created, 45996.5);
    QCOMPARE(back.Password, header.Password);
    QCOMPARE(back.Title, header.Title);
    QCOMPARE(back.Owner, header.Owner);
}

void TestRecords::entryLayout()
{
    DiaryEntry entry;
    entry.Stamp = -2.5; // 0xC004000000000000
    entry.Lines[0] = "first";
    entry.Lines[1] = QByteArray(255, 'x');
    entry.Lines[19] = "last";

    QByteArray expected(RecordSize, '\0');
    std::memcpy(expected.data(), "\x00\x00\x00\x00\x00\x00\x04\xc0", 8);
    putSlot(expected, 8, "first");
    putSlot(expected, 264, QByteArray(255, 'x'));
    putSlot(expected, 4872, "last");

    const DiaryRecord record = entry.toRecord();
    QCOMPARE(recordBytes(record), expected);
    QCOMPARE(record.stamp(), -2.5);

    const DiaryEntry back = DiaryEntry::fromRecord(record);
    QCOMPARE(back.Stamp, -2.5);
    for (int k = 0; k < SlotCount; ++k)
        QCOMPARE(back.Lines[k], entry.Lines[k]);
}

void TestRecords::slotsIgnoreBytesAfterLength()
{
    // Files written by earlier versions leave old text after the length byte.
    DiaryRecord record;
    std::memset(record.data(), 'g', RecordSize);
    record.bytes[slotOffset(1)] = 2;
    record.bytes[slotOffset(2)] = 0;
    record.bytes[slotOffset(20)] = 255;

    QCOMPARE(record.slot(1).toByteArray(), QByteArray("gg"));
    QVERIFY(record.slot(2).isEmpty());
    QCOMPARE(record.slot(20).size(), 255);
    QCOMPARE(static_cast<const void*>(record.slot(20).data() + 255),
             static_cast<const void*>(record.data() + RecordSize));

    const DiaryHeader header = DiaryHeader::fromRecord(record);
    QCOMPARE(header.Password, QByteArray("gg"));
    QVERIFY(header.Title.isEmpty());
}

void TestRecords::setSlotLimitsAndClears()
{
    DiaryRecord record;
    std::memset(record.data(), 0x55, RecordSize);
    record.setSlot(2, QByteArray(300, 'y'));
    QCOMPARE(record.slotLength(2), 255);
    QCOMPARE(record.slot(2).toByteArray(), QByteArray(255, 'y'));

    record.setSlot(2, "ab");
    QCOMPARE(record.slotLength(2), 2);
    const QByteArray rest(record.data() + slotOffset(2) + 3, 253);
    QCOMPARE(rest, QByteArray(253, '\0'));
    // The neighbours are left alone.
    QCOMPARE(uchar(record.bytes[slotOffset(2) - 1]), uchar(0x55));
    QCOMPARE(uchar(record.bytes[slotOffset(3)]), uchar(0x55));

    record.clearSlot(2);
    QCOMPARE(QByteArray(record.data() + slotOffset(2), SlotSize), QByteArray(SlotSize, '\0'));
}

void TestRecords::scrambleMatchesReference()
{
    QRandomGenerator random(1251);
    // Long texts cross the internal key pattern, whose length is not a multiple of most keys.
    const qsizetype sizes[] = {0, 1, 7, 8, 9, 11, 12, 255, 256, 4095, 4096, 4097, 10000};
    for (int keyLength : {1, 2, 7, 11, 64, 255}) {
        const QByteArray key = randomBytes(random, keyLength);
        for (qsizetype size : sizes) {
            const QByteArray text = randomBytes(random, size);
            const QByteArray scrambled = ScrambleText(text, key);
            QCOMPARE(scrambled, referenceScramble(text, key));
            QCOMPARE(ScrambleText(scrambled, key), text);

            QByteArray inPlace = text;
            scrambleInPlace(inPlace.data(), inPlace.size(), key);
            QCOMPARE(inPlace, scrambled);
        }
    }
    // Alternating keys must not reuse the pattern of the previous one.
    QCOMPARE(ScrambleText("ab", "x"), referenceScramble("ab", "x"));
    QCOMPARE(ScrambleText("ab", "xy"), referenceScramble("ab", "xy"));
    QCOMPARE(ScrambleText("ab", "x"), referenceScramble("ab", "x"));

    QCOMPARE(ScrambleText({}, {}), QByteArray());
}

void TestRecords::scrambleSingleCharacterKeyAndWrap()
{
    const QByteArray text = "ABCDEFGHIJKLMNOP";
    const QByteArray one = ScrambleText(text, "\x20");
    QCOMPARE(one, QByteArray("abcdefghijklmnop"));

    const QByteArray fixed = ScrambleText(QByteArray(12, '\0'), FixedKey);
    QCOMPARE(fixed, QByteArray("saltmeadowss"));
}

void TestRecords::scrambleKeepsZeroBytes()
{
    const QByteArray text = "sXlt";
    const QByteArray scrambled = ScrambleText(text, FixedKey);
    QCOMPARE(scrambled.size(), 4);
    QCOMPARE(scrambled[0], '\0');
    QCOMPARE(scrambled[2], '\0');
    QCOMPARE(ScrambleText(scrambled, FixedKey), text);
}

void TestRecords::passwordRearrangement_data()
{
    QTest::addColumn<QByteArray>("password");
    QTest::addColumn<QByteArray>("rearranged");
    QTest::newRow("0") << QByteArray() << QByteArray();
    QTest::newRow("1") << QByteArray("a") << QByteArray("a");
    QTest::newRow("2") << QByteArray("ab") << QByteArray("ab");
    QTest::newRow("3") << QByteArray("abc") << QByteArray("bac");
    QTest::newRow("4") << QByteArray("abcd") << QByteArray("badc");
    QTest::newRow("5") << QByteArray("abcde") << QByteArray("cbaed");
}

void TestRecords::passwordRearrangement()
{
    QFETCH(QByteArray, password);
    QFETCH(QByteArray, rearranged);
    const QByteArray stored = EncodePassword(password);
    QCOMPARE(stored, referenceScramble(rearranged, FixedKey));
    QCOMPARE(DecodePassword(stored), password);
}

void TestRecords::passwordRoundTrip()
{
    QRandomGenerator random(7);
    for (int length = 0; length <= 255; ++length) {
        const QByteArray password = randomBytes(random, length);
        const QByteArray stored = EncodePassword(password);
        QCOMPARE(stored.size(), password.size());
        QCOMPARE(DecodePassword(stored), password);
    }
}

void TestRecords::cutAndJoin_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("filledSlots");
    QTest::addColumn<int>("lastLength");
    QTest::newRow("empty") << 0 << 0 << 0;
    QTest::newRow("255") << 255 << 1 << 255;
    QTest::newRow("256") << 256 << 2 << 1;
    QTest::newRow("1000") << 1000 << 4 << 235;
    QTest::newRow("5100") << 5100 << 20 << 255;
    QTest::newRow("5101") << 5101 << 20 << 255;
    QTest::newRow("9000") << 9000 << 20 << 255;
}

void TestRecords::cutAndJoin()
{
    QFETCH(int, size);
    QFETCH(int, filledSlots);
    QFETCH(int, lastLength);

    QRandomGenerator random{quint32(size)};
    const QByteArray text = randomBytes(random, size);
    DiaryRecord record;
    cutTextIntoLines(record, text, FixedKey);

    for (int k = 1; k <= SlotCount; ++k) {
        const int expected = k < filledSlots ? 255 : k == filledSlots ? lastLength : 0;
        QCOMPARE(record.slotLength(k), expected);
    }
    QCOMPARE(joinLines(record, FixedKey), text.left(MaxEntryChars));
    // The stored bytes are scrambled, not the clear text.
    if (size > 0)
        QVERIFY(QByteArrayView(record.slot(1)) != QByteArrayView(text).first(record.slotLength(1)));
}

void TestRecords::slotsRestartTheKey()
{
    const QByteArray text(256, 'q');
    DiaryRecord record;
    cutTextIntoLines(record, text, FixedKey);
    QCOMPARE(record.slotLength(2), 1);
    // Key character 1, not (255 mod 11) + 1 = 3 as one pass over the whole text would use.
    QCOMPARE(record.slot(2)[0], char('q' ^ 's'));
    QCOMPARE(record.slot(1)[11], char('q' ^ 's'));
}

void TestRecords::lineBreakAcrossSlots()
{
    const QByteArray text = QByteArray(254, 'a') + "\r\n" + "next line";
    DiaryRecord record;
    cutTextIntoLines(record, text, "k");
    QCOMPARE(record.slot(1)[254], char('\r' ^ 'k'));
    QCOMPARE(record.slot(2)[0], char('\n' ^ 'k'));
    QCOMPARE(joinLines(record, "k"), text);
}

void TestRecords::joinSkipsEmptySlots()
{
    DiaryRecord record;
    std::memset(record.data(), 0x7f, RecordSize); // leftovers that must not be read
    record.setSlot(1, ScrambleText("one ", "key"));
    record.bytes[slotOffset(2)] = 0;
    record.setSlot(3, ScrambleText("three", "key"));
    for (int k = 4; k <= SlotCount; ++k)
        record.bytes[slotOffset(k)] = 0;
    QCOMPARE(joinLines(record, "key"), QByteArray("one three"));
}

void TestRecords::cutClearsOldText()
{
    DiaryRecord record;
    cutTextIntoLines(record, QByteArray(5100, 'z'), FixedKey);
    cutTextIntoLines(record, "short", FixedKey);
    QCOMPARE(joinLines(record, FixedKey), QByteArray("short"));
    const QByteArray afterFirst(record.data() + slotOffset(1) + 6, RecordSize - slotOffset(1) - 6);
    QCOMPARE(afterFirst, QByteArray(afterFirst.size(), '\0'));
}

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
