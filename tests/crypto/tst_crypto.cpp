#include "crypto/keywrap.h"
#include "crypto/passphrasekey.h"
#include "crypto/sealedheader.h"
#include "crypto/sealing.h"
#include "crypto/sodiumglue.h"
#include "store/cp1251.h"
#include "store/diaryedit.h"
#include "store/error.h"
#include "store/scramble.h"
#include "store/sealedmark.h"

#include <QTest>

#include <sodium.h>

namespace
{

// What ties sealed bytes to their place; the second names the same record in another diary.
const QByteArray Here = "diary 7f3a, record 12";
const QByteArray Elsewhere = "diary 9c01, record 12";
const QByteArray Entry = "Сегодня выпал первый снег.";

QByteArray bytes(const SecretKey& key)
{
    return QByteArray(reinterpret_cast<const char*>(key.data()), SecretKey::Size);
}

// crypto_aead_xchacha20poly1305_ietf_decrypt of ciphertext ‖ tag, or a null array when it does not authenticate.
QByteArray decrypted(QByteArrayView sealed, QByteArrayView associated, const unsigned char* nonce,
                     const unsigned char* key)
{
    QByteArray plain(sealed.size() - crypto_aead_xchacha20poly1305_ietf_ABYTES, Qt::Uninitialized);
    const int result = crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(plain.data()),
                                                                  nullptr, nullptr, bytesOf(sealed), sealed.size(),
                                                                  bytesOf(associated), associated.size(), nonce, key);
    return result == 0 ? plain : QByteArray();
}

KeyDerivation cheapest()
{
    return KeyDerivation::fresh(crypto_pwhash_OPSLIMIT_MIN, crypto_pwhash_MEMLIMIT_MIN);
}

// A new encrypted diary's codec, its header in `header`.
std::shared_ptr<const SealedText> newDiary(DiaryRecord& header, QByteArrayView passphrase = "пароль")
{
    return sealNewDiary(45000.5, toCp1251(u"Мой дневник"), toCp1251(u"Аня"), passphrase, cheapest(), header).codec;
}

} // namespace

