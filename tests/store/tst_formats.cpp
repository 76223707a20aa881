#include "store/cp1251.h"
#include "store/entrytext.h"
#include "store/scramble.h"
#include "store/stamp.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstring>
#include <ctime>
#include <iconv.h>
#include <limits>

namespace
{

QByteArray randomBytes(QRandomGenerator& random, qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    random.generate(bytes.begin(), bytes.end());
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

// A record built by hand: the stamp's eight bytes, then each slot's length byte and text.
QByteArray handBuilt(const char* stampBytes, const QList<QPair<int, QByteArray>>& texts)
{
    QByteArray bytes(RecordSize, '\0');
    std::memcpy(bytes.data(), stampBytes, 8);
    for (const auto& [offset, value] : texts) {
        bytes[offset] = char(value.size());
        bytes.replace(offset + 1, value.size(), value);
    }
    return bytes;
}

// What the C library makes of `bytes` as Windows-1251 (one UTF-16 unit a byte); empty if it cannot.
QString iconvDecode(QByteArray bytes)
{
    const iconv_t converter = iconv_open("UTF-16LE", "CP1251");
    if (converter == iconv_t(-1))
        return QString();
    QString out(bytes.size(), QChar());
    char* in = bytes.data();
    char* to = reinterpret_cast<char*>(out.data());
    size_t inLeft = size_t(bytes.size());
    size_t outLeft = size_t(out.size()) * 2;
    const bool done = iconv(converter, &in, &inLeft, &to, &outLeft) != size_t(-1) && outLeft == 0;
    iconv_close(converter);
    return done ? out : QString();
}

const QString NoDate = QStringLiteral("??.??.????");

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // Local time without daylight saving gaps, so that every time of day exists.
        qputenv("TZ", "UTC");
        tzset();
    }

    void headerAndEntryLayout()
    {
        const DiaryHeader header{45996.5, QByteArray("p\0w", 3), "Title", "Owner"};
        const DiaryRecord headerRecord = header.toRecord();
        QCOMPARE(recordBytes(headerRecord),
                 handBuilt("\x00\x00\x00\x00\x90\x75\xe6\x40", {{8, header.Password}, {264, "Title"}, {520, "Owner"}}));
        QCOMPARE(recordBytes(DiaryHeader::fromRecord(headerRecord).toRecord()), recordBytes(headerRecord));

        DiaryEntry entry{-2.5, {"first", QByteArray(255, 'x')}};
        entry.Lines[19] = "last";
        const DiaryRecord entryRecord = entry.toRecord();
        QCOMPARE(recordBytes(entryRecord), handBuilt("\x00\x00\x00\x00\x00\x00\x04\xc0",
                                                     {{8, "first"}, {264, QByteArray(255, 'x')}, {4872, "last"}}));
        QCOMPARE(recordBytes(DiaryEntry::fromRecord(entryRecord).toRecord()), recordBytes(entryRecord));
    }

    // Files written by earlier versions leave old text after the length bytes; this one never does.
    void slotsEndAtTheirLengthBytes()
    {
        DiaryRecord record;
        std::memset(record.data(), 0x7f, RecordSize);
        record.setSlot(1, ScrambleText("one ", "key"));
        record.bytes[slotOffset(2)] = 0;
        record.setSlot(3, QByteArray(300, 'y'));
        QCOMPARE(record.slot(3).toByteArray(), QByteArray(255, 'y'));
        QCOMPARE(uchar(record.bytes[slotOffset(4)]), uchar(0x7f)); // the neighbour is left alone
        record.setSlot(3, ScrambleText("three", "key"));
        for (int k = 4; k <= SlotCount; ++k)
            record.bytes[slotOffset(k)] = 0;
        QCOMPARE(joinLines(record, "key"), QByteArray("one three"));
        record.bytes[slotOffset(1)] = 2;
        QCOMPARE(DiaryHeader::fromRecord(record).Password, ScrambleText("on", "key"));
        QVERIFY(DiaryHeader::fromRecord(record).Title.isEmpty());
        record.bytes[slotOffset(20)] = 255;
        QCOMPARE(static_cast<const void*>(record.slot(20).data() + 255),
                 static_cast<const void*>(record.data() + RecordSize));
    }

