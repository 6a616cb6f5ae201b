#include "PhotoStore.h"

#include "PhotoCodec.h"

#include "core/common/FileError.h"
#include "core/common/TextFile.h"

#include <QFileInfo>

namespace {

using PhotoStore::maxFileBytes;

bool readWhole(const QString &path, QByteArray *bytes, QString *error)
{
    if (QFileInfo(path).size() > maxFileBytes) {
        *error = FileError::describe(FileError::Read, path, QStringLiteral("plik jest zbyt duży"));
        return false;
    }
    bool exists = false;
    if (!TextFile::readBytes(path, bytes, &exists, error)) {
        return false;
    }
    if (!exists) {
        *error = FileError::describe(FileError::Read, path, QStringLiteral("plik nie istnieje"));
        return false;
    }
    return true;
}

} // namespace

namespace PhotoStore {

bool load(const QString &path, QSize view, QImage *image, QString *error, const std::atomic_bool *cancel)
{
    QByteArray bytes;
    return readWhole(path, &bytes, error) && PhotoCodec::decodeJpeg(bytes, view, image, error, cancel);
}

bool check(QByteArrayView jpeg, QString *error)
{
    QString reason;
    QImage decoded;
    if (jpeg.size() > maxFileBytes) {
        reason = QStringLiteral("Zdjęcie jest zbyt duże (%1 MB).").arg(jpeg.size() / (1024 * 1024));
    } else if (PhotoCodec::decodeJpeg(jpeg, frameSize, &decoded, &reason)) {
        return true;
    }
    if (error) {
        *error = reason;
    }
    return false;
}

bool prepare(const QString &chosenPath, QSize view, Prepared *prepared, QString *error)
{
    QByteArray bytes;
    if (!readWhole(chosenPath, &bytes, error)) {
        return false;
    }
    if (PhotoCodec::looksLikeJpeg(bytes)) {
        if (!PhotoCodec::decodeJpeg(bytes, view, &prepared->view, error)) {
            return false;
        }
        prepared->bytes = std::move(bytes);
        return true;
    }
    if (PhotoCodec::looksLikeBmp(bytes)) {
        QImage picture;
        if (!PhotoCodec::decodeBmp(bytes, &picture, error)
            || !PhotoCodec::encodeJpeg(picture, bmpQuality, &prepared->bytes, error)) {
            return false;
        }
        prepared->view = std::move(picture);
        return true;
    }
    // Any other picture is converted as a bitmap is.
    QImage picture;
    if (!PhotoCodec::decodePicture(bytes, &picture, error)
        || !PhotoCodec::encodeJpeg(picture, bmpQuality, &prepared->bytes, error)) {
        return false;
    }
    prepared->view = std::move(picture);
    return true;
}

bool store(const QString &photoPath, const QByteArray &bytes, QString *error)
{
    return TextFile::writeAtomically(photoPath, bytes, error);
}

} // namespace PhotoStore
