#include "sealing.h"

#include "secretkey.h"
#include "sodiumglue.h"

#include <sodium.h>

namespace
{
constexpr int NonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
}

static_assert(SealOverhead == NonceSize + crypto_aead_xchacha20poly1305_ietf_ABYTES);

QByteArray seal(QByteArrayView plain, const SecretKey& key, QByteArrayView associated)
{
    ensureSodium();
    QByteArray sealed(plain.size() + SealOverhead, Qt::Uninitialized);
    auto* nonce = reinterpret_cast<unsigned char*>(sealed.data());
    randombytes_buf(nonce, NonceSize);
    crypto_aead_xchacha20poly1305_ietf_encrypt(nonce + NonceSize, nullptr, bytesOf(plain), plain.size(),
                                               bytesOf(associated), associated.size(), nullptr, nonce, key.data());
    return sealed;
}

std::optional<QByteArray> openSealed(QByteArrayView sealed, const SecretKey& key, QByteArrayView associated)
{
    if (sealed.size() < SealOverhead)
        return std::nullopt;
    ensureSodium();
    QByteArray plain(sealed.size() - SealOverhead, Qt::Uninitialized);
    const unsigned char* nonce = bytesOf(sealed);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(reinterpret_cast<unsigned char*>(plain.data()), nullptr, nullptr,
                                                   nonce + NonceSize, sealed.size() - NonceSize, bytesOf(associated),
                                                   associated.size(), nonce, key.data()) != 0)
        return std::nullopt;
    return plain;
}
