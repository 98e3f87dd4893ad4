#include "picpush/qt/LetterboxEncoder.h"

#include <QBuffer>
#include <QImageWriter>
#include <QPainter>

namespace picpush {

QImage Letterbox(const QImage& source, const QSize& output) {
    QImage canvas(output, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    if (source.isNull() || output.isEmpty())
        return canvas;
    const QImage fitted = source.scaled(output, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&canvas);
    painter.drawImage((output.width() - fitted.width()) / 2, (output.height() - fitted.height()) / 2, fitted);
    return canvas;
}

QByteArray EncodeJpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    if (!writer.write(image))
        return QByteArray();
    return bytes;
}

} // namespace picpush
