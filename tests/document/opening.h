#pragma once

#include "document/diarydocument.h"
#include "testfiles.h"

namespace testfiles
{

// Opens a diary with the password its header holds, as a person who knows it does.
inline PasswordAsker knowingThePassword()
{
    return [](const QString& path, const PasswordCheck& check) { check(storedPassword(path)); };
}

} // namespace testfiles
