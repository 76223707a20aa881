#pragma once

#include "settings/settingsfile.h"
#include "widgets/secondarywindow.h"

#include <QString>

class QCheckBox;
class QShowEvent;
class RadioGroup;

// Shows and saves the options of Settings.ini at `settingsPath`.
class SettingsWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    SettingsWindow(const QString& settingsPath, QWidget* parent);

signals:
    // The options were saved; `boxes` are the choices as the window shows them, for the program to
    // follow now (even when the file received the defaults).
    void accepted(const StartupOptions& boxes);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildStartupGroup();
    void buildWorkGroup();
    void buildButtons();
    void fitFont();

    void showSavedOptions();
    void showOptions(const StartupOptions& options);
    StartupOptions boxOptions() const;
    StartupOptions chosenOptions() const;
    void saveOptions();
    bool writeOptions(const StartupOptions& options);

    QString m_settingsPath;
    RadioGroup* m_startup = nullptr;
    QCheckBox* m_editing = nullptr;
    QCheckBox* m_wordSearch = nullptr;
    QCheckBox* m_dateSearch = nullptr;
    QCheckBox* m_defaults = nullptr;
};
