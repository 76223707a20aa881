#include "exportnames.h"

namespace
{

constexpr qsizetype MaxExtensionChars = 10;

// From the last "." of the last path component on, the dot included.
qsizetype extensionStart(const QString& name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > name.lastIndexOf(u'/') ? dot : name.size();
}

} // namespace

QString typedExportName(const QString& typed)
{
    const QString name = typed.left(MaxExportNameChars);
    const qsizetype start = extensionStart(name);
    const QString extension = name.mid(start).left(MaxExtensionChars);
    if (extension == u".txt" || extension == u".htm" || extension == u".html")
        return name;
    return name.left(start) + QStringLiteral(".txt");
}

QString browsedExportName(const QString& chosen, int filterChoice)
{
    return chosen.left(MaxExportNameChars) +
           (filterChoice == HtmlFilterChoice ? QStringLiteral(".htm") : QStringLiteral(".txt"));
}

bool writesTextLayout(const QString& fileName)
{
    return fileName.mid(extensionStart(fileName)) == u".txt";
}
