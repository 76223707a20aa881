#pragma once

#include "settings/settingsfile.h"
#include "widgets/radiogroup.h"
#include "widgets/secondarywindow.h"

#include <QString>

class QCheckBox;
class QPushButton;
class QShowEvent;

// Shows and saves the options of Settings.ini at `settingsPath`.
class TForm4 : public SecondaryWindow
{
    Q_OBJECT

public:
    TForm4(const QString& settingsPath, QWidget* parent);

    // Items of Run, by index.
    static constexpr int OpenLastItem = 0;
    static constexpr int OpenFaveItem = 1;
    static constexpr int NothingItem = 2;

    RadioGroup* Run = nullptr;
    QGroupBox* GroupBox1 = nullptr;
    QCheckBox* editing = nullptr;
    QCheckBox* word = nullptr;
    QCheckBox* date = nullptr;
    QCheckBox* default_ = nullptr; // "default" is a keyword; the object name is "default"
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn3 = nullptr;

signals:
    // The options were saved; `boxes` are the choices as the window shows them, for the program to
    // follow now (even when the file received the defaults).
    void accepted(const StartupOptions& boxes);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildRunGroup();
    void buildWorkGroup();
    void buildButtons();
    void fitFont();

    void showOptions(const StartupOptions& options);
    StartupOptions boxOptions() const;
    StartupOptions chosenOptions() const;
    bool saveOptions(const StartupOptions& options);

    void FormShow();
    void BitBtn1Click();
    void BitBtn3Click();

    QString m_settingsPath;
};
