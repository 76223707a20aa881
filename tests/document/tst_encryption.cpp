#include "crypto/passphrasekey.h"
#include "crypto/sealedheader.h"
#include "export/entryexport.h"
#include "import/importentries.h"
#include "import/olddiary.h"
#include "import/oldfiles.h"
#include "opening.h"
#include "store/changejournal.h"
#include "store/stamp.h"

#include <QDirIterator>
#include <QTemporaryDir>
#include <QTest>

#include <sodium.h>

using namespace Qt::StringLiterals;
using namespace testfiles;

// An encrypted diary as a person uses it: made, read, changed, searched, exported, imported into (never from), its
// passphrase changed, and scrambled again; and what it tells when it is damaged.
class TestEncryption : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;     // the diary's folder, its copies under it
    QTemporaryDir m_outside; // where the person exports to
    QString m_path;
    std::unique_ptr<DiaryDocument> m_doc;
    QStringList m_asked;

    // Answers each question for the passphrase with the next of `answers`; the questions are counted in m_asked.
    PasswordAsker answering(const QStringList& answers)
    {
        return [this, answers](const QString& path, const PasswordCheck& check) {
            for (const QString& answer : answers) {
                m_asked << path;
                if (check(answer))
                    return;
            }
        };
    }
    bool openWith(const QStringList& answers)
    {
        m_asked.clear();
        m_doc->close();
        return m_doc->open(m_path, answering(answers));
    }
    // Whether any file in the diary's folder holds `word`, as Windows-1251 or UTF-8.
    QString fileHolding(const QString& word) const
    {
        for (QDirIterator files(m_dir.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
             files.hasNext();) {
            const QByteArray bytes = fileBytes(files.next());
            if (bytes.contains(toCp1251(word)) || bytes.contains(word.toUtf8()))
                return files.filePath();
        }
        return {};
    }
    void damage(qint64 offset)
    {
        QByteArray bytes = fileBytes(m_path);
        bytes[offset] = char(bytes[offset] ^ 1);
        writeFileBytes(m_path, bytes);
    }

private slots:
    void init()
    {
        m_path = m_dir.filePath(u"дневник.qnb"_s);
        m_doc = std::make_unique<DiaryDocument>();
        m_doc->setPassphraseCost(
            [] { return KeyDerivation::fresh(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN); });
        m_doc->setBackupPlace(m_dir.filePath(u"copies"_s), {true, 7});
    }

    void anEncryptedDiaryWorksAndHidesItsText()
    {
        const QList<double> stamps{stampOf(2026, 3, 1, 9), stampOf(2026, 3, 2, 9), stampOf(2026, 3, 2, 21)};
        writeDiary(m_path, {.title = u"Мой"_s,
                            .owner = u"Аня"_s,
                            .password = u"ключ"_s,
                            .stamps = stamps,
                            .texts = {u"первый снег"_s, u"тёплый дождь"_s, u"снег растаял"_s}});
        QVERIFY(m_doc->open(m_path, knowingThePassword()));
        m_doc->encrypt(toCp1251(u"тайна"_s));
        const DiaryView& view = m_doc->view();
        QVERIFY(view.isEncrypted() && view.hasPassword() && view.entryCapacity() == 5079 && view.title() == u"Мой");
        QVERIFY(m_doc->findWord(u"СНЕГ"_s, true) == 2 && m_doc->findDay({2026, 3, 2}) == 2);
        OldDiarySource asSource; // an import would show its sealed bytes as text
        QVERIFY_THROWS_EXCEPTION(QuillnestError, asSource.recognise(m_path));

        m_doc->add(u"новая запись"_s);
        QVERIFY(m_doc->viewEntry(0));
        m_doc->change(u"первый снег выпал"_s);
        QVERIFY(m_doc->viewEntry(1));
        m_doc->deleteViewedEntry();
        m_doc->undoDeletion();
        const QString source = m_outside.filePath(u"s.drb"_s);
        writeFileBytes(source, oldfiles::oldDiary(oldfiles::Layout::Middle, {oldfiles::stampOf(1)}, {u"старая"_s}));
        OldDiarySource old;
        QCOMPARE(old.recognise(source), OldDiarySource::Outcome::Recognised);
        m_doc->importEntries(old, {});
        m_doc->keepDraft(false, u"черновик"_s);
        const QString exported = m_outside.filePath(u"out.txt"_s);
        m_doc->exportEntries({true, {}}, exported, ExportLayout::Text);
        QVERIFY(fileBytes(exported).contains(toCp1251(u"тёплый дождь"_s)));
        m_doc->waitForBackups();
        for (const QString& word :
             {u"снег"_s, u"дождь"_s, u"новая"_s, u"выпал"_s, u"старая"_s, u"черновик"_s, u"Аня"_s})
            QVERIFY2(fileHolding(word).isEmpty(), qPrintable(word + u" in "_s + fileHolding(word)));

        // The passphrase is asked for again until it is right; the new one changes the header alone.
        QVERIFY(openWith({u"ключ"_s, u"тайна"_s}) && m_asked.size() == 2 && view.owner() == u"Аня");
        QCOMPARE(m_doc->readDraft().draft.text, u"черновик"_s);
        const QByteArray before = fileBytes(m_path);
        m_doc->rekey(toCp1251(u"другая"_s));
        const QByteArray after = fileBytes(m_path);
        QVERIFY(after.sliced(RecordSize) == before.sliced(RecordSize) &&
                after.first(RecordSize) != before.first(RecordSize));
        QVERIFY(!openWith({u"тайна"_s}) && openWith({u"другая"_s}) && m_doc->isPassword(u"другая"_s));
        QVERIFY_THROWS_EXCEPTION(QuillnestError, m_doc->rekey({}));
        // A passphrase change stopped with the header torn: the journal puts the old header back.
        setJournalFaultHook([](JournalStep step) {
            if (step == JournalStep::WriteRecord)
                throw 0;
        });
        QVERIFY_THROWS_EXCEPTION(int, m_doc->rekey("x"));
        setJournalFaultHook({});
        damage(900);
        QVERIFY(openWith({u"другая"_s}));

        // Scrambled again, under the passphrase as its password.
        m_doc->decrypt(toCp1251(u"другая"_s));
        QVERIFY(!view.isEncrypted() && storedPassword(m_path) == u"другая" && view.entryCapacity() == MaxEntryChars);
        QCOMPARE(entryTexts(m_path), QStringList({u"старая"_s, u"первый снег выпал"_s, u"тёплый дождь"_s,
                                                  u"снег растаял"_s, u"новая запись"_s}));
        QCOMPARE(m_doc->readDraft().draft.text, u"черновик"_s);
    }

    // Damage to the header is told before anything is asked; a damaged entry is told by its date, stays out of
    // searches, can be deleted, and stops a conversion that would lose it; so does text too long for a sealed record.
    void damageIsToldApartFromAWrongPassphrase()
    {
        const QList<double> stamps{stampOf(2026, 4, 1, 8), stampOf(2026, 4, 2, 8)};
        writeDiary(m_path, {.stamps = stamps, .texts = {u"снег"_s, QString(MaxEntryChars, u'я')}});
        QVERIFY(m_doc->open(m_path, {}));
        const QByteArray plain = fileBytes(m_path);
        QVERIFY_THROWS_EXCEPTION(QuillnestError, m_doc->encrypt("тайна"));
        QCOMPARE(fileBytes(m_path), plain);
        QVERIFY(m_doc->viewEntry(1));
        m_doc->change(u"снег сошёл"_s);
        m_doc->encrypt("t");

        damage(800);
        QVERIFY_THROWS_EXCEPTION(DamagedHeaderError, openWith({u"t"_s}));
        QVERIFY(m_asked.isEmpty());
        damage(800);
        damage(RecordSize + 3000);
        QVERIFY(openWith({u"t"_s}) && m_doc->findWord(u"снег"_s) == 1);
        QVERIFY_THROWS_EXCEPTION(DamagedEntryError, m_doc->decrypt("t"));
        m_doc->exportEntries({true, {}}, m_outside.filePath(u"out.txt"_s), ExportLayout::Text);
        QVERIFY(fileBytes(m_outside.filePath(u"out.txt"_s)).contains(toCp1251(u"повреждена и не показана"_s)));
        m_doc->listAll();
        try {
            m_doc->viewEntry(0);
            QFAIL("a damaged entry was shown");
        } catch (const DamagedEntryError& error) {
            QCOMPARE(error.text(), u"Запись от "_s + stampText(stamps[0]) + u" повреждена и не показана"_s);
        }
        m_doc->deleteViewedEntry();
        m_doc->decrypt("t");
        QCOMPARE(entryTexts(m_path), QStringList{u"снег сошёл"_s});
    }
};

QTEST_GUILESS_MAIN(TestEncryption)
#include "tst_encryption.moc"
