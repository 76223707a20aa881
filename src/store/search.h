#pragma once

#include "recordfile.h"

#include <QByteArrayView>
#include <QDate>

#include <cstdint>
#include <vector>

class EntryCodec;

// Record numbers of the entries whose text, as the reader sees it, contains `phrase` (file bytes). Letter
// case counts, unless `folded`: then both are read as foldCp1251 reads them. A phrase may run across the
// pieces the text is stored in. An empty phrase finds nothing. Only one entry's clear text is held at a time by each
// thread reading (a buffer of each, up to four, where entries are costly to read).
// Entries that do not read (EntryCodec::decodeInto) hold nothing.
std::vector<std::uint16_t> findEntriesContaining(const RecordFile& file, QByteArrayView phrase, const EntryCodec& codec,
                                                 bool folded = false);

// Where `text` holds `phrase` (both file bytes), matched as findEntriesContaining matches it: the offset of
// each occurrence, in order, each after the end of the one before.
std::vector<qsizetype> findOccurrences(QByteArrayView text, QByteArrayView phrase, bool folded);

// Record numbers of the entries saved on `day`, in file order, wherever they lie in the file.
std::vector<std::uint16_t> findEntriesOfDay(const RecordFile& file, const QDate& day);
