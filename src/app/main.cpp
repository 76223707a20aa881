#include "settings/settingsfile.h"
#include "windows/aboutwindow.h"
#include "windows/exportwindow.h"
#include "windows/importwindow.h"
#include "windows/mainwindow.h"
#include "windows/newdiarywindow.h"
#include "windows/quitsignals.h"
#include "windows/settingswindow.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Only the name: a display name would be appended to every window title on some desktops.
    QApplication::setApplicationName(QStringLiteral("Quillnest"));

    // The program speaks Russian whatever the desktop's language, the standard buttons included.
    QTranslator qtTranslator;
    if (qtTranslator.load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);

    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quillnest-%1.png").arg(size));
    QApplication::setWindowIcon(icon);

    // Beside the program, unless it was installed where the person may not write: Settings.ini in a folder of the
    // program's own, new diaries where the person sees them.
    const QString dataDir = programDataDir(QCoreApplication::applicationDirPath());
    const QString diaries = diariesDir(QCoreApplication::applicationDirPath());
    // The main window first: its creation may already open a diary. The other windows are made once
    // and stand over it.
    MainWindow mainWindow(dataDir, diaries, backupsRoot());
    mainWindow.setNewDiaryWindow(new NewDiaryWindow(diaries, &mainWindow));
    mainWindow.setSettingsWindow(new SettingsWindow(mainWindow.settingsPath(), &mainWindow));
    mainWindow.setAboutWindow(new AboutWindow(&mainWindow));
    mainWindow.setExportWindow(new ExportWindow(mainWindow.document(), &mainWindow));
    mainWindow.setImportWindow(new ImportWindow(mainWindow.document(), diaries, &mainWindow));
    // A shutdown or a closed terminal keeps what is being written, as its draft.
    QuitSignals quitSignals;
    QObject::connect(&quitSignals, &QuitSignals::received, &mainWindow, &MainWindow::leaveKeepingDraft);
    mainWindow.show();
    // A diary named on the command line, as a file manager's "Open with" passes it.
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() > 1)
        mainWindow.openDiary(QFileInfo(arguments[1]).absoluteFilePath().left(MaxPathLength));
    return QApplication::exec();
}
