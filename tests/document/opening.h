#pragma once

#include "document/diarydocument.h"
#include "testfiles.h"

namespace testfiles
{

// Opens a diary with the password its header holds, as a person who knows it does.
inline PasswordAsker knowingThePassword()
{
    return [](const QString&, const RecordFile& probe) { return std::optional(storedKey(probe)); };
}

} // namespace testfiles
