// Opening a diary of 65,535 full entries up to its date list shown, against reading the file once from
// start to end (both with the file in the page cache), and what the shown list costs in memory.
#include "benchdiary.h"

#include "store/datelistmodel.h"
#include "store/diarydocument.h"

#include <QApplication>
#include <QListView>
#include <QTemporaryDir>

#include <cstdio>

namespace
{

// A view the size of the main window's date list, painted once, as it is when the window shows it.
void openAndShow(DiaryDocument& document, QListView& list, const QString& path)
{
    document.close();
    document.open(path, [](const QString&, const RecordFile&) { return std::nullopt; });
    list.grab();
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

    DiaryDocument document;
    QListView list;
    list.resize(129, 289);
    list.setUniformItemSizes(true);
    list.setModel(document.listModel());

    const double readMs = bestMilliseconds(5, [&] { readFileSequentially(path); });
    const double openMs = bestMilliseconds(5, [&] { openAndShow(document, list, path); });

    document.close();
    list.grab();
    const qint64 heapBefore = heapInUse();
    openAndShow(document, list, path);
    const qint64 listBytes = heapInUse() - heapBefore;

    std::printf("entries listed:                              %8d\n", document.listModel()->rowCount());
    std::printf("sequential read of the file:                 %8.2f ms\n", readMs);
    std::printf("open (header, count, list shown):            %8.2f ms\n", openMs);
    printRatio("open / sequential read:", openMs, readMs, 0.05);
    std::printf("memory of the open diary with its list shown: %7.3f MB (goal < 1 MB: %s)\n", listBytes / 1048576.0,
                listBytes < 1048576 ? "met" : "NOT met");
    return 0;
}
