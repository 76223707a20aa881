#pragma once

#include "widgets/secondarywindow.h"

#include <QString>

class QEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

// The file name for a typed diary name: cut at the first ".", then to 20 characters, plus ".qnb".
QString newDiaryFileName(const QString& typed);

// Creates an empty diary file from a file name, a title and an owner's name. It does not open the
// new diary. Hidden, not destroyed, between uses: its fields keep their texts.
class TForm3 : public SecondaryWindow
{
    Q_OBJECT

public:
    explicit TForm3(QWidget* parent);

    QLabel* Label1 = nullptr;
    QLineEdit* Ein = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edn = nullptr;
    QLabel* Label3 = nullptr;
    QLineEdit* Emn = nullptr;
    QPushButton* BBok = nullptr;
    QPushButton* BBno = nullptr;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLabels();
    void buildFields();
    void buildButtons();
    bool createDiary(const QString& name, const QString& title, const QString& owner);

    void FormActivate();
    void EinClick();
    void EinChange();
    void BBokClick();
    void BBnoClick();

    bool m_focusOnActivation = false;
};
