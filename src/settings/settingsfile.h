#pragma once

#include "privateprofile.h"

// Sections, keys and defaults of Settings.ini, the program's only configuration.
namespace SettingsKeys
{
inline const QString Options = QStringLiteral("Options");
inline const QString Directory = QStringLiteral("Directory");
inline const QString Editing = QStringLiteral("Editing");
inline const QString ByWord = QStringLiteral("ByWord");
inline const QString ByDate = QStringLiteral("ByDate");
inline const QString OpenLast = QStringLiteral("OpenLast");
inline const QString OpenFave = QStringLiteral("OpenFave");
inline const QString LastDiary = QStringLiteral("LastDiary");
inline const QString FaveDiary = QStringLiteral("FaveDiary");
inline const QString NoFile = QStringLiteral("NoFile");
// Whether spelling is checked while an entry is written; on where the key is missing.
inline const QString Spelling = QStringLiteral("Spelling");
// Whether the word search ignores letter case and ё; off where the key is missing.
inline const QString FoldedSearch = QStringLiteral("FoldedSearch");
// Whether dated copies of the open diary are made; on where the key is missing.
inline const QString Backups = QStringLiteral("Backups");
// How many of the latest days with changes keep their copies, 1 to 365; 7 where the key is missing.
inline const QString BackupDays = QStringLiteral("BackupDays");
} // namespace SettingsKeys

// The folder that takes Settings.ini and the diaries an import makes: `programDir` where the person may write
// there (an install of their own, a build) and it is not under /usr, else "$XDG_CONFIG_HOME/quillnest" (by
// default "~/.config/quillnest"), made theirs alone if missing, folders on the way included. Settings.ini is
// written there only while the folder is the person's own and nobody else may write it (PrivateProfile).
// Empty where no home folder is known (HOME unset): no settings are saved then.
QString programDataDir(const QString& programDir);

// Where new diaries go ("Создать", and the diary an import makes), a folder the person sees: the program's folder
// where programDataDir() takes it, else their documents folder ($XDG_DOCUMENTS_DIR, by default "~/Documents"), or
// their home folder where that is missing.
QString diariesDir(const QString& programDir);

// Where the diaries' dated copies go: "$XDG_DATA_HOME/quillnest/backups", by default
// "~/.local/share/quillnest/backups"; empty where no home folder is known.
QString backupsRoot();

// "Settings.ini" in `dataDir`, a folder given by programDataDir(); empty for none.
QString settingsFilePath(const QString& dataDir);

// The five options of section "Options", with their defaults.
struct StartupOptions {
    bool editing = false;
    bool byWord = true;
    bool byDate = true;
    bool openLast = false;
    bool openFave = false;

    // A missing file reads as the defaults.
    static StartupOptions read(const PrivateProfile& profile);
    // Writes all five keys at once, in the order Editing, ByWord, ByDate, OpenLast, OpenFave.
    void write(PrivateProfile& profile) const;
    // The diary to open at start-up as the options ask, or an empty name: the main diary wins over
    // the last one when both are asked for.
    QString startupDiary(const PrivateProfile& profile) const;
};

// The two keys of section "Options" that say which dated copies are made, with their defaults.
struct BackupOptions {
    static constexpr int FewestDays = 1;
    static constexpr int MostDays = 365;

    bool enabled = true;
    int days = 7;

    // A missing or unreadable key reads as its default; a number of days out of bounds as the nearest bound.
    static BackupOptions read(const PrivateProfile& profile);
    // Writes both keys at once and no other.
    void write(PrivateProfile& profile) const;
};
