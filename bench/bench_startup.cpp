// Opening a diary of 65,535 full entries up to its date list shown, against reading the file once from
// start to end (both with the file in the page cache), and what the shown list costs in memory.
#include "benchdiary.h"

#include "document/datelistmodel.h"
#include "document/diarydocument.h"
#include "windows/datelistview.h"

#include <QApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace
{

// A view like the main window's date list, of its size.
std::unique_ptr<DateListView> makeList(DiaryDocument& document)
{
    auto list = std::make_unique<DateListView>();
    list->resize(129, 289);
    list->setModel(document.listModel());
    return list;
}

// Painted once, as it is when the window shows it.
void openAndShow(DiaryDocument& document, DateListView& list, const QString& path)
{
    document.close();
    document.open(path, {});
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
    const std::unique_ptr<DateListView> list = makeList(document);
    const double readMs = bestMilliseconds(5, [&] { readFileSequentially(path); });
    const double openMs = bestMilliseconds(20, [&] { openAndShow(document, *list, path); });

    const int listed = document.listModel()->rowCount();
    document.close(); // the diary is open in one document at a time

    // A document and a list of their own, shown empty first, so that neither the widget itself nor
    // anything left from the runs above is counted.
    DiaryDocument freshDocument;
    const std::unique_ptr<DateListView> freshList = makeList(freshDocument);
    freshList->grab();
    const qint64 heapBefore = heapInUse();
    openAndShow(freshDocument, *freshList, path);
    const qint64 listBytes = heapInUse() - heapBefore;

    std::printf("entries listed:                              %8d\n", listed);
    std::printf("sequential read of the file:                 %8.2f ms\n", readMs);
    std::printf("open (header, count, list shown):            %8.3f ms\n", openMs);
    printRatio("open / sequential read:", openMs, readMs, 0.05);
    std::printf("the open diary's list, shown:                %8.3f MB (goal < 1 MB: %s)\n", listBytes / 1048576.0,
                listBytes < 1048576 ? "met" : "NOT met");
    return 0;
}
