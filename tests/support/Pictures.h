#pragma once

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

// A picture file written by Qt, not by the code under test; a gradient, so a wrong scale or
// colour order shows.
inline QByteArray pictureOf(const char *format, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            image.setPixel(x, y, qRgb(x * 255 / w, y * 255 / h, 60));
        }
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter(&buffer, format).write(image);
    return bytes;
}