    void scrambleIsItsOwnInverse()
    {
        QRandomGenerator random(1251);
        // Long texts cross the internal key pattern, whose length is not a multiple of most keys; two
        // keys of one length must not share it.
        for (int keyLength : {1, 2, 7, 11, 11, 64, 255}) {
            const QByteArray key = randomBytes(random, keyLength);
            for (qsizetype size : {0, 1, 8, 11, 12, 255, 256, 4095, 4097, 10000}) {
                const QByteArray text = randomBytes(random, size);
                const QByteArray scrambled = ScrambleText(text, key);
                QCOMPARE(scrambled, referenceScramble(text, key));
                QCOMPARE(ScrambleText(scrambled, key), text);
                QByteArray inPlace = text;
                scrambleInPlace(inPlace.data(), inPlace.size(), key);
                QCOMPARE(inPlace, scrambled);
            }
        }
        // Nor may a key reuse the pattern of a longer one that it begins.
        for (const char* key : {"x", "xy", "x"})
            QCOMPARE(ScrambleText("ab", key), referenceScramble("ab", key));
        // The fixed key, starting again at its 12th byte; a byte equal to its key byte gives a kept zero.
        QCOMPARE(ScrambleText(QByteArray(12, '\0'), FixedKey), QByteArray("saltmeadowss"));
        QCOMPARE(ScrambleText("sXlt", FixedKey), QByteArray::fromHex("00390000"));
    }

    void storedPasswords()
    {
        // Reversed, then rotated by half the length, then scrambled.
        const QList<QPair<QByteArray, QByteArray>> rearranged = {
            {"a", "a"}, {"ab", "ab"}, {"abc", "bac"}, {"abcd", "badc"}, {"abcde", "cbaed"}};
        for (const auto& [password, expected] : rearranged)
            QCOMPARE(EncodePassword(password), referenceScramble(expected, FixedKey));
        QRandomGenerator random(255);
        for (int length = 0; length <= 255; ++length) {
            const QByteArray password = randomBytes(random, length);
            const QByteArray stored = EncodePassword(password);
            QCOMPARE(stored.size(), length);
            QCOMPARE(DecodePassword(stored), password);
        }
    }

    void cutAndJoin_data()
    {
        QRandomGenerator random(5100);
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("255") << randomBytes(random, 255);
        QTest::newRow("256, line break across the slots") << QByteArray(254, 'a') + "\r\n";
        QTest::newRow("5100") << randomBytes(random, 5100);
        QTest::newRow("5101") << randomBytes(random, 5101);
    }

    // Every slot is scrambled with the key from its first character: the second slot of a 256-character
    // text uses key character 1, not (255 mod 11) + 1 = 3 as one pass over the whole text would. Old
    // text after the new one is cleared, the stamp left alone.
    void cutAndJoin()
    {
        QFETCH(QByteArray, text);
        DiaryRecord record;
        std::memset(record.data(), 0x7f, RecordSize);
        cutTextIntoLines(record, text, FixedKey);
        QList<QPair<int, QByteArray>> pieces;
        for (int k = 1; k <= SlotCount; ++k)
            pieces.append({slotOffset(k), ScrambleText(text.mid((k - 1) * 255, 255), FixedKey)});
        QCOMPARE(recordBytes(record), handBuilt("\x7f\x7f\x7f\x7f\x7f\x7f\x7f\x7f", pieces));
        QCOMPARE(joinLines(record, FixedKey), text.left(MaxEntryChars));
    }

