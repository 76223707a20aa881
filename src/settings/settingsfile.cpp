#include "settingsfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Keys = SettingsKeys;

namespace
{

bool mayWriteIn(const QString& dir)
{
    return ::faccessat(AT_FDCWD, QFile::encodeName(dir).constData(), W_OK | X_OK, AT_EACCESS) == 0;
}

// What the package manager installs under /usr is not to be written by a program, even one the
// superuser runs: files left there would outlive the package.
bool isSystemFolder(const QString& dir)
{
    const QString real = QFileInfo(dir).canonicalFilePath();
    return real == QLatin1String("/usr") || real.startsWith(QLatin1String("/usr/"));
}

// Every missing folder on the way is made theirs alone, as XDG base directories asks.
bool makeFoldersOfOwnerAlone(const QString& path)
{
    QString made;
    for (const QString& part : path.split(u'/', Qt::SkipEmptyParts)) {
        made += u'/' + part;
        if (::mkdir(QFile::encodeName(made).constData(), 0700) != 0 && errno != EEXIST)
            return false;
    }
    return true;
}

} // namespace

QString programDataDir(const QString& programDir)
{
    if (mayWriteIn(programDir) && !isSystemFolder(programDir))
        return programDir;
    // XDG base directories: a value that is not an absolute path is to be ignored.
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!config.startsWith(u'/')) {
        const QString home = qEnvironmentVariable("HOME");
        if (!home.startsWith(u'/'))
            return {};
        config = home + QStringLiteral("/.config");
    }
    const QString dir = config + QStringLiteral("/quillnest");
    makeFoldersOfOwnerAlone(dir);
    return dir;
}

QString diariesDir(const QString& programDir)
{
    if (mayWriteIn(programDir) && !isSystemFolder(programDir))
        return programDir;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

// Without a home folder Qt names one under "/", where nothing of the person's belongs; a relative
// XDG_DATA_HOME would follow the current folder.
QString backupsRoot()
{
    const bool homeKnown =
        qEnvironmentVariable("HOME").startsWith(u'/') || qEnvironmentVariable("XDG_DATA_HOME").startsWith(u'/');
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    return homeKnown && data.startsWith(u'/') ? data + QStringLiteral("/quillnest/backups") : QString();
}

QString settingsFilePath(const QString& dataDir)
{
    return dataDir.isEmpty() ? QString() : QDir(dataDir).filePath(QStringLiteral("Settings.ini"));
}

StartupOptions StartupOptions::read(const PrivateProfile& profile)
{
    const StartupOptions defaults;
    StartupOptions options;
    options.editing = profile.readBool(Keys::Options, Keys::Editing, defaults.editing);
    options.byWord = profile.readBool(Keys::Options, Keys::ByWord, defaults.byWord);
    options.byDate = profile.readBool(Keys::Options, Keys::ByDate, defaults.byDate);
    options.openLast = profile.readBool(Keys::Options, Keys::OpenLast, defaults.openLast);
    options.openFave = profile.readBool(Keys::Options, Keys::OpenFave, defaults.openFave);
    return options;
}

void StartupOptions::write(PrivateProfile& profile) const
{
    const auto flag = [](bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); };
    // One replacement of the file, so a failure never leaves the start-up options half saved.
    profile.writeStrings(Keys::Options, {
                                            {Keys::Editing, flag(editing)},
                                            {Keys::ByWord, flag(byWord)},
                                            {Keys::ByDate, flag(byDate)},
                                            {Keys::OpenLast, flag(openLast)},
                                            {Keys::OpenFave, flag(openFave)},
                                        });
}

BackupOptions BackupOptions::read(const PrivateProfile& profile)
{
    const BackupOptions defaults;
    BackupOptions options;
    options.enabled = profile.readBool(Keys::Options, Keys::Backups, defaults.enabled);
    bool number = false;
    const int days = profile.readString(Keys::Options, Keys::BackupDays, QString()).trimmed().toInt(&number);
    options.days = number ? std::clamp(days, FewestDays, MostDays) : defaults.days;
    return options;
}

void BackupOptions::write(PrivateProfile& profile) const
{
    profile.writeStrings(Keys::Options, {
                                            {Keys::Backups, enabled ? QStringLiteral("1") : QStringLiteral("0")},
                                            {Keys::BackupDays, QString::number(days)},
                                        });
}

QString StartupOptions::startupDiary(const PrivateProfile& profile) const
{
    if (openFave)
        return profile.readString(Keys::Directory, Keys::FaveDiary, Keys::NoFile);
    if (openLast)
        return profile.readString(Keys::Directory, Keys::LastDiary, Keys::NoFile);
    return {};
}
