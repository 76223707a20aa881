#include "passphrasekey.h"

#include "sodiumglue.h"
#include "store/error.h"

#include <QElapsedTimer>

#include <sodium.h>

#include <algorithm>
#include <cmath>

KeyDerivation KeyDerivation::fresh(quint64 opsLimit, quint64 memLimit)
{
    ensureSodium();
    QByteArray salt(crypto_pwhash_SALTBYTES, Qt::Uninitialized);
    randombytes_buf(salt.data(), salt.size());
    return {salt, opsLimit, memLimit};
}

SecretKey deriveKey(QByteArrayView passphrase, const KeyDerivation& derivation)
{
    ensureSodium();
    // crypto_pwhash reads SALTBYTES of the salt whatever its length: a short one, from a damaged header, would be
    // read past its end.
    if (derivation.salt.size() != crypto_pwhash_SALTBYTES)
        throw QuillnestError(QStringLiteral("Ключ не получен из пароля: соль повреждена"));
    SecretKey key = SecretKey::allocate();
    if (crypto_pwhash(key.m_bytes, SecretKey::Size, passphrase.data(), passphrase.size(), bytesOf(derivation.salt),
                      derivation.opsLimit, derivation.memLimit, crypto_pwhash_ALG_ARGON2ID13) != 0)
        throw QuillnestError(
            QStringLiteral("Ключ не получен из пароля: недостаточно памяти или параметры ключа повреждены"));
    return key;
}

namespace
{

// One derivation with the given cost, of a passphrase thrown away, in seconds.
double secondsFor(const KeyDerivation& derivation)
{
    QElapsedTimer timer;
    timer.start();
    deriveKey("calibration", derivation);
    return std::max(timer.nsecsElapsed() / 1e9, 1e-3);
}

// Raises the cost about `factor` times: memory first, up to MODERATE, then passes.
void raise(quint64& ops, quint64& mem, double factor)
{
    const quint64 grown = std::min<quint64>(crypto_pwhash_MEMLIMIT_MODERATE, std::llround(mem * factor));
    factor *= double(mem) / double(grown);
    mem = grown;
    ops = std::llround(ops * factor);
}

} // namespace

// Argon2id costs a guesser memory for each guess, which is what makes guessing on graphics cards and dedicated
// hardware dear, and passes over that memory, which is time. libsodium's INTERACTIVE limits (64 MiB, 2 passes) are
// the least it advises for a key worked out each time a person logs in, so a diary never gets less, however slow
// the computer. A faster computer spends the half second a person waits anyway on dearer guesses: memory first,
// since that is what hardware finds hardest to add, up to MODERATE (256 MiB), which a modest computer still has to
// spare beside the program; then more passes, bounded by the time alone. A derivation's time grows about in
// proportion to both, so each one measured tells how far to raise the cost for the next; a few land within a fifth
// of the target. The last step is not measured, only predicted, should the times not settle.
KeyDerivation calibrated(double targetSeconds)
{
    quint64 ops = crypto_pwhash_OPSLIMIT_INTERACTIVE;
    quint64 mem = crypto_pwhash_MEMLIMIT_INTERACTIVE;
    for (int step = 0; step < 5; ++step) {
        const double factor = targetSeconds / secondsFor(KeyDerivation::fresh(ops, mem));
        if (factor < 1.2)
            break;
        raise(ops, mem, factor);
    }
    return KeyDerivation::fresh(ops, mem);
}
