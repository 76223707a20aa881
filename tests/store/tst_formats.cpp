#include "store/cp1251.h"
#include "store/entrytext.h"
#include "store/scramble.h"
#include "store/stamp.h"

#include <QRandomGenerator>
#include <QTest>

using namespace Qt::StringLiterals;

#include <cmath>
#include <cstring>
#include <ctime>
#include <iconv.h>
#include <limits>
#include <numeric>

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

const auto recordBytes = [](const DiaryRecord& record) { return QByteArray(record.data(), RecordSize); };

// A record built by hand: the stamp's eight bytes (in hex), then at each offset a length byte and text.
QByteArray handBuilt(const char* stampHex, const QList<QPair<int, QByteArray>>& texts)
{
    QByteArray bytes = QByteArray::fromHex(stampHex).leftJustified(RecordSize, '\0');
    for (const auto& [offset, text] : texts)
        bytes.replace(offset, text.size() + 1, char(text.size()) + text);
    return bytes;
}

const QString NoDate = QStringLiteral("??.??.????");

// How Qt writes a time in our form: the date alone within the day's first second.
QString qtText(const QDateTime& dateTime)
{
    const bool timed = dateTime.time().msecsSinceStartOfDay() >= 1000;
    return dateTime.isValid() ? dateTime.toString(timed ? "dd.MM.yyyy HH:mm:ss" : "dd.MM.yyyy") : NoDate;
}

constexpr double Second = 1.0 / 86400;

} // namespace

class TestFormats : public QObject
{
    Q_OBJECT

private slots:
    // Local time without daylight saving gaps, so that every time of day exists.
    void initTestCase()
    {
        qputenv("TZ", "UTC");
        tzset();
    }

    void recordLayout()
    {
        const DiaryHeader header{45996.5, QByteArray("p\0w", 3), "Title", "Owner"};
        DiaryEntry entry{-2.5, {"first", QByteArray(255, 'x')}};
        entry.lines[19] = "last";
        const DiaryRecord headerRecord = header.toRecord(), entryRecord = entry.toRecord();
        QCOMPARE(recordBytes(headerRecord),
                 handBuilt("000000009075e640", {{8, header.password}, {264, "Title"}, {520, "Owner"}}));
        QCOMPARE(recordBytes(entryRecord),
                 handBuilt("00000000000004c0", {{8, "first"}, {264, entry.lines[1]}, {4872, "last"}}));
        QCOMPARE(recordBytes(DiaryHeader::fromRecord(headerRecord).toRecord()), recordBytes(headerRecord));
        QCOMPARE(recordBytes(DiaryEntry::fromRecord(entryRecord).toRecord()), recordBytes(entryRecord));

        // Files written by earlier versions leave old text after the length bytes; this one never does, and reads
        // none of it.
        DiaryRecord record;
        std::memset(record.data(), 0x7f, RecordSize);
        record.setSlot(1, scrambleText("one ", "key"));
        record.bytes[slotOffset(2)] = 0;
        record.setSlot(3, QByteArray(300, 'y'));
        QCOMPARE(record.slot(3).toByteArray(), QByteArray(255, 'y'));
        QCOMPARE(uchar(record.bytes[slotOffset(4)]), uchar(0x7f)); // the neighbour is left alone
        record.setSlot(3, scrambleText("three", "key"));
        for (int k = 4; k <= SlotCount; ++k)
            record.bytes[slotOffset(k)] = 0;
        QCOMPARE(joinLines(record, "key"), QByteArray("one three"));
        record.bytes[slotOffset(1)] = 2;
        QCOMPARE(DiaryHeader::fromRecord(record).password, scrambleText("on", "key"));
        QVERIFY(DiaryHeader::fromRecord(record).title.isEmpty());
    }

