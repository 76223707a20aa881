#pragma once

#include <QString>
#include <QWidget>

class QEvent;
class QHideEvent;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class TForm1;

// The file name for a typed diary name: cut at the first ".", then to 20 characters, plus ".qnb".
QString newDiaryFileName(const QString& typed);

// Creates an empty diary file from a file name, a title and an owner's name. It does not open the
// new diary. Made once at start and hidden, not destroyed, between uses: its fields keep their texts.
class TForm3 : public QWidget
{
    Q_OBJECT

public:
    explicit TForm3(TForm1& mainWindow);

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
    void hideEvent(QHideEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildLabels();
    void buildFields();
    void buildButtons();
    void placeOnScreen();
    bool createDiary(const QString& name, const QString& title, const QString& owner);

    void FormActivate();
    void EinClick();
    void EinChange();
    void BBokClick();
    void BBnoClick();
    void FormClose();

    TForm1& m_mainWindow;
    bool m_placed = false;
    bool m_focusOnActivation = false;
};
