#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <atomic>

// A contact's photo file ("foto/<ID>.jpg"): reading it for the photo frame, and turning a
// picture the user chose into the bytes to store there.
namespace PhotoStore {
inline constexpr int bmpQuality = 85;
// Far above any photo; keeps a wrong pick or a hostile card from filling memory.
inline constexpr qint64 maxFileBytes = 256LL * 1024 * 1024;
// The contact window's photo frame, the size a photo is decoded at to check it.
inline constexpr QSize frameSize{133, 142};

// The stored photo decoded for a view of the given size. False with the reason when the file
// cannot be read or is no whole JPEG. Setting *cancel from another thread stops the decoding.
[[nodiscard]] bool
load(const QString &path, QSize view, QImage *image, QString *error, const std::atomic_bool *cancel = nullptr);

// A photo that comes with an imported contact, held to what a chosen JPEG must pass: the size
// limit and a whole decode within the pixel and scan limits. False with the reason.
[[nodiscard]] bool check(QByteArrayView jpeg, QString *error);

// A chosen picture made ready to store: a JPEG as it is, byte for byte; a Windows bitmap or any
// other picture Qt reads (PNG, ...) as a new baseline JPEG. All are decoded first, so nothing that
// cannot be shown is ever stored.
struct Prepared
{
    QByteArray bytes; // what the photo file gets
    QImage view;      // the picture for the view
};
// False with a message for the user when the file cannot be read or is no readable picture, by
// its content, whatever its name.
[[nodiscard]] bool prepare(const QString &chosenPath, QSize view, Prepared *prepared, QString *error);

// Replaces the photo file whole or not at all; on failure the old photo stays.
[[nodiscard]] bool store(const QString &photoPath, const QByteArray &bytes, QString *error);
} // namespace PhotoStore
