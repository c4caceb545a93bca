// Decodes a JPEG picture held in memory with libjpeg.
#pragma once

#include <QByteArray>
#include <QImage>

#include <stdexcept>

namespace parlino {

class JpegError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The picture as 24-bit RGB (grey pictures come out grey in RGB). Throws JpegError with
// libjpeg's message when the bytes are no JPEG picture it can read.
QImage DecodeJpeg(const QByteArray& bytes);

}  // namespace parlino
