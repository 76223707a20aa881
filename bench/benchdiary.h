#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <chrono>
#include <functional>

// The clear text of bench entry `i`: 5,100 characters of word-like text with line breaks; every
// 97th entry holds the word "quillnest".
QByteArray benchEntryText(int i);

// A full-size diary for benchmarks: a header and `entries` entries of 5,100 characters each (or the first
// `textChars` of them), scrambled with FixedKey, with stamps one minute apart.
void writeBenchDiary(const QString& path, int entries, qsizetype textChars = 5100);

// The template of the folder a benchmark works in: under the folder its first argument names, else the system's
// temporary folder.
QString benchFolderTemplate(int argc, char** argv);

// Reads the whole file once in 1 MiB blocks; returns the bytes read.
qint64 readFileSequentially(const QString& path);

// The wall-clock time `work` takes, in milliseconds.
double millisecondsOf(const std::function<void()>& work);
// Runs a shell command, saying so when it fails.
void shell(const QString& command);

// The best of `runs` wall-clock timings of `work`, in milliseconds.
double bestMilliseconds(int runs, const std::function<void()>& work);

// Bytes currently allocated from the heap (glibc's view).
qint64 heapInUse();

void printRatio(const char* what, double measured, double reference, double goal);

class QAbstractButton;

// The control called `name` in `window`, found by its object name as the tests find it; a missing one ends the run.
template <class Control> Control* named(const QObject* window, const QString& name)
{
    auto* found = window->findChild<Control*>(name);
    if (!found)
        qFatal("no control named %s", qPrintable(name));
    return found;
}

// Benchmarks that drive the real windows do so offscreen, unless a platform was chosen.
void useOffscreenWindows();

// The time from a click on `button` to the program's message that ends what it started, in
// milliseconds; the message, closed at once, goes to `message`. Where no message comes, the time to
// the end of the click.
double clickToMessage(QAbstractButton* button, QString* message = nullptr);
