#include "sodiumglue.h"

#include "store/error.h"

#include <sodium.h>

void ensureSodium()
{
    // A function's static is set up by the first thread while the others wait. sodium_init() returns 1 when the
    // library was already started, which is as good as 0.
    static const bool started = sodium_init() >= 0;
    if (!started)
        throw QuillnestError(QStringLiteral("Шифрование недоступно: библиотека libsodium не запустилась"));
}

void wipe(QByteArray& bytes)
{
    if (bytes.isDetached())
        sodium_memzero(bytes.data(), bytes.size());
    bytes.clear();
}

void wipe(QString& text)
{
    if (text.isDetached())
        sodium_memzero(text.data(), text.size() * sizeof(QChar));
    text.clear();
}