    // Each slot is scrambled with the key from its start: slot 2 of a 256-byte text uses key byte 1, not
    // (255 mod 11) + 1 = 3 as one pass would. Old text after the new one is cleared, the stamp kept. Texts: empty,
    // one slot full, a line break across two slots, every slot full, one byte too many.
    void cutsTextIntoSlots()
    {
        QRandomGenerator random(5100);
        for (const QByteArray& text :
             QByteArrayList{QByteArray(), randomBytes(random, 255), QByteArray(254, 'a') + "\r\n",
                            randomBytes(random, 5100), randomBytes(random, 5101)}) {
            DiaryRecord cut;
            std::memset(cut.data(), 0x7f, RecordSize);
            cutTextIntoLines(cut, text, FixedKey);
            QList<QPair<int, QByteArray>> pieces;
            for (int k = 1; k <= SlotCount; ++k)
                pieces.append({slotOffset(k), scrambleText(text.mid((k - 1) * 255, 255), FixedKey)});
            QVERIFY2(recordBytes(cut) == handBuilt("7f7f7f7f7f7f7f7f", pieces),
                     qPrintable(QString::number(text.size())));
            QCOMPARE(joinLines(cut, FixedKey), text.left(MaxEntryChars));
        }
    }

    // A line is combined with its key laid out once, sixteen bytes at a time and the rest one by one; a key
    // longer than a line is cut.
    void scrambles()
    {
        QRandomGenerator random(1251);
        for (int keyLength : {1, 7, 11, 16, 255, 300}) {
            const QByteArray key = randomBytes(random, keyLength);
            for (int size : {0, 1, 15, 16, 17, 100, 255}) {
                const QByteArray text = randomBytes(random, size);
                QByteArray line(size, Qt::Uninitialized);
                xorWithPattern(text.constData(), linePattern(key).constData(), size, line.data());
                QVERIFY2(line == referenceScramble(text, key),
                         qPrintable(u"key of %1, line of %2"_s.arg(keyLength).arg(size)));
            }
        }
        // The fixed key starts again at its 12th byte; a byte equal to its key byte gives a kept zero. Passwords
        // are stored reversed, then rotated by half the length, then scrambled, and come back at every length.
        QCOMPARE(scrambleText(QByteArray(12, '\0'), FixedKey), QByteArray("saltmeadowss"));
        QCOMPARE(scrambleText("sXlt", FixedKey), QByteArray::fromHex("00390000"));
        const QByteArrayList rearranged = {"a", "ab", "bac", "badc", "cbaed"};
        for (int length = 1; length <= 5; ++length)
            QVERIFY2(encodePassword(QByteArray("abcde", length)) == referenceScramble(rearranged[length - 1], FixedKey),
                     qPrintable(QString::number(length)));
        for (int length = 0; length <= 255; ++length) {
            const QByteArray password = randomBytes(random, length), stored = encodePassword(password);
            QVERIFY2(stored.size() == length && decodePassword(stored) == password,
                     qPrintable(QString::number(length)));
        }
    }

    // Each character without a Windows-1251 form becomes '?' and is listed once. 0x98, the one byte without a
    // character, stands for U+0098; the C library has no mapping for it.
    void convertsWindows1251()
    {
        const QString text = QStringLiteral("a😀b中😀中Ω") + QChar(0xD800) + "z";
        QString unencodable;
        QCOMPARE(toCp1251(text, &unencodable), QByteArray("a?b?????z"));
        QCOMPARE(unencodable, QStringLiteral("😀中Ω") + QChar(0xD800));
        QVERIFY(!fitsCp1251(text));

        const iconv_t converter = iconv_open("UTF-16LE", "CP1251");
        if (converter == iconv_t(-1))
            QSKIP("the C library has no CP1251 converter");
        QByteArray all(256, Qt::Uninitialized);
        std::iota(all.begin(), all.end(), '\0');
        QByteArray mappable = QByteArray(all).replace('\x98', ' ');
        char16_t wide[256] = {};
        char *in = mappable.data(), *out = reinterpret_cast<char*>(wide);
        size_t inLeft = 256, outLeft = sizeof(wide);
        QCOMPARE(iconv(converter, &in, &inLeft, &out, &outLeft), size_t(0));
        iconv_close(converter);
        wide[0x98] = u'\x98';
        const QString decoded = fromCp1251(all);
        QCOMPARE(decoded, QStringView(wide, 256).toString());
        QVERIFY(toCp1251(decoded, &unencodable) == all && unencodable.isEmpty() && fitsCp1251(decoded));

        // A search blind to letter case reads each character as Qt's small letter of it, and ё as е.
        QByteArray folded = all;
        foldCp1251(folded.data(), folded.size());
        QCOMPARE(fromCp1251(folded), decoded.toLower().replace(u'ё', u'е'));
    }

