#include "benchdiary.h"

#include "store/diaryrecord.h"
#include "store/entrytext.h"
#include "store/rebuild.h"
#include "store/recordfile.h"
#include "store/scramble.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <vector>

QByteArray benchEntryText(int i)
{
    QByteArray text(MaxEntryChars, ' ');
    quint32 state = 2654435761u * quint32(i + 1);
    for (int j = 0; j < text.size(); ++j) {
        state = state * 1664525u + 1013904223u;
        const quint32 r = state >> 24;
        if (j % 80 == 78) {
            text[j] = '\r';
            text[++j] = '\n';
        } else if (r % 7 != 0) {
            text[j] = char('a' + r % 26);
        }
    }
    if (i % 97 == 0)
        text.replace(1000, 9, "quillnest");
    return text;
}

void writeBenchDiary(const QString& path, int entries, qsizetype textChars)
{
    DiaryHeader header;
    header.created = 46000.5;
    header.title = "Benchmark";
    header.owner = "Bench";
    createDiaryFile(path, header.toRecord(), true);

    rebuildDiary(path, [&](RecordSink& sink) {
        sink.put(header.toRecord());
        DiaryRecord record;
        for (int i = 0; i < entries; ++i) {
            record.setStamp(46000.0 + i / 1440.0);
            cutTextIntoLines(record, benchEntryText(i).left(textChars), FixedKey);
            sink.put(record);
        }
    });
}

QString benchFolderTemplate(int argc, char** argv)
{
    return argc > 1 ? QDir(QString::fromLocal8Bit(argv[1])).filePath(QStringLiteral("bench-XXXXXX"))
                    : QDir::tempPath() + QStringLiteral("/bench-XXXXXX");
}

qint64 readFileSequentially(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    std::vector<char> block(1 << 20);
    qint64 total = 0;
    for (;;) {
        const qint64 got = file.read(block.data(), qint64(block.size()));
        if (got <= 0)
            break;
        total += got;
    }
    return total;
}

double millisecondsOf(const std::function<void()>& work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double bestMilliseconds(int runs, const std::function<void()>& work)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i)
        best = std::min(best, millisecondsOf(work));
    return best;
}

void shell(const QString& command)
{
    if (std::system(command.toLocal8Bit().constData()) != 0)
        std::printf("(%s failed)\n", qPrintable(command));
}

qint64 heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

void printRatio(const char* what, double measured, double reference, double goal)
{
    const double ratio = measured / reference;
    std::printf("%-44s %8.3f  (goal <= %.2f: %s)\n", what, ratio, goal, ratio <= goal ? "met" : "NOT met");
}

void useOffscreenWindows()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

namespace
{

// Notes when a message box shows, and closes it once its own event loop runs.
class MessageCatcher : public QObject
{
public:
    std::chrono::steady_clock::time_point shownAt;
    QString text;
    bool shown = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (event->type() == QEvent::Show && box && !shown) {
            shownAt = std::chrono::steady_clock::now();
            shown = true;
            text = box->text();
            QTimer::singleShot(0, box, &QMessageBox::accept);
        }
        return false;
    }
};

} // namespace

double clickToMessage(QAbstractButton* button, QString* message)
{
    MessageCatcher catcher;
    qApp->installEventFilter(&catcher);
    const auto start = std::chrono::steady_clock::now();
    button->click();
    const auto end = catcher.shown ? catcher.shownAt : std::chrono::steady_clock::now();
    qApp->removeEventFilter(&catcher);
    if (message)
        *message = catcher.text;
    return std::chrono::duration<double, std::milli>(end - start).count();
}
