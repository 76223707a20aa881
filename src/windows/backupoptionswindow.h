#pragma once

#include "settings/settingsfile.h"
#include "widgets/secondarywindow.h"

#include <QString>

class QCheckBox;
class QSpinBox;

// Whether dated copies of the diaries are made, and how many of the latest days with changes keep theirs, as
// Settings.ini at `settingsPath` holds it. A new window is made for every use.
class BackupOptionsWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    BackupOptionsWindow(const QString& settingsPath, QWidget* parent);

signals:
    // The options were saved, for the program to follow now.
    void accepted(const BackupOptions& options);

private:
    void buildControls();
    void buildButtons();
    void showOptions(const BackupOptions& options);
    void saveOptions();

    const QString m_settingsPath;
    QCheckBox* m_enabled = nullptr;
    QSpinBox* m_days = nullptr;
};
