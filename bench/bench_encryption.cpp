// What an encrypted diary of 65,535 full entries costs the person, beside the same diary scrambled: opening it
// (the passphrase's key, then the list), searching it by word (against grep over the clear text), adding, changing
// and deleting an entry, changing its passphrase, and encrypting the whole diary and making it scrambled again
// (against cp && sync of the file), the last two also at the main window, offscreen, from the click on the
// encryption window's button until it has closed, as is the word search from the click until the list is filled.
// An entry of an encrypted diary holds 5,079 characters at most, so every entry here holds that many, the bench
// text cut to it. Where the key's derivation is not what is measured, the cost is libsodium's least; opening and
// changing the passphrase use the cost a new passphrase gets on this computer (about half a second). The table at
// the end names the cost of each row.
// bench_encryption [folder]: the diaries go there.
#include "benchdiary.h"

#include "crypto/passphrasekey.h"
#include "crypto/sealedheader.h"
#include "crypto/sealedtext.h"
#include "document/datelistmodel.h"
#include "document/diarydocument.h"
#include "settings/settingsfile.h"
#include "store/diaryedit.h"
#include "store/diaryrecord.h"
#include "store/entrycodec.h"
#include "store/rebuild.h"
#include "store/recordfile.h"
#include "store/scramble.h"
#include "store/stamp.h"
#include "windows/datelistview.h"
#include "windows/mainwindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <sodium.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace
{

constexpr int Entries = MaxEntries;
// Rebuilds of the whole diary and derivations of the calibrated key: each takes about a second or half of one.
constexpr int Runs = 3;
constexpr int OpenRuns = 8;
// Changing the passphrase goes back and forth between two: an even number of runs ends on the first.
constexpr int RekeyRuns = 6;
constexpr int SearchRuns = 5;
constexpr int ScrambledOpenRuns = 20;
constexpr int EditRuns = 20;

const QByteArray Passphrase = QByteArrayLiteral("a long night by the river");
const QByteArray OtherPassphrase = QByteArrayLiteral("another long night");
const QByteArray Word = QByteArrayLiteral("quillnest");

// The least cost libsodium takes: the derivation costs nothing beside what is measured.
KeyDerivation cheapCost()
{
    return KeyDerivation::fresh(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN);
}

const std::string CheapCostName = "least (1 pass, 8 KiB)";
const std::string NoCostName = "none (key held)";

std::string costName(const KeyDerivation& derivation)
{
    char text[64];
    std::snprintf(text, sizeof text, "calibrated (%llu passes, %llu MiB)",
                  static_cast<unsigned long long>(derivation.opsLimit),
                  static_cast<unsigned long long>(derivation.memLimit >> 20));
    return text;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Bench entry `i` as long as an encrypted diary's entry may be.
QByteArray fullEntryText(int i)
{
    return benchEntryText(i).left(SealedText::Capacity);
}

void writeClearText(const QString& path, int entries)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        std::abort();
    for (int i = 0; i < entries; ++i)
        file.write(fullEntryText(i) + '\n');
}

void copyFile(const QString& from, const QString& to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        qFatal("cannot copy %s", qPrintable(from));
}

PasswordAsker answering(const QByteArray& passphrase)
{
    return [passphrase](const QString&, const PasswordCheck& check) { check(QString::fromLatin1(passphrase)); };
}

SealedHeader sealedHeaderAt(const QString& path)
{
    RecordFile file;
    file.open(path);
    std::optional<SealedHeader> header = SealedHeader::fromRecord(file.readHeader());
    if (!header)
        qFatal("%s is not an encrypted diary", qPrintable(path));
    return *header;
}

// The codec of the encrypted diary at `path`, as opening it gives the document.
std::shared_ptr<const EntryCodec> unlockedCodec(const QString& path, const QByteArray& passphrase)
{
    std::optional<UnlockedDiary> unlocked = unlockDiary(sealedHeaderAt(path), passphrase);
    if (!unlocked)
        qFatal("the passphrase does not open %s", qPrintable(path));
    return unlocked->codec;
}

// The best of Runs times `cp && sync` of the diary, each with the diary read first as the operation it is set
// beside has it.
double copyAndSync(const QString& path, const QString& copy)
{
    const QString command = QStringLiteral("cp '%1' '%2' && sync").arg(path, copy);
    double best = 1e300;
    for (int i = 0; i < Runs; ++i) {
        readFileSequentially(path);
        best = std::min(best, millisecondsOf([&] { shell(command); }));
        QFile::remove(copy);
    }
    return best;
}

// One row of the closing table.
struct Row {
    std::string what;
    std::string cost;
    std::string figure;
    std::string against;
    std::string goal;
    std::string verdict;
};

std::string format(const char* pattern, double value)
{
    char text[96];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

std::string format(const char* pattern, double first, double second)
{
    char text[160];
    std::snprintf(text, sizeof text, pattern, first, second);
    return text;
}

std::string verdict(bool met)
{
    return met ? "met" : "NOT met";
}

// As a Markdown table, each column as wide as its widest cell; the figures aligned to the right.
void printTable(std::vector<Row> rows)
{
    rows.insert(rows.begin(), {"measured", "Argon2id cost", "figure", "against", "goal", ""});
    const auto cells = [](const Row& row) {
        return std::array<const std::string*, 6>{&row.what,    &row.cost, &row.figure,
                                                 &row.against, &row.goal, &row.verdict};
    };
    std::array<int, 6> widths{};
    for (const Row& row : rows)
        for (size_t i = 0; i < widths.size(); ++i)
            widths[i] = std::max(widths[i], int(cells(row)[i]->size()));
    const auto printRow = [&](const std::array<const std::string*, 6>& row) {
        for (size_t i = 0; i < widths.size(); ++i)
            std::printf(i == 2 ? "| %*s " : "| %-*s ", widths[i], row[i]->c_str());
        std::printf("|\n");
    };
    std::printf("\n");
    printRow(cells(rows.front()));
    for (int width : widths)
        std::printf("|%s", std::string(size_t(width) + 2, '-').c_str());
    std::printf("|\n");
    for (size_t i = 1; i < rows.size(); ++i)
        printRow(cells(rows[i]));
}

// What the parts measure, gathered for the table.
struct Figures {
    std::string calibratedCost;
    double cp = 0;
    double encrypt = 0;
    double decrypt = 0;
    double encryptCalibrated = 0;
    double rekey = 0;
    double cheapRekey = 0;
    double derivation = 0;
    double rekeyDerivation = 0;
    double slowestDerivation = 0;
    double cheapOpen = 0;
    double open = 0;
    double scrambledOpen = 0;
    double grep = 0;
    double search = 0;
    double scrambledSearch = 0;
    int found = 0;
    int grepFound = 0;
    double windowEncrypt = 0;
    double windowDecrypt = 0;
    double windowSearch = 0;
    double windowScrambledSearch = 0;
    double deleteCp = 0;
    double deleteEncrypted = 0;
    double deleteScrambled = 0;
    double addLarge = 0;
    double addSmall = 0;
    double addScrambled = 0;
    double changeLarge = 0;
    double changeSmall = 0;
    double changeScrambled = 0;
};

// Encrypting and decrypting the whole diary through the document, at the least cost, against cp && sync; then
// encrypted for good at the calibrated cost, the first time in the run, which calibrates it. The document stays
// open on the encrypted diary.
void convertWholeDiary(DiaryDocument& document, const QString& path, const QString& copy, Figures& figures)
{
    document.setPassphraseCost(cheapCost);
    document.open(path, {});
    double encrypt = 1e300;
    double decrypt = 1e300;
    for (int i = 0; i < Runs; ++i) {
        readFileSequentially(path);
        encrypt = std::min(encrypt, millisecondsOf([&] { document.encrypt(Passphrase); }));
        readFileSequentially(path);
        decrypt = std::min(decrypt, millisecondsOf([&] { document.decrypt({}); }));
    }
    figures.encrypt = encrypt;
    figures.decrypt = decrypt;
    figures.cp = copyAndSync(path, copy);
    std::printf("encrypt the diary, least cost (best of %d):      %8.1f ms\n", Runs, encrypt);
    std::printf("decrypt the diary (best of %d):                  %8.1f ms\n", Runs, decrypt);
    std::printf("cp diary copy && sync (best of %d):              %8.1f ms\n", Runs, figures.cp);

    document.setPassphraseCost({});
    readFileSequentially(path);
    figures.encryptCalibrated = millisecondsOf([&] { document.encrypt(Passphrase); });
    figures.calibratedCost = costName(sealedHeaderAt(path).derivation);
    std::printf("encrypt, calibrated cost, calibration included:  %8.1f ms  (%s)\n", figures.encryptCalibrated,
                figures.calibratedCost.c_str());
}

// A view like the main window's date list, of its size.
std::unique_ptr<DateListView> makeList(DiaryDocument& document)
{
    auto list = std::make_unique<DateListView>();
    list->resize(129, 289);
    list->setModel(document.listModel());
    return list;
}

// Opening as bench_startup opens, up to the list painted once, with the passphrase given as soon as it is asked for.
double openAndShow(DiaryDocument& document, DateListView& list, const QString& path)
{
    document.close();
    const PasswordAsker ask = answering(Passphrase);
    const double ms = millisecondsOf([&] {
        if (!document.open(path, ask))
            qFatal("the passphrase was refused");
        list.grab();
    });
    if (!document.view().isEncrypted() || document.listModel()->rowCount() != Entries)
        std::printf("the encrypted diary did not open whole\n");
    return ms;
}

// Changing the passphrase back and forth, and opening: first at the least cost, which is all they cost besides the
// key's derivation, then at the calibrated cost, each run beside a derivation alone at that cost, so that the
// computer's pace is the same for both: a derivation's own time wanders from run to run by far more than the rest
// of opening costs. `document` is open on the
// encrypted diary at `path`, and stays so, with the calibrated cost; the scrambled diary's opening is the reference.
void comparePassphrase(DiaryDocument& document, const QString& path, DiaryDocument& scrambled,
                       const QString& scrambledPath, Figures& figures)
{
    const std::unique_ptr<DateListView> list = makeList(document);
    const auto changeBackAndForth = [&](int i) {
        return millisecondsOf([&] { document.rekey(i % 2 == 0 ? OtherPassphrase : Passphrase); });
    };
    // A new passphrase keeps its diary's cost: the calibrated one is given back explicitly after the cheap runs.
    const KeyDerivation calibratedCost = sealedHeaderAt(path).derivation;
    double cheapRekey = 1e300;
    double cheapOpen = 1e300;
    document.setPassphraseCost(cheapCost);
    for (int i = 0; i < RekeyRuns; ++i)
        cheapRekey = std::min(cheapRekey, changeBackAndForth(i));
    for (int i = 0; i < OpenRuns; ++i)
        cheapOpen = std::min(cheapOpen, openAndShow(document, *list, path));

    double rekey = 1e300;
    double open = 1e300;
    double rekeyDerivation = 1e300;
    double openDerivation = 1e300;
    double slowestDerivation = 0;
    document.setPassphraseCost(
        [calibratedCost] { return KeyDerivation::fresh(calibratedCost.opsLimit, calibratedCost.memLimit); });
    const auto deriveAlone = [&] {
        const KeyDerivation cost = sealedHeaderAt(path).derivation;
        return millisecondsOf([&] { deriveKey(Passphrase, cost); });
    };
    for (int i = 0; i < RekeyRuns; ++i) {
        rekey = std::min(rekey, changeBackAndForth(i));
        rekeyDerivation = std::min(rekeyDerivation, deriveAlone());
    }
    for (int i = 0; i < OpenRuns; ++i) {
        open = std::min(open, openAndShow(document, *list, path));
        const double derivation = deriveAlone();
        openDerivation = std::min(openDerivation, derivation);
        slowestDerivation = std::max(slowestDerivation, derivation);
    }
    figures.calibratedCost = costName(sealedHeaderAt(path).derivation);

    const std::unique_ptr<DateListView> scrambledList = makeList(scrambled);
    double scrambledOpen = 1e300;
    for (int i = 0; i < ScrambledOpenRuns; ++i) {
        scrambled.close();
        scrambledOpen = std::min(scrambledOpen, millisecondsOf([&] {
                                     scrambled.open(scrambledPath, {});
                                     scrambledList->grab();
                                 }));
    }
    figures.cheapRekey = cheapRekey;
    figures.cheapOpen = cheapOpen;
    figures.rekey = rekey;
    figures.open = open;
    figures.derivation = openDerivation;
    figures.rekeyDerivation = rekeyDerivation;
    figures.slowestDerivation = slowestDerivation;
    figures.scrambledOpen = scrambledOpen;
    std::printf("change the passphrase, least cost (best of %d):  %8.2f ms\n", RekeyRuns, cheapRekey);
    std::printf("open the encrypted diary, least cost (best of %d):%7.2f ms\n", OpenRuns, cheapOpen);
    std::printf("change the passphrase (best of %d):              %8.1f ms\n", RekeyRuns, rekey);
    std::printf("derive the key alone, beside them (best of %d):  %8.1f ms\n", RekeyRuns, rekeyDerivation);
    std::printf("open the encrypted diary, list shown (best of %d):%8.1f ms\n", OpenRuns, open);
    std::printf("derive the key alone, beside them (best of %d):  %8.1f ms\n", OpenRuns, openDerivation);
    std::printf("open the scrambled diary, list shown (best of %d):%7.2f ms\n", ScrambledOpenRuns, scrambledOpen);
}

// GNU grep writes its count, not to /dev/null, where it would stop at the first match.
void compareSearching(DiaryDocument& document, DiaryDocument& scrambled, const QString& clear, const QString& count,
                      Figures& figures)
{
    readFileSequentially(clear);
    const QByteArray grep =
        "LC_ALL=C grep -c -F " + Word + " '" + QFile::encodeName(clear) + "' >'" + QFile::encodeName(count) + "'";
    figures.grep = bestMilliseconds(SearchRuns, [&] {
        if (std::system(grep.constData()) != 0)
            std::abort();
    });
    QFile counted(count);
    if (counted.open(QIODevice::ReadOnly))
        figures.grepFound = counted.readAll().trimmed().toInt();

    int found = 0;
    figures.search =
        bestMilliseconds(SearchRuns, [&] { found = document.findWord(QString::fromLatin1(Word)).value(); });
    figures.found = found;
    figures.scrambledSearch =
        bestMilliseconds(SearchRuns, [&] { found = scrambled.findWord(QString::fromLatin1(Word)).value(); });
    if (found != figures.found || found != figures.grepFound)
        std::printf("the searches disagree: %d in the encrypted diary, %d scrambled, %d by grep\n", figures.found,
                    found, figures.grepFound);
    std::printf("LC_ALL=C grep -c -F over the clear text:         %8.1f ms\n", figures.grep);
    std::printf("word search, encrypted diary (best of %d):       %8.1f ms  (%d entries)\n", SearchRuns, figures.search,
                figures.found);
    std::printf("word search, scrambled diary (best of %d):       %8.1f ms\n", SearchRuns, figures.scrambledSearch);
    document.listAll();
    scrambled.listAll();
}

// "Сервис → Шифрование…" with the fields typed; the window of the conversion before, closed, is gone first.
QWidget* openEncryptionWindow(MainWindow& window, bool encrypted)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    named<QAction>(&window, QStringLiteral("actionEncryption"))->trigger();
    auto* encryption = named<QWidget>(&window, QStringLiteral("encryption"));
    QTest::keyClicks(named<QLineEdit>(encryption, QStringLiteral("encryptionPassphrase")),
                     QString::fromLatin1(Passphrase));
    if (!encrypted)
        QTest::keyClicks(named<QLineEdit>(encryption, QStringLiteral("encryptionRepeat")),
                         QString::fromLatin1(Passphrase));
    return encryption;
}

// From the click on the encryption window's button until the window has closed, the diary converted.
double convertAtWindow(MainWindow& window, const QString& path)
{
    const bool encrypted = window.document().view().isEncrypted();
    QWidget* encryption = openEncryptionWindow(window, encrypted);
    readFileSequentially(path);
    QString message;
    const double ms = clickToMessage(named<QAbstractButton>(encryption, QStringLiteral("encryptionStart")), &message);
    if (!message.isEmpty() || encryption->isVisible() || window.document().view().isEncrypted() == encrypted)
        std::printf("the diary was not converted at the window: %s\n", qPrintable(message));
    return ms;
}

// From the click on "Поиск" with the word typed until the list holds what was found.
double searchAtWindow(MainWindow& window, int expected)
{
    auto* field = named<QLineEdit>(&window, QStringLiteral("InWord"));
    field->clear();
    QTest::keyClicks(field, QString::fromLatin1(Word));
    auto* list = named<QAbstractItemView>(&window, QStringLiteral("LBdate"));
    QString message;
    const double ms = clickToMessage(named<QAbstractButton>(&window, QStringLiteral("Search")), &message);
    if (!message.isEmpty() || list->model()->rowCount() != expected)
        std::printf("the window found %d entries, not %d: %s\n", list->model()->rowCount(), expected,
                    qPrintable(message));
    return ms;
}

// At the main window, offscreen, on a diary of its own: encrypted at the least cost, searched, made scrambled again.
void atTheWindow(const QString& path, const QString& dataDir, Figures& figures)
{
    QFile settings(settingsFilePath(dataDir));
    if (!settings.open(QIODevice::WriteOnly) || settings.write("[Options]\nEditing=1\n") < 0)
        std::abort();
    settings.close();
    MainWindow window(dataDir);
    window.document().setPassphraseCost(cheapCost);
    window.show();
    window.openDiary(path);
    double encrypt = 1e300;
    double decrypt = 1e300;
    double search = 1e300;
    double scrambledSearch = 1e300;
    for (int i = 0; i < Runs; ++i) {
        scrambledSearch = std::min(scrambledSearch, searchAtWindow(window, figures.found));
        encrypt = std::min(encrypt, convertAtWindow(window, path));
        search = std::min(search, searchAtWindow(window, figures.found));
        decrypt = std::min(decrypt, convertAtWindow(window, path));
    }
    figures.windowEncrypt = encrypt;
    figures.windowDecrypt = decrypt;
    figures.windowSearch = search;
    figures.windowScrambledSearch = scrambledSearch;
    std::printf("at the window: encrypt (best of %d):             %8.1f ms\n", Runs, encrypt);
    std::printf("at the window: decrypt (best of %d):             %8.1f ms\n", Runs, decrypt);
    std::printf("at the window: word search, encrypted (best of %d):%7.1f ms\n", Runs, search);
    std::printf("at the window: word search, scrambled (best of %d):%7.1f ms\n", Runs, scrambledSearch);
}

double deleteMiddleEntry(DiaryDocument& document, const QString& path)
{
    double best = 1e300;
    for (int i = 0; i < Runs; ++i) {
        document.viewEntry(int(document.view().entryCount() / 2));
        readFileSequentially(path);
        best = std::min(best, millisecondsOf([&] { document.deleteViewedEntry(); }));
    }
    return best;
}

// The entry on view deleted, as bench_entries deletes; each diary loses Runs entries.
void compareDeleting(DiaryDocument& document, const QString& path, DiaryDocument& scrambled,
                     const QString& scrambledPath, const QString& copy, Figures& figures)
{
    figures.deleteEncrypted = deleteMiddleEntry(document, path);
    figures.deleteCp = copyAndSync(path, copy);
    figures.deleteScrambled = deleteMiddleEntry(scrambled, scrambledPath);
    std::printf("delete the middle entry, encrypted (best of %d): %8.1f ms\n", Runs, figures.deleteEncrypted);
    std::printf("cp diary copy && sync (best of %d):              %8.1f ms\n", Runs, figures.deleteCp);
    std::printf("delete the middle entry, scrambled (best of %d): %8.1f ms\n", Runs, figures.deleteScrambled);
}

// One added entry, then the file cut back to what it was, so that every run adds to the same diary.
double addOnce(RecordFile& diary, const EntryCodec& codec, const QByteArray& text)
{
    const qint64 size = diary.count() * RecordSize;
    DiaryRecord buffer;
    const double ms = millisecondsOf([&] { appendEntry(diary, text, codec, currentStamp(), buffer); });
    QFile::resize(diary.path(), size);
    return ms;
}

// The middle entry changed through the journal.
double changeOnce(RecordFile& diary, const EntryCodec& codec, const QByteArray& text)
{
    const qint64 middle = diary.count() / 2;
    DiaryRecord buffer;
    diary.read(middle, buffer);
    const QString key = stampText(buffer.stamp());
    return millisecondsOf([&] { rewriteEntry(diary, middle, key, text, codec, buffer); });
}

// Adding and changing through the store functions the document uses, with each diary's codec: the encrypted diary
// against a small encrypted one and against the scrambled diary.
void compareEditing(const QString& large, const QString& small, const QString& scrambled, Figures& figures)
{
    struct Diary {
        RecordFile file;
        std::shared_ptr<const EntryCodec> codec;
        std::vector<double> add;
        std::vector<double> change;
    };
    Diary diaries[3];
    diaries[0].file.open(large);
    diaries[0].codec = unlockedCodec(large, Passphrase);
    diaries[1].file.open(small);
    diaries[1].codec = unlockedCodec(small, Passphrase);
    diaries[2].file.open(scrambled);
    diaries[2].codec = std::make_shared<const ScrambledText>(FixedKey);
    const QByteArray text(SealedText::Capacity, 'q');
    for (int i = 0; i < EditRuns; ++i)
        for (Diary& diary : diaries) {
            diary.add.push_back(addOnce(diary.file, *diary.codec, text));
            diary.change.push_back(changeOnce(diary.file, *diary.codec, text.left(100 + i)));
        }
    figures.addLarge = median(diaries[0].add);
    figures.addSmall = median(diaries[1].add);
    figures.addScrambled = median(diaries[2].add);
    figures.changeLarge = median(diaries[0].change);
    figures.changeSmall = median(diaries[1].change);
    figures.changeScrambled = median(diaries[2].change);
    const long long count = diaries[0].file.count() - 1;
    const long long smallCount = diaries[1].file.count() - 1;
    std::printf("add one entry, encrypted, %5lld entries (median of %d):  %8.3f ms\n", count, EditRuns,
                figures.addLarge);
    std::printf("add one entry, encrypted, %5lld entries (median of %d):  %8.3f ms\n", smallCount, EditRuns,
                figures.addSmall);
    std::printf("add one entry, scrambled, %5lld entries (median of %d):  %8.3f ms\n", count, EditRuns,
                figures.addScrambled);
    std::printf("change one entry, encrypted, %5lld entries (median of %d):%8.3f ms\n", count, EditRuns,
                figures.changeLarge);
    std::printf("change one entry, encrypted, %5lld entries (median of %d):%8.3f ms\n", smallCount, EditRuns,
                figures.changeSmall);
    std::printf("change one entry, scrambled, %5lld entries (median of %d):%8.3f ms\n", count, EditRuns,
                figures.changeScrambled);
}

std::vector<Row> tableOf(const Figures& f, int entriesLeft)
{
    const std::string calibrated = f.calibratedCost;
    std::vector<Row> rows;
    const double openGoal = f.derivation + f.scrambledOpen;
    rows.push_back(
        {"key derivation alone", calibrated, format("%.1f ms", f.derivation),
         "best of " + std::to_string(OpenRuns) + " beside the opens; slowest " + format("%.1f ms", f.slowestDerivation),
         "report", ""});
    rows.push_back({"open: passphrase to list shown", calibrated, format("%.1f ms", f.open),
                    format("derivation + scrambled open = %.1f ms", openGoal), "<= derivation + scrambled open",
                    verdict(f.open <= openGoal)});
    rows.push_back({"open - derivation", calibrated, format("%.2f ms", f.open - f.derivation),
                    format("scrambled open %.2f ms", f.scrambledOpen), "report (the list stays O(1))", ""});
    rows.push_back({"open at the least cost (all but the derivation)", CheapCostName, format("%.2f ms", f.cheapOpen),
                    format("scrambled open %.2f ms", f.scrambledOpen), "report (the list stays O(1))", ""});
    rows.push_back({"word search, core (findWord)", NoCostName, format("%.1f ms", f.search),
                    format("grep -F %.1f ms: x %.2f", f.grep, f.search / f.grep), "<= 1.5 x grep -F",
                    verdict(f.search <= 1.5 * f.grep)});
    rows.push_back({"word search, core, scrambled diary", NoCostName, format("%.1f ms", f.scrambledSearch),
                    format("grep -F %.1f ms: x %.2f", f.grep, f.scrambledSearch / f.grep), "report", ""});
    rows.push_back({"word search at the window, click to list", NoCostName, format("%.1f ms", f.windowSearch),
                    format("core %.1f ms; scrambled at the window %.1f ms", f.search, f.windowScrambledSearch),
                    "report", ""});
    const std::string diarySize = std::to_string(entriesLeft);
    rows.push_back({"add one entry (" + diarySize + " entries)", NoCostName, format("%.3f ms", f.addLarge),
                    format("10 entries %.3f ms; scrambled %.3f ms", f.addSmall, f.addScrambled),
                    format("O(1): x %.2f of 10 entries (<= 1.5)", f.addLarge / f.addSmall),
                    verdict(f.addLarge <= 1.5 * f.addSmall)});
    rows.push_back({"change one entry (" + diarySize + " entries)", NoCostName, format("%.3f ms", f.changeLarge),
                    format("10 entries %.3f ms; scrambled %.3f ms", f.changeSmall, f.changeScrambled),
                    format("O(1): x %.2f of 10 entries (<= 1.5)", f.changeLarge / f.changeSmall),
                    verdict(f.changeLarge <= 1.5 * f.changeSmall)});
    rows.push_back({"passphrase change", calibrated, format("%.1f ms", f.rekey),
                    format("total - derivation (%.1f ms) = %.1f ms", f.rekeyDerivation, f.rekey - f.rekeyDerivation),
                    "< 50 ms + derivation", verdict(f.rekey - f.rekeyDerivation < 50)});
    rows.push_back({"passphrase change at the least cost", CheapCostName, format("%.2f ms", f.cheapRekey),
                    "all but the derivation: one record", "report (O(1))", ""});
    rows.push_back({"delete the middle entry", NoCostName, format("%.1f ms", f.deleteEncrypted),
                    format("cp && sync %.1f ms: x %.2f", f.deleteCp, f.deleteEncrypted / f.deleteCp),
                    "<= 1.5 x cp && sync", verdict(f.deleteEncrypted <= 1.5 * f.deleteCp)});
    rows.push_back({"delete, scrambled diary", NoCostName, format("%.1f ms", f.deleteScrambled),
                    format("cp && sync %.1f ms: x %.2f", f.deleteCp, f.deleteScrambled / f.deleteCp), "report", ""});
    const auto conversion = [&](const char* what, double ms) {
        rows.push_back({what, CheapCostName, format("%.1f ms", ms),
                        format("cp && sync %.1f ms: x %.2f", f.cp, ms / f.cp), "<= 2 x cp && sync",
                        verdict(ms <= 2 * f.cp)});
    };
    conversion("encrypt the whole diary, core", f.encrypt);
    conversion("decrypt the whole diary, core", f.decrypt);
    conversion("encrypt at the window, click to closed", f.windowEncrypt);
    conversion("decrypt at the window, click to closed", f.windowDecrypt);
    rows.push_back({"encrypt, core, first calibrated cost", calibrated, format("%.1f ms", f.encryptCalibrated),
                    format("cp && sync %.1f ms: x %.2f", f.cp, f.encryptCalibrated / f.cp),
                    "report (calibration included)", ""});
    return rows;
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    QTemporaryDir dir(benchFolderTemplate(argc, argv));
    const QString scrambledPath = dir.filePath(QStringLiteral("scrambled.qnb"));
    const QString encryptedPath = dir.filePath(QStringLiteral("encrypted.qnb"));
    const QString windowPath = dir.filePath(QStringLiteral("window.qnb"));
    const QString smallPath = dir.filePath(QStringLiteral("small.qnb"));
    const QString clear = dir.filePath(QStringLiteral("clear.txt"));
    const QString copy = dir.filePath(QStringLiteral("copy.qnb"));
    const QString dataDir = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(dataDir);
    std::printf("Writing diaries of %d entries of %lld characters (as many as an encrypted entry holds) in %s...\n",
                Entries, static_cast<long long>(SealedText::Capacity), qPrintable(dir.path()));
    writeBenchDiary(scrambledPath, Entries, SealedText::Capacity);
    copyFile(scrambledPath, encryptedPath);
    copyFile(scrambledPath, windowPath);
    writeBenchDiary(smallPath, 10, SealedText::Capacity);
    writeClearText(clear, Entries);
    std::printf("diary size: %lld bytes\n\n", static_cast<long long>(readFileSequentially(scrambledPath)));

    Figures figures;
    DiaryDocument document;
    convertWholeDiary(document, encryptedPath, copy, figures);
    DiaryDocument scrambled;
    comparePassphrase(document, encryptedPath, scrambled, scrambledPath, figures);
    compareSearching(document, scrambled, clear, dir.filePath(QStringLiteral("count")), figures);
    atTheWindow(windowPath, dataDir, figures);
    compareDeleting(document, encryptedPath, scrambled, scrambledPath, copy, figures);
    const int entriesLeft = int(document.view().entryCount());
    document.close();
    scrambled.close();
    {
        DiaryDocument small;
        small.setPassphraseCost(cheapCost);
        small.open(smallPath, {});
        small.encrypt(Passphrase);
    }
    compareEditing(encryptedPath, smallPath, scrambledPath, figures);
    printTable(tableOf(figures, entriesLeft));
    return 0;
}
