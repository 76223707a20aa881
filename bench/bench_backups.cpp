// What dated copies cost the person, on a diary of 65,535 entries: deleting with a copy kept (the replaced
// file given a second name) against deleting without one, and the first add of a day (the diary cloned or
// copied first) against a later add, set beside cp. No copy is flushed while the person waits. At the main
// window, offscreen: "Удалить" clicked with and without a copy kept, and the copies window listing 30 copies.
// bench_backups [folder]: the diary and its copies go there; on a file system with reflinks (Btrfs, XFS) the
// copy is a clone.
#include "benchdiary.h"

#include "document/diarydocument.h"
#include "settings/settingsfile.h"
#include "store/backupshelf.h"
#include "store/diaryrecord.h"
#include "windows/mainwindow.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <QTest>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace
{

constexpr int Runs = 5;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A clock the benchmark moves on a day at a time, so that each run's first change makes a copy.
struct BenchClock {
    QDateTime now = QDateTime(QDate(2030, 1, 1), QTime(9, 0));
    BackupKeeper::Clock reader()
    {
        return [this] { return now; };
    }
};

// The file a delete without a copy lets go has its blocks freed in the background for a while: the next run waits
// for that, so that neither run pays for the other.
void settleDisk(const QString& path)
{
    ::sync();
    QThread::sleep(1);
    readFileSequentially(path);
}

double deleteMiddleEntry(DiaryDocument& document, const QString& path)
{
    document.viewEntry(int(document.view().entryCount() / 2));
    settleDisk(path);
    return millisecondsOf([&] { document.deleteViewedEntry(); });
}

void compareDeleting(const QString& path, const QString& root)
{
    BenchClock clock;
    DiaryDocument document;
    document.setBackupClock(clock.reader());
    document.open(path, {});
    double without = 1e300;
    double with = 1e300;
    for (int i = 0; i < Runs; ++i) {
        document.setBackupPlace({}, {});
        without = std::min(without, deleteMiddleEntry(document, path));
        document.setBackupPlace(root, {true, 7});
        clock.now = clock.now.addDays(1);
        with = std::min(with, deleteMiddleEntry(document, path));
        document.waitForBackups();
    }
    std::printf("delete the middle entry, no copy (best of %d):   %8.1f ms\n", Runs, without);
    std::printf("delete the middle entry, copy kept (best of %d): %8.1f ms\n", Runs, with);
    printRatio("with copy / without:", with, without, 1.1);
}

void compareAdding(const QString& path, const QString& root, bool reflinks)
{
    BenchClock clock;
    DiaryDocument document;
    document.setBackupClock(clock.reader());
    document.setBackupPlace(root, {true, 7});
    document.open(path, {});
    const QByteArray text(MaxEntryChars, 'q');
    const QString copy = QFileInfo(path).dir().filePath(QStringLiteral("cp.qnb"));
    const QString command = QStringLiteral("cp '%1' '%2'").arg(path, copy);
    std::vector<double> first, later, cp;
    for (int i = 0; i < Runs; ++i) {
        clock.now = clock.now.addDays(1);
        readFileSequentially(path);
        first.push_back(millisecondsOf([&] { document.add(QString::fromLatin1(text)); }));
        document.waitForBackups();
        later.push_back(millisecondsOf([&] { document.add(QString::fromLatin1(text)); }));
        cp.push_back(millisecondsOf([&] { shell(command); }));
        QFile::remove(copy);
    }
    const double extra = median(first) - median(later);
    std::printf("first add of a day (median of %d):               %8.1f ms\n", Runs, median(first));
    std::printf("later add (median of %d):                        %8.2f ms\n", Runs, median(later));
    std::printf("cp diary copy (median of %d):                    %8.1f ms\n", Runs, median(cp));
    if (reflinks)
        std::printf("%-44s %8.2f ms  (goal <= 5 ms with reflinks: %s)\n", "first add - later add:", extra,
                    extra <= 5 ? "met" : "NOT met");
    else
        printRatio("(first add - later add) / cp:", extra, median(cp), 1.0);
}

// At the main window, from the click on "Удалить" with the middle entry on view until the list has lost its row.
double deleteAtWindow(MainWindow& window, const QString& path)
{
    auto* list = named<QAbstractItemView>(&window, QStringLiteral("LBdate"));
    auto* remove = named<QAbstractButton>(&window, QStringLiteral("Bdel"));
    list->setCurrentIndex(list->model()->index(list->model()->rowCount() / 2, 0));
    QTest::keyClick(list, Qt::Key_Return);
    if (!remove->isEnabled())
        std::printf("the entry is not on view\n");
    settleDisk(path);
    return millisecondsOf([&] { remove->click(); });
}

// From "Файл → Резервные копии…" until the list of 30 copies (second names of the diary, as large) is shown.
double listCopiesAtWindow(MainWindow& window, const QString& path, const QString& root)
{
    const QString folder = BackupShelf(root, path).folder();
    for (int i = 0; i < 30; ++i) {
        const QString name = QDateTime(QDate(2020, 1, 1).addDays(i), QTime(8, 0)).toString("/yyyy-MM-dd_HH-mm-ss");
        if (::link(QFile::encodeName(path).constData(), QFile::encodeName(folder + name + ".qnb").constData()) != 0)
            std::printf("no copy %d\n", i);
    }
    auto* command = named<QAction>(&window, QStringLiteral("actionBackups"));
    return bestMilliseconds(Runs, [&] {
        command->trigger();
        QWidget* copies = named<QWidget>(&window, QStringLiteral("backups"));
        copies->close();
    });
}

void atTheWindow(const QString& path, const QString& root, const QString& dataDir)
{
    QFile settings(settingsFilePath(dataDir));
    if (!settings.open(QIODevice::WriteOnly) || settings.write("[Options]\nEditing=1\n") < 0)
        std::abort();
    settings.close();
    BenchClock clock;
    MainWindow window(dataDir, {}, root);
    window.document().setBackupClock(clock.reader());
    window.show();
    window.openDiary(path);
    double without = 1e300;
    double with = 1e300;
    for (int i = 0; i < Runs; ++i) {
        window.document().setBackupPlace({}, {});
        without = std::min(without, deleteAtWindow(window, path));
        window.document().setBackupPlace(root, {true, 7});
        clock.now = clock.now.addDays(1);
        with = std::min(with, deleteAtWindow(window, path));
        window.document().waitForBackups();
    }
    std::printf("at the window: delete, no copy (best of %d):      %8.1f ms\n", Runs, without);
    std::printf("at the window: delete, copy kept (best of %d):    %8.1f ms\n", Runs, with);
    printRatio("window, with copy / without:", with, without, 1.1);
    const double listing = listCopiesAtWindow(window, path, root);
    std::printf("%-44s %8.2f ms  (goal <= 100 ms: %s)\n", "copies window, 30 copies:", listing,
                listing <= 100 ? "met" : "NOT met");
}

bool takesReflinks(const QString& folder)
{
    const QString probe = QDir(folder).filePath(QStringLiteral("probe"));
    QFile(probe).open(QIODevice::WriteOnly);
    const bool clones =
        std::system(qPrintable(QStringLiteral("cp --reflink=always '%1' '%1.clone' 2>/dev/null").arg(probe))) == 0;
    QFile::remove(probe);
    QFile::remove(probe + QStringLiteral(".clone"));
    return clones;
}

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    QTemporaryDir dir(benchFolderTemplate(argc, argv));
    const QString path = dir.filePath(QStringLiteral("large.qnb"));
    const QString root = dir.filePath(QStringLiteral("backups"));
    const bool reflinks = takesReflinks(dir.path());
    std::printf("Writing a diary of %d entries of %d characters in %s (reflinks: %s)...\n", MaxEntries - 1,
                MaxEntryChars, qPrintable(dir.path()), reflinks ? "yes" : "no");
    writeBenchDiary(path, MaxEntries - 1);
    compareDeleting(path, root);
    compareAdding(path, root, reflinks);
    const QString dataDir = dir.filePath(QStringLiteral("data"));
    QDir().mkpath(dataDir);
    atTheWindow(path, root, dataDir);
    return 0;
}
