#pragma once

#include "document/diarydocument.h"
#include "testfiles.h"

namespace testfiles
{

// The passphrases of the encrypted diaries the tests make.
inline const QStringList KnownPassphrases{QStringLiteral("пароль"), QStringLiteral("ключ"), QStringLiteral("тайна")};

// Opens a diary with the password its header holds, or an encrypted one with its passphrase, as a person who knows
// it does.
inline PasswordAsker knowingThePassword()
{
    return [](const QString& path, const PasswordCheck& check) {
        if (check(storedPassword(path)))
            return;
        for (const QString& passphrase : KnownPassphrases)
            if (check(passphrase))
                return;
    };
}

} // namespace testfiles
