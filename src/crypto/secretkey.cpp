#include "secretkey.h"

#include "sodiumglue.h"
#include "store/error.h"

#include <sodium.h>

#include <utility>

static_assert(SecretKey::Size == crypto_aead_xchacha20poly1305_ietf_KEYBYTES);

SecretKey SecretKey::allocate()
{
    ensureSodium();
    SecretKey key;
    key.m_bytes = static_cast<unsigned char*>(sodium_malloc(Size));
    if (!key.m_bytes)
        throw QuillnestError(QStringLiteral("Недостаточно памяти для ключа шифрования"));
    return key;
}

SecretKey SecretKey::random()
{
    SecretKey key = allocate();
    crypto_aead_xchacha20poly1305_ietf_keygen(key.m_bytes);
    return key;
}

SecretKey::SecretKey(SecretKey&& other) noexcept : m_bytes(std::exchange(other.m_bytes, nullptr)) {}

SecretKey& SecretKey::operator=(SecretKey&& other) noexcept
{
    if (this != &other) {
        release();
        m_bytes = std::exchange(other.m_bytes, nullptr);
    }
    return *this;
}

SecretKey::~SecretKey()
{
    release();
}

void SecretKey::release() noexcept
{
    // sodium_free overwrites the key with zeros before it gives the pages back.
    if (m_bytes)
        sodium_free(m_bytes);
    m_bytes = nullptr;
}
