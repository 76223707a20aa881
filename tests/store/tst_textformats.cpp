#include "store/cp1251.h"
#include "store/stamp.h"

#include <QRandomGenerator>
#include <QTest>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <iconv.h>
#include <limits>

namespace
{

// What the C library makes of one Windows-1251 byte; 0 when it has no mapping.
char16_t iconvDecode(unsigned char byte)
{
    iconv_t converter = iconv_open("UTF-16LE", "CP1251");
    if (converter == iconv_t(-1))
        return 0;
    char in[1] = {char(byte)};
    unsigned char out[4] = {};
    char* inPtr = in;
    char* outPtr = reinterpret_cast<char*>(out);
    size_t inLeft = 1;
    size_t outLeft = sizeof out;
    const size_t result = iconv(converter, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(converter);
    if (result == size_t(-1) || outLeft != 2)
        return 0;
    return char16_t(out[0] | (out[1] << 8));
}

const QDate Epoch(1899, 12, 30);

// The text the date list shows, built by Qt's own formatting for comparison.
QString expectedText(const QDate& date, int msecs)
{
    const QTime time = QTime::fromMSecsSinceStartOfDay(msecs);
    QString text = date.toString(QStringLiteral("dd.MM.yyyy"));
    if (msecs / 1000 != 0)
        text += time.toString(QStringLiteral(" HH:mm:ss"));
    return text;
}

} // namespace

class TestTextFormats : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void cp1251MatchesIconv();
    void cp1251Unencodable();

    void stampTexts_data();
    void stampTexts();
    void stampsWithoutDate();
    void stampTextMatchesQt();
    void stampRoundTrips();
    void helperTexts();
};

void TestTextFormats::initTestCase()
{
    // Local time without daylight saving gaps, so that every time of day exists.
    qputenv("TZ", "UTC");
    tzset();
}

void TestTextFormats::cp1251MatchesIconv()
{
    if (iconv_open("UTF-16LE", "CP1251") == iconv_t(-1))
        QSKIP("the C library has no CP1251 converter");
    QByteArray all(256, Qt::Uninitialized);
    for (int b = 0; b < 256; ++b)
        all[b] = char(b);
    const QString decoded = fromCp1251(all);
    QCOMPARE(decoded.size(), 256);
    for (int b = 0; b < 256; ++b) {
        const char16_t expected = b == 0x98 ? char16_t(0x98) : iconvDecode(uchar(b));
        QVERIFY2(expected != 0 || b == 0, qPrintable(QString::number(b, 16)));
        QCOMPARE(decoded[b].unicode(), expected);
    }
    QString unencodable = "stale";
    QCOMPARE(toCp1251(decoded, &unencodable), all);
    QVERIFY(unencodable.isEmpty());
    QVERIFY(fitsCp1251(decoded));
    QCOMPARE(toCp1251(QStringLiteral("Привет, Ёж! №5 € «»")), QByteArray("\xcf\xf0\xe8\xe2\xe5\xf2, \xa8\xe6! \xb9"
                                                                         "5 \x88 \xab\xbb"));
}

void TestTextFormats::cp1251Unencodable()
{
    const QString text = QStringLiteral("a😀b中😀中Ω") + QChar(0xD800) + "z";
    QString unencodable;
    QCOMPARE(toCp1251(text, &unencodable), QByteArray("a?b?????z"));
    QCOMPARE(unencodable, QStringLiteral("😀中Ω") + QChar(0xD800));
    QVERIFY(!fitsCp1251(text));
    QVERIFY(!fitsCp1251(QStringLiteral("😀")));
    QCOMPARE(toCp1251(QString()), QByteArray());
    QCOMPARE(fromCp1251({}), QString());
}

void TestTextFormats::stampTexts_data()
{
    QTest::addColumn<double>("stamp");
    QTest::addColumn<QString>("text");
    const double second = 1.0 / 86400;
    QTest::newRow("epoch") << 0.0 << "30.12.1899";
    QTest::newRow("sample") << 46361 + (13 * 3600 + 49 * 60 + 51) * second << "05.12.2026 13:49:51";
    QTest::newRow("midnight") << 46361.0 << "05.12.2026";
    QTest::newRow("milliseconds only") << 46361 + 0.4 * second << "05.12.2026";
    QTest::newRow("last millisecond") << 46361 + 86399.999 * second << "05.12.2026 23:59:59";
    QTest::newRow("rounds into next day") << 46361 + 86399.9996 * second << "06.12.2026";
    QTest::newRow("one second") << 46361 + second << "05.12.2026 00:00:01";
    QTest::newRow("before epoch") << -1.25 << "29.12.1899 06:00:00";
    QTest::newRow("day zero negative") << -0.5 << "30.12.1899 12:00:00";
    QTest::newRow("negative carry") << -1 - 86399.9996 * second << "28.12.1899";
    QTest::newRow("negative zero") << -0.0 << "30.12.1899";
    QTest::newRow("first day") << -693593.0 << "01.01.0001";
    QTest::newRow("first day evening") << -693593.75 << "01.01.0001 18:00:00";
    QTest::newRow("last day") << 2958465 + 86399 * second << "31.12.9999 23:59:59";
    QTest::newRow("leap day") << 36585.0 << "29.02.2000";
}

