#pragma once

#include <QObject>
#include <QString>

class DiaryDocument;
class QPlainTextEdit;
class QTimer;

// The text box's text as typed: toPlainText() would turn no-break spaces into plain ones.
QString typedText(const QPlainTextEdit* box);

// Keeps what a person types from being lost while an entry is being added or changed: the text goes
// into the diary's draft (see draft.h) a second after typing pauses and at most two seconds after it
// began to change, when the window loses the focus and when the desktop session ends. Only text that
// differs from what the entry began with is kept; the draft goes as soon as it is the same again.
class DraftKeeper : public QObject
{
    Q_OBJECT

public:
    // `window` is the one whose losing the focus writes the draft at once.
    DraftKeeper(DiaryDocument& document, QPlainTextEdit* box, QWidget* window);

    // An entry is being written from now on, from what the text box holds: a new one, or with
    // `changing` a change of the entry on view.
    void beginEntry(bool changing);
    // It was saved or let go: the draft goes with it.
    void endEntry();
    // The diary it was written into has gone from view: the draft stays as it is.
    void leaveEntry();
    // Text was typed that the entry did not begin with.
    bool typed() const;
    // Writes the draft now if there is anything to keep.
    void keepNow();

signals:
    // The draft now holds the first `characters` characters of what the text box holds; the file is on
    // the disk whole.
    void kept(qsizetype characters);
    // The draft could not be written or removed; `error` says why. Typing goes on and the next write
    // tries again.
    void failed(const QString& error);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textChanged();
    void forget();

    DiaryDocument& m_document;
    QPlainTextEdit* m_box;
    QTimer* m_pause;
    QTimer* m_deadline;
    bool m_active = false;
    bool m_changing = false;
    QString m_beganWith;
};
