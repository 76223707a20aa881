#pragma once

#include "dialogs/secondarywindow.h"

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QCheckBox;
class QPushButton;
class QRect;
class QRadioButton;
class QShowEvent;
struct StartupOptions;

// A titled box of mutually exclusive choices, read and set by the index of the chosen one.
class RadioGroup : public QGroupBox
{
    Q_OBJECT

public:
    // The items share the box's height below the title evenly, as the box is placed here.
    RadioGroup(const QString& title, const QStringList& items, const QRect& place, QWidget* parent);

    int count() const { return int(m_buttons.size()); }
    QRadioButton* button(int index) const { return m_buttons.value(index); }
    // -1 while nothing is chosen.
    int itemIndex() const;
    // An index outside the items leaves nothing chosen.
    void setItemIndex(int index);

private:
    QList<QRadioButton*> m_buttons;
};

// Shows and saves the options of Settings.ini.
class TForm4 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm4(TForm1& mainWindow);

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

protected:
    void showEvent(QShowEvent* event) override;

private:
    void buildRunGroup();
    void buildWorkGroup();
    void buildButtons();
    void fitFont();

    void showOptions(const StartupOptions& options);
    StartupOptions chosenOptions() const;
    bool saveOptions(const StartupOptions& options);
    bool diaryOpen() const;
    void applySearchOptions();
    void applyEditingMode();

    void FormShow();
    void BitBtn1Click();
    void BitBtn3Click();
};
