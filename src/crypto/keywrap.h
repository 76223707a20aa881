#pragma once

#include "secretkey.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// A diary's records are sealed under a random data key, and only that key is sealed under the passphrase's: a new
// passphrase wraps the one key again instead of sealing every record anew.

// nonce (24) ‖ the data key encrypted (32) ‖ tag (16), as sealing lays out any bytes.
constexpr int WrappedKeySize = 24 + SecretKey::Size + 16;

// The data key sealed under the wrapping key; `associated` ties it to its diary, as it does for records.
QByteArray wrapKey(const SecretKey& dataKey, const SecretKey& wrappingKey, QByteArrayView associated);

// The data key again, or nullopt when the wrapped key does not authenticate. A wrong passphrase and a damaged
// header look the same here; the caller tells them apart by other means.
std::optional<SecretKey> unwrapKey(QByteArrayView wrapped, const SecretKey& wrappingKey, QByteArrayView associated);
