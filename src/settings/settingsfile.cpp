#include "settingsfile.h"

#include <QDir>

namespace Keys = SettingsKeys;

QString settingsFilePath(const QString& programDir)
{
    return QDir(programDir).filePath(QStringLiteral("Settings.ini"));
}

StartupOptions StartupOptions::read(const PrivateProfile& profile)
{
    const StartupOptions defaults;
    StartupOptions options;
    options.Editing = profile.readBool(Keys::Options, Keys::Editing, defaults.Editing);
    options.ByWord = profile.readBool(Keys::Options, Keys::ByWord, defaults.ByWord);
    options.ByDate = profile.readBool(Keys::Options, Keys::ByDate, defaults.ByDate);
    options.OpenLast = profile.readBool(Keys::Options, Keys::OpenLast, defaults.OpenLast);
    options.OpenFave = profile.readBool(Keys::Options, Keys::OpenFave, defaults.OpenFave);
    return options;
}

void StartupOptions::write(PrivateProfile& profile) const
{
    const auto flag = [](bool value) { return value ? QStringLiteral("1") : QStringLiteral("0"); };
    // One replacement of the file, so a failure never leaves the start-up options half saved.
    profile.writeStrings(Keys::Options, {
                                            {Keys::Editing, flag(Editing)},
                                            {Keys::ByWord, flag(ByWord)},
                                            {Keys::ByDate, flag(ByDate)},
                                            {Keys::OpenLast, flag(OpenLast)},
                                            {Keys::OpenFave, flag(OpenFave)},
                                        });
}

QString StartupOptions::startupDiary(const PrivateProfile& profile) const
{
    if (OpenFave)
        return profile.readString(Keys::Directory, Keys::FaveDiary, Keys::NoFile);
    if (OpenLast)
        return profile.readString(Keys::Directory, Keys::LastDiary, Keys::NoFile);
    return {};
}
