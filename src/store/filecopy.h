#pragma once

// Copies all of the file open as `from` into the empty file open as `to`: a clone that shares the blocks
// where the file system offers one (FICLONE: Btrfs, XFS), else a copy inside the kernel (copy_file_range),
// else reads and writes. Nothing is flushed. Throws FileError.
void copyWholeFile(int from, int to);
