#include "client/JpegPicture.h"

#include <csetjmp>
#include <cstdio>

#include <jpeglib.h>

namespace parlino {

namespace {
// libjpeg's own error exit ends the process; this one jumps back to the decoder instead.
// Nothing with a destructor may live between the setjmp and the libjpeg calls it guards.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void ExitByJump(j_common_ptr info)
{
    auto* error = reinterpret_cast<ErrorJump*>(info->err);
    info->err->format_message(info, error->message);
    std::longjmp(error->jump, 1);
}

void KeepWarningsQuiet(j_common_ptr, int)
{
}

// Runs the decompression into `image`; false with `error.message` set on failure.
bool Decompress(const QByteArray& bytes, QImage& image, ErrorJump& error)
{
    jpeg_decompress_struct info{};
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = ExitByJump;
    error.manager.emit_message = KeepWarningsQuiet;
    if (setjmp(error.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    image = QImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height),
                   QImage::Format_RGB888);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.scanLine(static_cast<int>(info.output_scanline));
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}
}  // namespace

QImage DecodeJpeg(const QByteArray& bytes)
{
    if (bytes.isEmpty())
        throw JpegError("JPEG picture is empty");
    QImage image;
    ErrorJump error{};
    if (!Decompress(bytes, image, error))
        throw JpegError(std::string("JPEG picture cannot be read: ") + error.message);
    return image;
}

}  // namespace parlino
