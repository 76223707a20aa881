#pragma once

#include "recordfile.h"

#include <QByteArrayView>
#include <QDate>

#include <cstdint>
#include <vector>

// Record numbers of the entries whose text, as the reader sees it, contains `phrase` (file bytes;
// letter case counts). A phrase may run across the pieces the text is stored in. An empty phrase
// finds nothing. Only one entry's clear text is held at a time.
std::vector<std::uint16_t> findEntriesContaining(const RecordFile& file, QByteArrayView phrase, QByteArrayView key);

// Record numbers of the entries saved on `day`, in file order, wherever they lie in the file.
std::vector<std::uint16_t> findEntriesOfDay(const RecordFile& file, const QDate& day);