    // 0x98, the one byte without a character, stands for U+0098; the C library has no mapping for it.
    void cp1251MatchesIconv()
    {
        QByteArray all(256, Qt::Uninitialized);
        for (int b = 0; b < 256; ++b)
            all[b] = char(b);
        const QString decoded = fromCp1251(all);
        const QString expected = iconvDecode(all.left(0x98)) + QChar(0x98) + iconvDecode(all.mid(0x99));
        if (expected.size() != 256)
            QSKIP("the C library has no CP1251 converter");
        QCOMPARE(decoded, expected);
        QString unencodable = "stale";
        QCOMPARE(toCp1251(decoded, &unencodable), all);
        QVERIFY(unencodable.isEmpty());

        const QString text = QStringLiteral("a😀b中😀中Ω") + QChar(0xD800) + "z";
        QCOMPARE(toCp1251(text, &unencodable), QByteArray("a?b?????z"));
        QCOMPARE(unencodable, QStringLiteral("😀中Ω") + QChar(0xD800));
        QVERIFY(fitsCp1251(decoded) && !fitsCp1251(text));
    }

    void stampTexts_data()
    {
        QTest::addColumn<double>("stamp");
        QTest::addColumn<QString>("text");
        const double second = 1.0 / 86400;
        QTest::newRow("sample") << 46361 + (13 * 3600 + 49 * 60 + 51) * second << "05.12.2026 13:49:51";
        QTest::newRow("midnight") << 46361.0 << "05.12.2026";
        QTest::newRow("milliseconds only") << 46361 + 0.4 * second << "05.12.2026";
        QTest::newRow("last millisecond") << 46361 + 86399.999 * second << "05.12.2026 23:59:59";
        QTest::newRow("rounds into next day") << 46361 + 86399.9996 * second << "06.12.2026";
        QTest::newRow("before epoch") << -1.25 << "29.12.1899 06:00:00";
        QTest::newRow("negative carry") << -1 - 86399.9996 * second << "28.12.1899";
        QTest::newRow("first day evening") << -693593.75 << "01.01.0001 18:00:00";
        QTest::newRow("last day") << 2958465 + 86399 * second << "31.12.9999 23:59:59";
        // Past the years 1..9999, and values no conversion to an integer may meet.
        const double max = std::numeric_limits<double>::max();
        for (double value :
             {qQNaN(), qInf(), -qInf(), 1e300, max, -max, 9.3e18, -9.3e18, 2958466.0, 2958465.9999999999, -693594.0})
            QTest::addRow("no date %.17g", value) << value << NoDate;
    }

    void stampTexts()
    {
        QFETCH(double, stamp);
        QFETCH(QString, text);
        QCOMPARE(stampText(stamp), text);
        const QDateTime dateTime = stampToDateTime(stamp);
        const QString format = dateTime.time().msecsSinceStartOfDay() >= 1000 ? QStringLiteral("dd.MM.yyyy HH:mm:ss")
                                                                              : QStringLiteral("dd.MM.yyyy");
        QCOMPARE(dateTime.isValid() ? dateTime.toString(format) : NoDate, text);
        QCOMPARE(stampDate(stamp), dateTime.date());
    }

    void stampsMatchQtAndRoundTrip()
    {
        const QDate epoch(1899, 12, 30);
        QRandomGenerator random(2026);
        for (int i = 0; i < 20000; ++i) {
            const QDate date = epoch.addDays(random.bounded(-693593, 2958466));
            const int msecs = i % 4 == 0 ? int(random.bounded(1000)) : int(random.bounded(86400000));
            const QDateTime local(date, QTime::fromMSecsSinceStartOfDay(msecs));
            const double stamp = dateTimeToStamp(local);
            const QString format = msecs >= 1000 ? QStringLiteral("dd.MM.yyyy HH:mm:ss") : QStringLiteral("dd.MM.yyyy");
            QCOMPARE(stampText(stamp), local.toString(format));
            QCOMPARE(stampToDateTime(stamp), local);
            QCOMPARE(stampDate(stamp), date);
        }
        QVERIFY(std::isnan(dateTimeToStamp(QDateTime())));
        QVERIFY(std::fabs(currentStamp() - dateTimeToStamp(QDateTime::currentDateTime())) < 1.0 / 24);
        QCOMPARE(shortDateText(QDate(7, 3, 9)), QStringLiteral("09.03.0007"));
        QCOMPARE(shortDateText(QDate(10000, 1, 1)), NoDate);
        QCOMPARE(longTimeText(QTime(7, 5, 3, 999)), QStringLiteral("07:05:03"));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
