#include "client/assets/AboutPictureWriter.h"

#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <memory>
#include <stdexcept>

#include <jpeglib.h>

namespace parlino::assets {

namespace {
constexpr int Width = 240;
constexpr int Height = 160;

QImage DrawPicture()
{
    QImage image(Width, Height, QImage::Format_RGB888);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, Height);
    sky.setColorAt(0.0, QColor(24, 66, 128));
    sky.setColorAt(1.0, QColor(96, 160, 220));
    painter.fillRect(image.rect(), sky);

    // The handset, tilted, with its two round ends.
    painter.save();
    painter.translate(80, 88);
    painter.rotate(-35);
    QPainterPath handset;
    handset.addRoundedRect(-50, -9, 100, 18, 9, 9);
    handset.addEllipse(-62, -16, 34, 32);
    handset.addEllipse(28, -16, 34, 32);
    painter.setPen(QPen(QColor(20, 20, 30), 3));
    painter.setBrush(QColor(245, 245, 240));
    painter.drawPath(handset.simplified());
    painter.restore();

    // Sound waves leaving the mouthpiece.
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < 3; ++i) {
        painter.setPen(QPen(QColor(255, 214, 90), 5, Qt::SolidLine, Qt::RoundCap));
        const int r = 30 + 22 * i;
        painter.drawArc(QRect(140 - r, 70 - r, 2 * r, 2 * r), -40 * 16, 80 * 16);
    }
    return image;
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
}  // namespace

void WriteAboutPicture(const std::string& path)
{
    const QImage image = DrawPicture();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw std::runtime_error("cannot write " + path);
    jpeg_compress_struct compress{};
    jpeg_error_mgr errors{};
    compress.err = jpeg_std_error(&errors);  // a tool: libjpeg's own exit on error will do
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file.get());
    compress.image_width = Width;
    compress.image_height = Height;
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 90, TRUE);
    jpeg_start_compress(&compress, TRUE);
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(
            image.constScanLine(static_cast<int>(compress.next_scanline)));
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    if (std::fflush(file.get()) != 0)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace parlino::assets
