#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>

namespace picpush {

// The JPEG quality pictures are sent with: good for a projected slide at a few hundred KB.
inline constexpr int kJpegQuality = 85;

// `source` fitted into `output` without changing its shape, centred on black: the bars go
// top and bottom or left and right.
QImage Letterbox(const QImage& source, const QSize& output);

// The image as JPEG file bytes; empty when the encoder fails.
QByteArray EncodeJpeg(const QImage& image, int quality = kJpegQuality);

} // namespace picpush
