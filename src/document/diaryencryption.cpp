// The open diary made encrypted and scrambled again, and an encrypted diary's passphrase changed.

#include "diarydocument.h"

#include "crypto/sealedheader.h"
#include "crypto/sodiumglue.h"
#include "store/changejournal.h"
#include "store/cp1251.h"
#include "store/rebuild.h"
#include "store/scramble.h"
#include "store/sidefiles.h"
#include "store/workshare.h"

namespace
{

// The cost a passphrase is given on this computer, worked out once a run: it takes a few derivations' time.
KeyDerivation calibratedCost()
{
    static const KeyDerivation cost = calibrated();
    return KeyDerivation::fresh(cost.opsLimit, cost.memLimit);
}

} // namespace

QByteArray passphraseBytes(const QString& typed)
{
    QString unencodable;
    QByteArray bytes = toCp1251(typed.left(SlotCapacity), &unencodable);
    if (!unencodable.isEmpty() || bytes.contains('\0'))
        wipe(bytes);
    return bytes;
}

void DiaryDocument::setPassphraseCost(std::function<KeyDerivation()> cost)
{
    m_passphraseCost = std::move(cost);
}

KeyDerivation DiaryDocument::passphraseCost() const
{
    return m_passphraseCost ? m_passphraseCost() : calibratedCost();
}

const SealedText& DiaryDocument::sealedText() const
{
    return static_cast<const SealedText&>(*m_state.codec);
}

// Nothing but the header changes: one record, replaced as a changed entry is. The new passphrase gets the cost the
// diary was given when it was encrypted, with a salt of its own: the wrapped key opened under that cost, so it is
// the diary's own and not one a damaged or altered header claims, and nobody waits for the computer to be measured.
void DiaryDocument::changePassphrase(const QByteArray& passphrase)
{
    if (passphrase.isEmpty())
        throw QuillnestError(QStringLiteral("Пароль не изменён: у зашифрованного дневника пароль есть всегда. "
                                            "Чтобы дневник открывался без пароля, снимите шифрование "
                                            "(Сервис → Шифрование…)"));
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        const DiaryRecord old = m_state.file.readHeader();
        const SealedHeader header = sealedHeaderOf(old);
        const KeyDerivation derivation =
            m_passphraseCost ? m_passphraseCost()
                             : KeyDerivation::fresh(header.derivation.opsLimit, header.derivation.memLimit);
        const DiaryRecord fresh = rewrapped(header, sealedText(), passphrase, derivation);
        try {
            replaceRecord(m_state.file, 0, old, fresh);
        } catch (const sidefiles::SideFileTakenError&) {
            rebuildOpenDiary(
                [&](RecordSink& sink) {
                    sink.put(fresh);
                    m_state.file.readEach(1, [&](qint64, const DiaryRecord& entry) { sink.put(entry); });
                },
                [&](RecordFile&& file) { takeRebuiltFile(std::move(file)); });
        }
    });
}

// No copy of the diary is made, before or of the file replaced: it would keep the text scrambled, which is what the
// person is leaving.
void DiaryDocument::encrypt(const QByteArray& passphrase)
{
    if (m_state.encrypted())
        throw QuillnestError(QStringLiteral("Дневник уже зашифрован"));
    if (passphrase.isEmpty())
        throw QuillnestError(QStringLiteral("Дневник не зашифрован: пароль пуст"));
    const KeyDerivation derivation = passphraseCost();
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        const DiaryHeader clear = DiaryHeader::fromRecord(m_state.file.readHeader());
        DiaryRecord header;
        UnlockedDiary sealed = sealNewDiary(clear.created, clear.title, clear.owner, passphrase, derivation, header);
        DiaryHeader shown = DiaryHeader::fromRecord(header);
        shown.title = sealed.title;
        shown.owner = sealed.owner;
        recodeEntries(header, sealed.codec,
                      QStringLiteral("Дневник не зашифрован: запись от %1 длиннее %2 символов, которые помещаются в "
                                     "запись зашифрованного дневника. Сократите её и зашифруйте дневник снова."),
                      shown);
    });
}

// The diary as it is now is copied first, encrypted, as before any change.
void DiaryDocument::decrypt(const QByteArray& password)
{
    if (!m_state.encrypted())
        throw QuillnestError(QStringLiteral("Дневник не зашифрован"));
    writeAtPath([&] {
        m_state.file.checkStillAtPath();
        m_backups.copyBeforeChange(m_state.file.descriptor());
        const DiaryHeader clear{m_state.created, password.isEmpty() ? QByteArray() : encodePassword(password),
                                toCp1251(m_state.title), toCp1251(m_state.owner)};
        recodeEntries(clear.toRecord(), std::make_shared<const ScrambledText>(password.isEmpty() ? FixedKey : password),
                      QStringLiteral("Шифрование не снято: запись от %1 длиннее %2 символов"), clear);
    });
}

// Every entry is read and written anew, on all the cores: sealing costs more than the disk. An entry that does not
// read stops the conversion, named, before the diary is touched. The entries deleted before cannot come back
// under the new codec, and the draft is kept again under it. The file replaced is kept as a copy only where it was
// encrypted: a scrambled one would keep the text readable that the person is encrypting.
void DiaryDocument::recodeEntries(const DiaryRecord& header, std::shared_ptr<const EntryCodec> target,
                                  const QString& tooLong, const DiaryHeader& shown)
{
    const std::shared_ptr<const EntryCodec> source = m_state.codec;
    const bool mayKeepReplaced = m_state.encrypted();
    WorkShare share;
    std::vector<DiaryRecord> recoded;
    rebuildOpenDiary(
        [&](RecordSink& sink) {
            sink.put(header);
            m_state.file.readChunks(1, [&](qint64, std::span<DiaryRecord> records) {
                recoded.resize(records.size());
                share.run(qsizetype(records.size()), [&](qsizetype i, int) {
                    recoded[size_t(i)] = recodedEntry(records[size_t(i)], *source, *target, tooLong);
                });
                for (const DiaryRecord& entry : recoded)
                    sink.put(entry);
            });
        },
        [&](RecordFile&& file) {
            takeRekeyedFile(std::move(file), target, shown);
            forgetDeletions();
            rekeepDraft(*source);
        },
        false, mayKeepReplaced);
}

// A draft that cannot be read under the old codec is set aside, as at opening. One that cannot be kept again stays
// under the old codec, which nothing reads any longer: the person, told so, still has the text being written, and
// saving it makes the draft needless.
void DiaryDocument::rekeepDraft(const EntryCodec& old)
{
    try {
        const DraftReading reading = ::readDraft(m_state.path, old, m_state.created);
        if (reading.found == DraftFound::Readable)
            writeDraft(m_state.path, reading.draft, *m_state.codec);
    } catch (const QuillnestError& error) {
        throw NotDurableError(error.text(), QStringLiteral("Дневник преобразован, но несохранённый текст записи не "
                                                           "удалось сохранить заново. Сохраните запись, пока "
                                                           "программа открыта."));
    }
}
