#pragma once

#include <QString>

class DateListView;
class QAbstractItemModel;
class QAction;
class QDateEdit;
class QFrame;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenuBar;
class QPlainTextEdit;
class QStatusBar;
class QToolButton;
class QWidget;

// The main window's controls where the design puts them, pixel by pixel, made by setupLayout(); what
// they do is the window's own business.
class Form1Layout
{
public:
    // The four panels of the status bar, numbered from 0.
    static constexpr int StatusPanelCount = 4;
    QString statusText(int panel) const;

    // Controls, by their names.
    QLabel* Ldate = nullptr;
    QLabel* StaticText1 = nullptr;
    QLabel* dname = nullptr;
    QLabel* StaticText2 = nullptr;
    QLabel* mname = nullptr;

    QFrame* CoolBar = nullptr;
    QFrame* Panel1 = nullptr;
    QToolButton* Bclear = nullptr;
    QToolButton* Badd = nullptr;
    QToolButton* BSave1 = nullptr;
    QToolButton* Bchange = nullptr;
    QToolButton* BSave2 = nullptr;
    QToolButton* Bdel = nullptr;
    QFrame* Panel2 = nullptr;
    QLineEdit* InWord = nullptr;
    QToolButton* Search = nullptr;
    QToolButton* ClearSearch = nullptr;
    QFrame* Panel3 = nullptr;
    QDateEdit* DTPicker = nullptr;
    QToolButton* ToChNum = nullptr;
    QToolButton* Today = nullptr;
    QFrame* Panel5 = nullptr;
    QToolButton* AllRec = nullptr;

    QFrame* Panel4 = nullptr;
    QPlainTextEdit* mm = nullptr;
    // A view of the document's list model.
    DateListView* LBdate = nullptr;

    QStatusBar* SBar = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QAction* N2 = nullptr;  // "Открыть"
    QAction* N12 = nullptr; // "Создать"
    QAction* N14 = nullptr; // "Закрыть"
    QAction* N3 = nullptr;
    QAction* N4 = nullptr;  // "Выход"
    QAction* N10 = nullptr; // "Редактирование"
    QAction* N19 = nullptr; // "Поиск по дате"
    QAction* N20 = nullptr; // "Поиск по слову"
    QAction* N22 = nullptr;
    QAction* N23 = nullptr; // "Настройки"
    QAction* N13 = nullptr; // "Статистика"
    QAction* N25 = nullptr; // "Экспорт записей"
    QAction* N11 = nullptr; // "Импорт записей"
    QAction* N21 = nullptr; // "Защита"
    QAction* N24 = nullptr; // "Сделать главным"
    QAction* N26 = nullptr; // "Помощь"
    QAction* N7 = nullptr;  // "О дневнике"
    QAction* N8 = nullptr;  // "О программе"

protected:
    // Makes every control of `window`, the date list a view of `dates`, and gives the window its size.
    void setupLayout(QMainWindow* window, QAbstractItemModel* dates);
    void setStatusText(int panel, const QString& text);
    // The panels' widths follow the window's outer width, which is known only once it is shown.
    void sizeStatusPanels(const QWidget* window);

private:
    void buildMenu(QMainWindow* window);
    void buildLabels(QWidget* client);
    void buildCoolBar(QWidget* client);
    void buildEntryBand();
    void buildWordBand();
    void buildDateBand();
    void buildAllBand();
    void buildPanel4(QWidget* client, QAbstractItemModel* dates);
    void buildStatusBar(QMainWindow* window);
    void createStatusPanels();

    QLabel* m_statusPanels[StatusPanelCount] = {};
};
