#pragma once

#include <QByteArrayView>

#include <optional>

struct KeyDerivation;

// A key of 32 bytes for XChaCha20-Poly1305, kept apart from the rest of the program's memory: libsodium puts it
// between guard pages, so that an overrun next to it stops the program instead of reading it, and locks it out
// of swap and core dumps where the system allows. It is never copied, only moved, so there is one copy to wipe,
// which the destructor does. A key moved from is null and holds nothing.
class SecretKey
{
public:
    static constexpr int Size = 32;

    // A new key from the system's randomness, for a new diary's data.
    static SecretKey random();

    SecretKey(SecretKey&& other) noexcept;
    SecretKey& operator=(SecretKey&& other) noexcept;
    SecretKey(const SecretKey&) = delete;
    SecretKey& operator=(const SecretKey&) = delete;
    ~SecretKey();

    // Size bytes, or nullptr for a null key.
    const unsigned char* data() const { return m_bytes; }
    bool isNull() const { return !m_bytes; }

private:
    SecretKey() = default;
    // Guarded memory for a key, which the caller fills whole; throws QuillnestError when the system has no memory
    // left to give.
    static SecretKey allocate();
    void release() noexcept;

    unsigned char* m_bytes = nullptr;

    // Only these make keys of given bytes, and they write them straight into guarded memory.
    friend SecretKey deriveKey(QByteArrayView passphrase, const KeyDerivation& derivation);
    friend std::optional<SecretKey> unwrapKey(QByteArrayView wrapped, const SecretKey& wrappingKey,
                                              QByteArrayView associated);
};
