#pragma once

#include "diaryrecord.h"

#include <QByteArray>
#include <QByteArrayView>

// What tells an encrypted diary's header (crypto/sealedheader.h) to any reader of diary files, also one that cannot
// decrypt it: a stored password no keyboard can type, and a magic behind the header's text fields.
namespace sealedmark
{

constexpr QByteArrayView Magic = "QNSEAL01";
constexpr int MagicAt = 776;

// The header's password field: byte 0 ends a typed text before it gets there, and 0x98 is no character of
// Windows-1251.
const QByteArray& passwordMark();

// Whether `record` is an encrypted diary's header: by its password mark or by its magic, so that damage to either
// still tells an encrypted diary, never one whose password is unknown.
bool marks(const DiaryRecord& record);

} // namespace sealedmark
