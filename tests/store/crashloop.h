#pragma once

#include <QCryptographicHash>
#include <QStringList>

namespace crashloop
{

// What a diary holds, as the crash loop compares it: the texts of its entries in file order.
inline QByteArray digest(const QStringList& texts)
{
    return QCryptographicHash::hash(texts.join(QChar(0)).toUtf8(), QCryptographicHash::Sha1).toHex();
}

} // namespace crashloop
