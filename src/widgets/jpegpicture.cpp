#include "jpegpicture.h"

#include <csetjmp>
#include <cstdio>
#include <jpeglib.h>

namespace
{

// libjpeg's own handler ends the process on any error; this one jumps back to the decoder, which
// gives up on the picture. Warnings (data cut short, a damaged segment) count as errors too: the
// picture would be shown partly grey.
struct ErrorTrap {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX] = {};
};

[[noreturn]] void jumpBack(j_common_ptr info)
{
    auto* trap = reinterpret_cast<ErrorTrap*>(info->err);
    (*info->err->format_message)(info, trap->message);
    std::longjmp(trap->back, 1);
}

void warningIsError(j_common_ptr info, int level)
{
    if (level < 0)
        jumpBack(info);
}

} // namespace

QImage decodeJpeg(QByteArrayView data, QString* error)
{
    jpeg_decompress_struct info;
    ErrorTrap trap;
    info.err = jpeg_std_error(&trap.manager);
    trap.manager.error_exit = jumpBack;
    trap.manager.emit_message = warningIsError;
    // Nothing that needs destroying may live across the jump but what jpeg_destroy_decompress frees.
    QImage* volatile image = nullptr;
    if (setjmp(trap.back)) {
        jpeg_destroy_decompress(&info);
        delete image;
        if (error)
            *error = QString::fromLocal8Bit(trap.message);
        return QImage();
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(data.data()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = new QImage(int(info.output_width), int(info.output_height), QImage::Format_RGB888);
    if (image->isNull()) {
        jpeg_destroy_decompress(&info);
        delete image;
        if (error)
            *error = QStringLiteral("picture too large");
        return QImage();
    }
    // Rows of a QImage are padded to four bytes: each is decoded into its own place.
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image->scanLine(int(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    QImage result = std::move(*image);
    delete image;
    return result;
}
