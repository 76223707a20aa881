#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

class SecretKey;

// What sealing adds to the plain bytes: the nonce in front (24 bytes) and the authentication tag behind (16).
constexpr int SealOverhead = 24 + 16;

// `plain` encrypted and authenticated with XChaCha20-Poly1305 under `key`: nonce ‖ ciphertext ‖ tag. The nonce is
// new and random each time: XChaCha's 24 bytes are long enough for random nonces never to meet under one key, so
// the diary keeps no counter, which a crash could set back. `associated` is authenticated but not stored: it names
// the place the sealed bytes belong to (the diary and the record), so that they do not open anywhere else.
QByteArray seal(QByteArrayView plain, const SecretKey& key, QByteArrayView associated);

// The plain bytes, or nullopt when `sealed` is too short or does not authenticate under `key` and `associated`:
// changed, damaged, moved from another place or sealed under another key. Nothing unauthenticated comes out.
std::optional<QByteArray> openSealed(QByteArrayView sealed, const SecretKey& key, QByteArrayView associated);
