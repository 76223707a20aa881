#pragma once

// Reading the Stamp of many records without reading their text. Each reader fills out[i] with the 8
// bytes at the start of record first + i (records of `stride` bytes) exactly as the file holds them (little-endian):
// call stampsFromFileOrder once all of them are in. Every failure throws FileError; a record past the end of the file
// (someone cut it meanwhile) throws FileError::ReadBeyondEnd.

#include "diaryrecord.h"

#include <QtGlobal>

#include <span>

// Reads through io_uring, in parts spread over a few threads when there are many records. Returns
// false, having read nothing, when io_uring cannot be used here (a kernel before 5.6, or io_uring
// turned off by sysctl or a seccomp filter).
bool readStampsThroughRings(int fd, qint64 first, std::span<double> out, qint64 stride = RecordSize);

// One pread per record: works everywhere, slowest.
void readStampsOneByOne(int fd, qint64 first, std::span<double> out, qint64 stride = RecordSize);

// Turns the stored byte order into the machine's (nothing to do on little-endian machines).
void stampsFromFileOrder(std::span<double> stamps);
