#pragma once

#include "secretkey.h"

#include <QByteArray>
#include <QByteArrayView>

// What turns a passphrase into a key besides the passphrase: a salt of the diary's own, so that a guess tried
// against one diary is no use against another, and Argon2id's cost, the passes over memory (opsLimit) and the
// memory itself in bytes (memLimit). A diary keeps all three beside its wrapped key, so that the same passphrase
// gives the same key on any computer, whatever the computer that chose the cost.
struct KeyDerivation {
    QByteArray salt;
    quint64 opsLimit;
    quint64 memLimit;

    // The given cost with a new random salt.
    static KeyDerivation fresh(quint64 opsLimit, quint64 memLimit);
};

// The key of a passphrase, by Argon2id. Throws QuillnestError when it cannot be worked out: for want of the memory
// the cost asks for, for a cost libsodium refuses, or for a salt that is not libsodium's length.
SecretKey deriveKey(QByteArrayView passphrase, const KeyDerivation& derivation);

// The cost for a new passphrase on this computer: about targetSeconds for one derivation, never less than
// libsodium's INTERACTIVE limits however slow the computer. Takes a few derivations' time itself.
KeyDerivation calibrated(double targetSeconds = 0.5);
