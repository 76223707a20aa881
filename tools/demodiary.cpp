// Writes a small diary for the README's picture: demodiary <path>.

#include "store/cp1251.h"
#include "store/diaryedit.h"
#include "store/entrycodec.h"
#include "store/rebuild.h"
#include "store/recordfile.h"
#include "store/scramble.h"
#include "store/stamp.h"

#include <QDateTime>

int main(int argc, char** argv)
{
    if (argc != 2)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    DiaryHeader header;
    header.created = dateTimeToStamp(QDateTime({2026, 1, 3}, {9, 30}));
    header.title = toCp1251(u"Мой дневник");
    header.owner = toCp1251(u"Анна");
    createDiaryFile(path, header.toRecord(), true);
    RecordFile file;
    file.open(path);
    const QStringList texts{u"Сегодня начала вести дневник. Посмотрим, надолго ли хватит терпения."_qs,
                            u"Ходили с Машей в парк, кормили уток. Вечером читала \"Мастера и Маргариту\"."_qs,
                            u"На работе сдали проект! Завтра отдыхаю.\r\nКупить: хлеб, молоко, яблоки."_qs,
                            u"Первый снег. Город тихий и белый."_qs, u"Позвонить бабушке в воскресенье."_qs};
    DiaryRecord buffer;
    for (int i = 0; i < texts.size(); ++i)
        appendEntry(file, toCp1251(texts[i]), ScrambledText(FixedKey),
                    dateTimeToStamp(QDateTime({2026, 1, 3 + i * 4}, {20 + i % 3, 15 + i * 7, 4 * i})), buffer);
    return 0;
}
