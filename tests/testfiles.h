#pragma once

#include "store/error.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <exception>

// Small file and error helpers shared by the test suites.
namespace testfiles
{

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void writeFileBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// The text of the error that `action` throws, or "no error".
template <typename Action> QString errorText(Action action)
{
    try {
        action();
    } catch (const QuillnestError& error) {
        return error.text();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    }
    return QStringLiteral("no error");
}

} // namespace testfiles
