#include "filecopy.h"

#include "posixio.h"

#include <cerrno>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <vector>

namespace
{

// Bytes from `offset` on by reads and writes, for file systems that copy nothing inside the kernel.
void copyByReading(int from, int to, off_t offset)
{
    std::vector<char> buffer(std::size_t(1) << 20);
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            posixio::throwErrno(errno);
        if (got == 0)
            return;
        posixio::writeAll(to, buffer.data(), got, offset);
        offset += got;
    }
}

bool copyInKernel(int from, int to, off_t& offset)
{
    for (;;) {
        off_t in = offset;
        off_t out = offset;
        const ssize_t done = ::copy_file_range(from, &in, to, &out, std::size_t(1) << 30, 0);
        if (done < 0 && errno == EINTR)
            continue;
        if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP))
            return false;
        if (done < 0)
            posixio::throwErrno(errno);
        if (done == 0)
            return true;
        offset += done;
    }
}

} // namespace

void copyWholeFile(int from, int to)
{
    if (::ioctl(to, FICLONE, from) == 0)
        return;
    off_t offset = 0;
    if (!copyInKernel(from, to, offset))
        copyByReading(from, to, offset);
}