class TestCrypto : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { ensureSodium(); }

    void sealedOpens()
    {
        const SecretKey key = SecretKey::random();
        for (const auto& [plain, associated] :
             {std::pair(Entry, Here), std::pair(QByteArray(), Here), std::pair(Entry, QByteArray()),
              std::pair(QByteArray(100'000, 'z'), Here)}) {
            const QByteArray sealed = seal(plain, key, associated);
            QCOMPARE(sealed.size(), plain.size() + SealOverhead);
            QCOMPARE(openSealed(sealed, key, associated), plain);
            QVERIFY(seal(plain, key, associated) != sealed); // a new nonce each time
        }
    }

    void anythingElseIsRefused()
    {
        const SecretKey key = SecretKey::random();
        const QByteArray sealed = seal(Entry, key, Here);
        QVERIFY(!openSealed(sealed, key, Elsewhere) && !openSealed(sealed, key, {}) &&
                !openSealed(sealed, SecretKey::random(), Here));
        for (qsizetype i = 0; i < sealed.size(); ++i) {
            QByteArray changed = sealed;
            changed[i] = char(~changed[i]);
            QVERIFY2(!openSealed(changed, key, Here), QByteArray::number(i));
        }
        for (qsizetype size = 0; size < sealed.size(); ++size)
            QVERIFY(!openSealed(sealed.first(size), key, Here));
    }

    // The example of AEAD_XChaCha20_Poly1305 in the IETF's draft-irtf-cfrg-xchacha-03, appendix A.3.1, opens with the
    // libsodium linked, the construction sealing relies on; and seal() lays it out as nonce ‖ ciphertext ‖ tag.
    void knownAnswer()
    {
        const QByteArray key = QByteArray::fromHex("808182838485868788898a8b8c8d8e8f909192939495969798999a9b9c9d9e9f");
        const QByteArray nonce = QByteArray::fromHex("404142434445464748494a4b4c4d4e4f5051525354555657");
        const QByteArray associated = QByteArray::fromHex("50515253c0c1c2c3c4c5c6c7");
        const QByteArray plain = "Ladies and Gentlemen of the class of '99: If I could offer you only one tip for the "
                                 "future, sunscreen would be it.";
        const QByteArray sealed = QByteArray::fromHex( // ciphertext ‖ tag
            "bd6d179d3e83d43b9576579493c0e939572a1700252bfaccbed2902c21396cbb731c7f1b0b4aa6440bf3a82f4eda7e39ae64c670"
            "8c54c216cb96b72e1213b4522f8c9ba40db5d945b11b69b982c1bb9e3f3fac2bc369488f76b2383565d3fff921f9664c97637da9"
            "768812f615c68b13b52ec0875924c1c7987947deafd8780acf49");
        QCOMPARE(decrypted(sealed, associated, bytesOf(nonce), bytesOf(key)), plain);

        const SecretKey own = SecretKey::random();
        const QByteArray ours = seal(plain, own, associated);
        QCOMPARE(decrypted(ours.sliced(24), associated, bytesOf(ours), own.data()), plain);
    }

    void wrappedKeyUnwraps()
    {
        const SecretKey dataKey = SecretKey::random();
        const SecretKey wrappingKey = SecretKey::random();
        const QByteArray wrapped = wrapKey(dataKey, wrappingKey, Here);
        QCOMPARE(wrapped.size(), 72);
        const std::optional<SecretKey> unwrapped = unwrapKey(wrapped, wrappingKey, Here);
        QVERIFY(unwrapped && bytes(*unwrapped) == bytes(dataKey));

        // A wrong passphrase's key, another diary.
        QVERIFY(!unwrapKey(wrapped, SecretKey::random(), Here) && !unwrapKey(wrapped, wrappingKey, Elsewhere));
        QByteArray damaged = wrapped;
        damaged[40] = char(~damaged[40]);
        QVERIFY(!unwrapKey(damaged, wrappingKey, Here) && !unwrapKey(wrapped.chopped(1), wrappingKey, Here));
    }

    void passphraseKeys()
    {
        const auto interactive = [] {
            return KeyDerivation::fresh(crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE);
        };
        const KeyDerivation derivation = interactive();
        QCOMPARE(derivation.salt.size(), qsizetype(crypto_pwhash_SALTBYTES));
        const QByteArray key = bytes(deriveKey("снег в апреле", derivation));
        QCOMPARE(bytes(deriveKey("снег в апреле", derivation)), key);
        QVERIFY(bytes(deriveKey("снег в апреле", interactive())) != key);
        QVERIFY(bytes(deriveKey("снег в апреле!", derivation)) != key);
        const KeyDerivation damaged{derivation.salt.chopped(1), derivation.opsLimit, derivation.memLimit};
        QVERIFY_THROWS_EXCEPTION(QuillnestError, deriveKey("снег в апреле", damaged));

        const KeyDerivation least = calibrated(0.0); // no time at all to spend: never below the interactive limits
        QVERIFY(least.opsLimit >= crypto_pwhash_OPSLIMIT_INTERACTIVE &&
                least.memLimit >= crypto_pwhash_MEMLIMIT_INTERACTIVE);
    }

    // The right passphrase opens the header with its names, a wrong one nothing; a byte of any field changed is
    // damage, never a wrong passphrase. A new passphrase wraps the same data key. An older program finds a password
    // no typed text matches, and no text of the diary.
    void sealedHeaderTellsDamageFromAWrongPassphrase()
    {
        DiaryRecord record;
        const std::shared_ptr<const SealedText> codec = newDiary(record);
        std::optional<SealedHeader> header = SealedHeader::fromRecord(record);
        QVERIFY(header && header->created == 45000.5 && sealedmark::marks(record));
        std::optional<UnlockedDiary> opened = unlockDiary(*header, "пароль");
        QVERIFY(opened && opened->title == toCp1251(u"Мой дневник") && opened->owner == toCp1251(u"Аня"));
        QVERIFY(!unlockDiary(*header, "Пароль") && !unlockDiary(*header, ""));
        for (const int at : {0, 9, 20, 780, 790, 805, 820, 830, 850, 1000, 1460, 1487}) {
            DiaryRecord damaged = record;
            damaged.bytes[size_t(at)] ^= 1;
            QVERIFY2(sealedmark::marks(damaged) && !SealedHeader::fromRecord(damaged), QByteArray::number(at));
        }
        DiaryRecord entry;
        entry.setStamp(45001);
        codec->encode(entry, "снег");
        header = SealedHeader::fromRecord(rewrapped(*header, *codec, "новый", cheapest()));
        opened = unlockDiary(*header, "новый");
        QVERIFY(opened && opened->codec->decode(entry) == "снег" && !unlockDiary(*header, "пароль"));

        const DiaryHeader older = DiaryHeader::fromRecord(record);
        const QByteArray password = decodePassword(older.password);
        QVERIFY(!older.password.isEmpty() && older.title.isEmpty() && older.owner.isEmpty());
        for (const QString& typed : {QString(), fromCp1251(password), fromCp1251(password.sliced(2)), u"пароль"_qs})
            QVERIFY(!isTypedPassword(typed, password));
        QVERIFY(!sealedmark::marks(DiaryHeader{1, encodePassword("x"), "t", "o"}.toRecord()));
    }

    // An entry fills its record whatever its length, a new nonce each time; it opens only in its own diary under its
    // own stamp, and a byte of it changed makes it unreadable. The draft's text is sealed alike, with its header.
    void sealedEntriesOpenOnlyWhereTheyBelong()
    {
        DiaryRecord header;
        const std::shared_ptr<const SealedText> codec = newDiary(header);
        const std::shared_ptr<const SealedText> other = newDiary(header);
        for (const QByteArray& text : {QByteArray(), QByteArray("a\0b"), QByteArray(SealedText::Capacity, '\xe9')}) {
            DiaryRecord entry;
            entry.setStamp(45001.75);
            codec->encode(entry, text);
            DiaryRecord again = entry;
            codec->encode(again, text);
            QVERIFY(codec->decode(entry) == text && again.bytes != entry.bytes &&
                    !other->decodeInto(entry, QByteArray(MaxEntryChars, 0).data()));
            for (const int at : {0, 7, 8, 40, 2000, RecordSize - 1}) {
                DiaryRecord damaged = entry;
                damaged.bytes[size_t(at)] ^= 0x40;
                QVERIFY_THROWS_EXCEPTION(DamagedEntryError, codec->decode(damaged));
            }
        }
        DiaryRecord entry;
        QVERIFY_THROWS_EXCEPTION(EntryTooLongError, codec->encode(entry, QByteArray(SealedText::Capacity + 1, 'x')));
        const QByteArray kept = codec->protect(Entry, Here);
        QVERIFY(codec->unprotect(kept, Here) == Entry && !codec->unprotect(kept, Elsewhere) &&
                !other->unprotect(kept, Here) && !kept.contains("снег"));
    }
};

QTEST_GUILESS_MAIN(TestCrypto)
#include "tst_crypto.moc"
