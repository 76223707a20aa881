#pragma once

#include "widgets/secondarywindow.h"

#include <QString>

class QEvent;
class QLineEdit;
class QPushButton;

// The file name for a typed diary name: cut at the first ".", then to 20 characters, plus ".qnb".
QString newDiaryFileName(const QString& typed);

// Creates an empty diary file from a file name, a title and an owner's name. It does not open the
// new diary. Hidden, not destroyed, between uses: its fields keep their texts.
class NewDiaryWindow : public SecondaryWindow
{
    Q_OBJECT

public:
    // New diaries are made in `diariesDir` (diariesDir()).
    NewDiaryWindow(const QString& diariesDir, QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();

    void clearHint();
    void enableCreating();
    void createDiary();
    bool writeDiaryFile(const QString& name, const QString& title, const QString& owner);

    const QString m_diariesDir;
    QLineEdit* m_fileName = nullptr;
    QLineEdit* m_title = nullptr;
    QLineEdit* m_owner = nullptr;
    QPushButton* m_createButton = nullptr;
    QPushButton* m_closeButton = nullptr;
};
