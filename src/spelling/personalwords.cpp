#include "personalwords.h"

#include "store/error.h"
#include "store/privatefile.h"
#include "store/replacement.h"

namespace
{

const QByteArray Utf8Bom = QByteArrayLiteral("\xEF\xBB\xBF");

QStringList wordsOf(QByteArray data)
{
    if (data.startsWith(Utf8Bom))
        data.remove(0, Utf8Bom.size());
    QStringList words;
    for (const QByteArray& line : data.split('\n')) {
        const QString word = QString::fromUtf8(line).trimmed();
        if (!word.isEmpty())
            words << word;
    }
    return words;
}

QByteArray dataOf(const QStringList& words)
{
    QByteArray data;
    for (const QString& word : words)
        data += word.toUtf8() + '\n';
    return data;
}

} // namespace

namespace personalwords
{

QString pathIn(const QString& dataDir)
{
    return dataDir.isEmpty() ? QString() : dataDir + QLatin1Char('/') + FileName;
}

QStringList read(const QString& path)
{
    if (path.isEmpty())
        return {};
    // A replacement cut short leaves the list under another name until it is put back.
    recoverSetAside(path);
    try {
        return wordsOf(privatefile::readForChange(path).data);
    } catch (const QuillnestError&) {
        return {};
    }
}

void add(const QString& path, const QString& word)
{
    if (path.isEmpty())
        throw QuillnestError(QStringLiteral("no home folder is known (HOME)"));
    const PrivateFileContents read = privatefile::readForChange(path);
    QStringList words = wordsOf(read.data);
    if (words.contains(word))
        return;
    words << word;
    privatefile::write(path, dataOf(words), read);
}

} // namespace personalwords
