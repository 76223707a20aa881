// How far the draft of what a person types lags behind the typing: the promise is that a crash, a kill or
// a power cut loses no more than the last two seconds typed. Measured at the real main window (offscreen),
// typing into a new entry of a full diary as a person types, a letter every 40 ms with a pause of 1.5 s
// after every 25: for each letter, the time from its typing until a draft that holds it is wholly written.
#include "benchdiary.h"

#include "settings/settingsfile.h"
#include "store/diaryrecord.h"
#include "windows/draftkeeper.h"
#include "windows/mainwindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace
{

constexpr int Letters = 150;

} // namespace

int main(int argc, char** argv)
{
    useOffscreenWindows();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.qnb"));
    std::printf("Writing a diary of %d entries of %d characters...\n", MaxEntries, MaxEntryChars);
    writeBenchDiary(path, MaxEntries);
    QFile settings(settingsFilePath(dir.path()));
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    settings.write("[Options]\nOpenLast=1\n[Directory]\nLastDiary=" + path.toUtf8() + "\n");
    settings.close();

    MainWindow window(dir.path());
    window.show();
    if (!window.document().isOpen())
        return 1;
    named<QToolButton>(&window, QStringLiteral("Badd"))->click();
    auto* textBox = named<QPlainTextEdit>(&window, QStringLiteral("mm"));

    QElapsedTimer clock;
    clock.start();
    std::vector<qint64> typedAt;
    std::vector<qint64> lags; // of each letter, in milliseconds
    QObject::connect(window.findChild<DraftKeeper*>(), &DraftKeeper::kept, [&](qsizetype kept) {
        while (qsizetype(lags.size()) < std::min<qsizetype>(kept, qsizetype(typedAt.size())))
            lags.push_back(clock.elapsed() - typedAt[lags.size()]);
    });
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        QTest::keyClick(textBox, 'a' + char(typedAt.size() % 26));
        typedAt.push_back(clock.elapsed());
        typist.start(typedAt.size() % 25 == 0 ? 1500 : 40);
        if (typedAt.size() == Letters)
            typist.stop();
    });
    typist.start(40);
    while (lags.size() < Letters && clock.elapsed() < 60000)
        QApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);

    std::sort(lags.begin(), lags.end());
    if (lags.size() < Letters) {
        std::printf("only %zu of %d letters reached the draft\n", lags.size(), Letters);
        return 1;
    }
    std::printf("letters typed:                                %8d\n", Letters);
    std::printf("typed to kept, median:                        %8lld ms\n", static_cast<long long>(lags[Letters / 2]));
    std::printf("typed to kept, worst:                         %8lld ms\n", static_cast<long long>(lags.back()));
    printRatio("worst / two seconds:", double(lags.back()), 2000.0, 1.0);
    return 0;
}