    void stampTexts_data()
    {
        QTest::addColumn<double>("stamp");
        QTest::addColumn<QString>("text");
        QTest::newRow("last second of a day") << 46361 + 86399.999 * Second << "05.12.2026 23:59:59";
        QTest::newRow("rounds into the next day") << 46361 + 86399.9996 * Second << "06.12.2026";
        QTest::newRow("before the epoch") << -1.25 << "29.12.1899 06:00:00";
        QTest::newRow("before the epoch, its own day") << -1 - 86399.9996 * Second << "29.12.1899 23:59:59";
        QTest::newRow("first year") << -693593.75 << "01.01.0001 18:00:00";
        QTest::newRow("last second of year 9999") << 2958465 + 86399 * Second << "31.12.9999 23:59:59";
        // Past the years 1..9999, and values no conversion to an integer may meet.
        const double max = std::numeric_limits<double>::max();
        for (double stamp :
             {qQNaN(), qInf(), -qInf(), 1e300, max, -max, 9.3e18, -9.3e18, 2958466.0, 2958465.9999999999, -693594.0})
            QTest::addRow("no date: %.17g", stamp) << stamp << NoDate;
    }
    // Our text, Qt's text and the day agree.
    void stampTexts()
    {
        QFETCH(double, stamp);
        QFETCH(QString, text);
        QCOMPARE(stampText(stamp), text);
        QCOMPARE(qtText(stampToDateTime(stamp)), text);
        QCOMPARE(stampDate(stamp), stampToDateTime(stamp).date());
    }

    // Random times, one in four within its day's first second, read back as they were.
    void convertsDatesAndTimes()
    {
        QRandomGenerator random(2026);
        for (int i = 0; i < 20000; ++i) {
            const QDate date = QDate(1899, 12, 30).addDays(random.bounded(-693593, 2958466));
            const QDateTime local(date, QTime::fromMSecsSinceStartOfDay(random.bounded(i % 4 ? 86400000 : 1000)));
            const double stamp = dateTimeToStamp(local);
            QVERIFY2(stampText(stamp) == qtText(local) && stampToDateTime(stamp) == local && stampDate(stamp) == date,
                     qPrintable(local.toString(Qt::ISODateWithMs)));
        }
        // Seconds order as the times do, before the epoch too; dates and times convert both ways.
        const QList<double> inTimeOrder{-2.0, -1.0, -1.25, -1.99999999999, 0.0, 0.99999999999, 1.0};
        for (qsizetype i = 1; i < inTimeOrder.size(); ++i)
            QVERIFY2(stampSeconds(inTimeOrder[i - 1]) <= stampSeconds(inTimeOrder[i]), qPrintable(QString::number(i)));
        QVERIFY(std::isnan(dateTimeToStamp(QDateTime())));
        QVERIFY(std::fabs(currentStamp() - dateTimeToStamp(QDateTime::currentDateTime())) < 1.0 / 24);
        QCOMPARE(shortDateText(QDate(7, 3, 9)), QStringLiteral("09.03.0007"));
        QCOMPARE(shortDateText(QDate(10000, 1, 1)), NoDate);
        QCOMPARE(longTimeText(QTime(7, 5, 3, 999)), QStringLiteral("07:05:03"));
    }
};

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
