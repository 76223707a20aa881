// Changes the diary named on the command line at random until it is killed. Before each step it says
// on standard output what the diary will hold once the step is done ("next <digest>"), and after it
// what the diary holds ("done <digest>"); the crash loop test checks the diary against these.

#include "crashloop.h"
#include "store/diarydocument.h"
#include "testfiles.h"

#include <QRandomGenerator>

#include <unistd.h>

namespace
{

void say(const char* what, const QStringList& texts)
{
    const QByteArray line = what + (' ' + crashloop::digest(texts)) + '\n';
    (void)::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    DiaryDocument diary;
    if (!diary.open(QString::fromLocal8Bit(argv[1]), {}))
        return 2;
    QStringList texts = testfiles::entryTexts(diary.view().path());
    say("done", texts);

    QRandomGenerator random(QByteArray(argv[2]).toUInt());
    for (int serial = 0;; ++serial) {
        // Texts of up to 4000 characters fill several pages of a record: a torn one shows.
        const QString text = QStringLiteral("%1.%2 ").arg(argv[2]).arg(serial) +
                             QString(int(random.bounded(4000)), QChar(0x430 + serial % 32));
        const int step = texts.size() < 3 ? 0 : texts.size() > 30 ? 2 : int(random.bounded(3));
        const int row = texts.isEmpty() ? 0 : int(random.bounded(qsizetype(texts.size())));
        QStringList next = texts;
        if (step == 0)
            next << text;
        else if (step == 1)
            next[row] = text;
        else
            next.removeAt(row);
        say("next", next);
        if (step == 0) {
            diary.add(text);
        } else {
            diary.viewEntry(row);
            step == 1 ? diary.change(text) : diary.deleteViewedEntry();
        }
        texts = next;
        say("done", texts);
    }
}
