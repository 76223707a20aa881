// Changes the diary named on the command line at random until it is killed: adds, changes and deletes
// entries, sets, changes and removes its password, imports entries of the old diary "s.drb" beside it,
// exports it to "out.txt" and imports the old diary into a new one, "n.qnb". Before each step it says
// on standard output which step it takes and what the diary will hold once it is done ("next <step>
// <digest>"), and after it what the diary holds ("done <digest>"); the crash loop test checks the
// diary and the files beside it against these. Children of odd seeds replace files as on a file system
// that cannot exchange names.

#include "crashloop.h"
#include "import/importentries.h"
#include "import/olddiary.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <unistd.h>

namespace
{

void say(const QByteArray& what)
{
    const QByteArray line = what + '\n';
    (void)::write(STDOUT_FILENO, line.constData(), size_t(line.size()));
}

// The texts the diary will hold once `selection` of `source` is imported: the same import, made on a
// copy of it in a folder of its own.
QStringList importedInto(const QString& path, const OldDiarySource& source, const ImportSelection& selection)
{
    const QTemporaryDir scratch(QFileInfo(path).dir().filePath(QStringLiteral("scratch-XXXXXX")));
    const QString copy = scratch.filePath(QStringLiteral("c.qnb"));
    QFile::copy(path, copy);
    DiaryDocument copied;
    copied.open(copy, testfiles::knowingThePassword());
    copied.importEntries(source, selection);
    return testfiles::entryTexts(copy);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QDir folder = QFileInfo(path).dir();
    DiaryDocument diary;
    if (!diary.open(path, testfiles::knowingThePassword()))
        return 2;
    OldDiarySource source;
    if (source.recognise(folder.filePath(QStringLiteral("s.drb"))) != OldDiarySource::Outcome::Recognised)
        return 2;
    QString password = testfiles::storedPassword(path);
    QStringList texts = testfiles::entryTexts(path);
    say("done " + crashloop::digest(password, texts));

    // Every other child writes as on a file system that cannot exchange names.
    if (QByteArray(argv[2]).toUInt() % 2)
        setReplaceFaultHook([](ReplaceStep step) {
            if (step == ReplaceStep::Exchange)
                throw ExchangeRefused();
        });
    QRandomGenerator random(QByteArray(argv[2]).toUInt());
    const QStringList passwords{QString(), QStringLiteral("пароль"), QStringLiteral("ключ")};
    for (int serial = 0;; ++serial) {
        // Texts of up to 4000 characters fill several pages of a record: a torn one shows.
        const QString text = QStringLiteral("%1.%2 ").arg(argv[2]).arg(serial) +
                             QString(int(random.bounded(4000)), QChar(0x430 + serial % 32));
        const int step = texts.size() < 3    ? 0
                         : texts.size() > 30 ? 2
                                             : int(random.bounded(qsizetype(crashloop::Steps.size())));
        const int row = texts.isEmpty() ? 0 : int(random.bounded(qsizetype(texts.size())));
        QString nextPassword = password;
        QStringList next = texts;
        ImportSelection selection{ImportChoice::Picked, std::vector<bool>(5)};
        if (step == 0) {
            next << text;
        } else if (step == 1) {
            next[row] = text;
        } else if (step == 2) {
            next.removeAt(row);
        } else if (step == 3) {
            while (nextPassword == password)
                nextPassword = passwords[random.bounded(3)];
        } else if (step == 4) {
            selection.picked[size_t(random.bounded(5))] = true;
            selection.picked[size_t(random.bounded(5))] = true;
            next = importedInto(path, source, selection);
        }
        say("next " + crashloop::Steps[step].toUtf8() + ' ' + crashloop::digest(nextPassword, next));
        if (step == 0) {
            diary.add(text);
        } else if (step <= 2) {
            diary.viewEntry(row);
            step == 1 ? diary.change(text) : diary.deleteViewedEntry();
        } else if (step == 3) {
            diary.rekey(nextPassword.isEmpty() ? QByteArray() : toCp1251(nextPassword));
        } else if (step == 4) {
            diary.importEntries(source, selection);
        } else if (step == 5) {
            diary.exportEntries({true, {}}, folder.filePath(QStringLiteral("out.txt")), ExportLayout::Text);
        } else {
            QFile::remove(folder.filePath(QStringLiteral("n.qnb")));
            importIntoNewDiary(source, {}, folder.filePath(QStringLiteral("n.qnb")), {}, {});
        }
        texts = next;
        password = nextPassword;
        say("done " + crashloop::digest(password, texts));
    }
}
