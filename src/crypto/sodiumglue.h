#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// The glue between this floor and libsodium.

// Starts libsodium once for the whole program, from whichever thread asks first. Every function of this floor
// calls it before it touches libsodium, so that no caller has to remember to. Throws QuillnestError when the
// library cannot start (it found no source of randomness): nothing may be encrypted then.
void ensureSodium();

// Overwrites a passphrase or another secret that had to pass through an ordinary Qt container, then empties it.
// Only storage the container holds alone is overwritten: writing into shared storage would first detach it and
// wipe a fresh copy, leaving the old bytes where they were, and storage of raw data may not even be writable.
// Such a container is only emptied.
void wipe(QByteArray& bytes);
void wipe(QString& text);

// Qt's bytes are char, libsodium's unsigned char.
inline const unsigned char* bytesOf(QByteArrayView bytes)
{
    return reinterpret_cast<const unsigned char*>(bytes.data());
}