void TestTextFormats::stampTexts()
{
    QFETCH(double, stamp);
    QFETCH(QString, text);
    QCOMPARE(stampText(stamp), text);
    const QDateTime dateTime = stampToDateTime(stamp);
    QVERIFY(dateTime.isValid());
    QCOMPARE(dateTime.toString(dateTime.time().second() || dateTime.time().minute() || dateTime.time().hour()
                                   ? QStringLiteral("dd.MM.yyyy HH:mm:ss")
                                   : QStringLiteral("dd.MM.yyyy")),
             text);
}

void TestTextFormats::stampsWithoutDate()
{
    const double inf = std::numeric_limits<double>::infinity();
    const double values[] = {std::numeric_limits<double>::quiet_NaN(),
                             inf,
                             -inf,
                             1e300,
                             -1e300,
                             std::numeric_limits<double>::max(),
                             std::numeric_limits<double>::lowest(),
                             9.3e18,
                             -9.3e18,
                             2958466.0,
                             2958465.9999999999,
                             -693594.0,
                             -693593.99999999999};
    for (double value : values) {
        QCOMPARE(stampText(value), QStringLiteral("??.??.????"));
        QVERIFY(!stampToDateTime(value).isValid());
    }
    QVERIFY(std::isnan(dateTimeToStamp(QDateTime())));
}

void TestTextFormats::stampTextMatchesQt()
{
    QRandomGenerator random(2026);
    for (int i = 0; i < 20000; ++i) {
        const qint64 day = random.bounded(-693593, 2958466);
        const int msecs = i % 4 == 0 ? int(random.bounded(1000)) : int(random.bounded(86400000));
        const double stamp = day < 0 ? day - msecs / 86400000.0 : day + msecs / 86400000.0;
        const QString expected = expectedText(Epoch.addDays(day), msecs);
        QCOMPARE(stampText(stamp), expected);
        QVERIFY(stampText(stamp).size() <= 19);
    }
}

void TestTextFormats::stampRoundTrips()
{
    QRandomGenerator random(1899);
    for (int i = 0; i < 20000; ++i) {
        const QDate date = Epoch.addDays(random.bounded(-693593, 2958466));
        const QTime time = QTime::fromMSecsSinceStartOfDay(int(random.bounded(86400000)));
        const QDateTime local(date, time);
        const double stamp = dateTimeToStamp(local);
        const QDateTime back = stampToDateTime(stamp);
        QCOMPARE(back.date(), date);
        QCOMPARE(back.time(), time);
    }
    QCOMPARE(dateTimeToStamp(QDateTime(QDate(2026, 12, 5), QTime(12, 0))), 46361.5);
    QCOMPARE(dateTimeToStamp(QDateTime(QDate(1899, 12, 29), QTime(6, 0))), -1.25);
    QCOMPARE(dateTimeToStamp(QDateTime(QDate(2026, 12, 5), QTime(12, 0), Qt::UTC)), 46361.5);

    const double now = currentStamp();
    const QDateTime current = QDateTime::currentDateTime();
    QVERIFY(std::fabs(now - dateTimeToStamp(current)) < 1.0 / 24);
}

void TestTextFormats::helperTexts()
{
    QCOMPARE(shortDateText(QDate(7, 3, 9)), QStringLiteral("09.03.0007"));
    QCOMPARE(shortDateText(QDate()), QStringLiteral("??.??.????"));
    QCOMPARE(shortDateText(QDate(10000, 1, 1)), QStringLiteral("??.??.????"));
    QCOMPARE(longTimeText(QTime(7, 5, 3, 999)), QStringLiteral("07:05:03"));
}

QTEST_GUILESS_MAIN(TestTextFormats)
#include "tst_textformats.moc"
