#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

// A contact's photo file ("foto/<ID>.jpg"): reading it for the photo frame, and turning a
// picture the user chose into the bytes to store there.
namespace PhotoStore {
inline constexpr int bmpQuality = 85;

// The stored photo decoded for a view of the given size. False with the reason when the file
// cannot be read or is no whole JPEG.
[[nodiscard]] bool load(const QString &path, QSize view, QImage *image, QString *error);

// A chosen picture made ready to store: a JPEG as it is, byte for byte; a Windows bitmap as a
// new baseline JPEG. Both are decoded first, so nothing that cannot be shown is ever stored.
struct Prepared
{
    QByteArray bytes; // what the photo file gets
    QImage view;      // the picture for the view
};
// False with a message for the user when the file cannot be read or is neither a readable
// JPEG nor a readable bitmap, by its content, whatever its name.
[[nodiscard]] bool prepare(const QString &chosenPath, QSize view, Prepared *prepared, QString *error);

// Replaces the photo file whole or not at all; on failure the old photo stays.
[[nodiscard]] bool store(const QString &photoPath, const QByteArray &bytes, QString *error);
} // namespace PhotoStore
