#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <optional>

// Contact photos in and out of JPEG, through libjpeg. Nothing here ends the process on bad
// data: every failure comes back as false with a reason for the user, and a damaged or
// truncated JPEG counts as a failure, not as a picture with grey parts.
namespace PhotoCodec {
// Pictures whose header claims more pixels than this are refused before anything is allocated.
inline constexpr qint64 maxPixels = 100'000'000;
// Progressive JPEGs with more scans than this are refused, as libjpeg-turbo's own tools do: each
// scan passes over all the coefficients again, so a small file could keep the decoder busy for minutes.
inline constexpr int maxScans = 500;

// Recognised by their first bytes, whatever the file is called.
bool looksLikeJpeg(QByteArrayView data);
bool looksLikeBmp(QByteArrayView data);
// Width and height of a bitmap as its header gives them (rows stored top-down count as well);
// nothing for a header without a picture size.
std::optional<QSize> bmpHeaderSize(QByteArrayView data);

// The smallest reduction n/8 (n from 1 to 8) at which a picture of the given size still covers
// the target; 8 (full size) for a picture smaller than the target.
int scaleEighths(QSize picture, QSize target);
// Decodes a whole JPEG at the reduction that suits the target size (the view, not the disk).
// Setting *cancel from another thread stops the work soon after, as a failure.
[[nodiscard]] bool
decodeJpeg(QByteArrayView data, QSize target, QImage *image, QString *error, const std::atomic_bool *cancel = nullptr);
// Decodes a Windows bitmap.
[[nodiscard]] bool decodeBmp(QByteArrayView data, QImage *image, QString *error);
// Decodes any other picture Qt reads (PNG, GIF, ...) by its content, within the same pixel limit;
// transparent parts become white.
[[nodiscard]] bool decodePicture(QByteArrayView data, QImage *image, QString *error);
// The file name suffixes of pictures a user may choose: JPEG, BMP and PNG first, then what else Qt reads.
QStringList pictureSuffixes();
// Baseline JPEG of the full picture, 24-bit colour, at the given quality (0..100).
[[nodiscard]] bool encodeJpeg(const QImage &image, int quality, QByteArray *jpeg, QString *error);
} // namespace PhotoCodec
