// Opening a diary of 65,535 full entries: header, title, owner and the whole date list, against
// reading the file once from start to end (both with the file in the page cache).
#include "benchdiary.h"

#include "store/cp1251.h"
#include "store/datelist.h"
#include "store/recordfile.h"

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

struct LoadedView {
    QString title;
    QString owner;
    QStringList items;
};

LoadedView loadDiary(const QString& path)
{
    RecordFile file;
    file.open(path);
    const DiaryHeader header = DiaryHeader::fromRecord(file.readHeader());
    return {fromCp1251(header.Title), fromCp1251(header.Owner), dateListItems(file)};
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString path = dir.filePath("bench.qnb");
    std::printf("Writing a diary of %d entries of %d characters...\n", MaxEntries, MaxEntryChars);
    writeBenchDiary(path, MaxEntries);
    const qint64 size = readFileSequentially(path); // also warms the page cache
    std::printf("diary size: %lld bytes\n\n", static_cast<long long>(size));

    const double readMs = bestMilliseconds(5, [&] { readFileSequentially(path); });
    int listed = 0;
    const double loadMs = bestMilliseconds(5, [&] { listed = loadDiary(path).items.size(); });

    const qint64 heapBefore = heapInUse();
    LoadedView view = loadDiary(path);
    const qint64 listBytes = heapInUse() - heapBefore;

    // The texts end up shared by the list box's items: count what the filled list box holds.
    QListWidget list;
    list.setUniformItemSizes(true);
    const double fillMs = bestMilliseconds(1, [&] { list.addItems(view.items); });
    view.items.clear();
    const qint64 widgetBytes = heapInUse() - heapBefore;

    std::printf("entries listed:                              %8d\n", listed);
    std::printf("sequential read of the file:                 %8.1f ms\n", readMs);
    std::printf("load (header, title, owner, date list):      %8.1f ms\n", loadMs);
    printRatio("load / sequential read:", loadMs, readMs, 0.5);
    std::printf("date list texts in memory:                   %8.1f MB\n", listBytes / 1048576.0);
    std::printf("list box filled with them (%6.1f ms):       %8.1f MB (goal < 32 MB: %s)\n", fillMs,
                widgetBytes / 1048576.0, widgetBytes < 32 * 1048576 ? "met" : "NOT met");
    return 0;
}
