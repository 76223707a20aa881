#include "keywrap.h"

#include "sealing.h"
#include "sodiumglue.h"

#include <sodium.h>

static_assert(WrappedKeySize == SealOverhead + SecretKey::Size);

QByteArray wrapKey(const SecretKey& dataKey, const SecretKey& wrappingKey, QByteArrayView associated)
{
    // Sealed in place, the key's bytes never pass through ordinary memory.
    return seal(QByteArrayView(dataKey.data(), SecretKey::Size), wrappingKey, associated);
}

std::optional<SecretKey> unwrapKey(QByteArrayView wrapped, const SecretKey& wrappingKey, QByteArrayView associated)
{
    constexpr int NonceSize = crypto_aead_xchacha20poly1305_ietf_NPUBBYTES;
    if (wrapped.size() != WrappedKeySize)
        return std::nullopt;
    // Opened straight into guarded memory, not through openSealed, which would leave the key in an ordinary
    // QByteArray.
    SecretKey key = SecretKey::allocate();
    const unsigned char* nonce = bytesOf(wrapped);
    if (crypto_aead_xchacha20poly1305_ietf_decrypt(key.m_bytes, nullptr, nullptr, nonce + NonceSize,
                                                   WrappedKeySize - NonceSize, bytesOf(associated), associated.size(),
                                                   nonce, wrappingKey.data()) != 0)
        return std::nullopt;
    return key;
}
