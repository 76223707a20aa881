// Prints the entries of a diary without a password, one a line, as "dd.MM.yyyy hh:mm:ss<TAB>text" in UTF-8 with
// each line break as "\n": diarytexts <path>. It reads the bytes alone and takes no lock, so it reads a diary
// that the program holds open, as the keyboard test needs.

#include "store/cp1251.h"
#include "store/entrytext.h"
#include "store/scramble.h"
#include "store/stamp.h"

#include <QFile>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    QFile file(QString::fromLocal8Bit(argc == 2 ? argv[1] : ""));
    if (argc != 2 || !file.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray bytes = file.readAll();
    for (qsizetype at = RecordSize; at + RecordSize <= bytes.size(); at += RecordSize) {
        DiaryRecord record;
        std::memcpy(record.data(), bytes.constData() + at, RecordSize);
        const QString text = fromCp1251(joinLines(record, FixedKey)).replace(QStringLiteral("\r\n"), "\\n");
        const QString line = stampToDateTime(record.stamp()).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
        std::printf("%s\t%s\n", line.toUtf8().constData(), text.toUtf8().constData());
    }
    return 0;
}
