#pragma once

#include <QStringList>

class RecordFile;

// The date list of a diary: the time-stamp text of every entry, in file order. Only the stamps are
// read. The lists of the program count entries in 16 bits, so a file that holds more than
// MaxEntries entries lists its first MaxEntries.
QStringList dateListItems(const RecordFile& file);
