// Any bytes as a contact's photo file and as a picture the user chooses for a contact. Decoding
// never ends the program and never yields more pixels than the refused-size limit; a JPEG decodes
// at the reduction that suits the photo frame; a chosen picture (JPEG, bitmap or any other picture
// Qt reads) is told apart by its content, and whatever is accepted is stored as a JPEG that decodes again.
#include "FuzzSupport.h"

#include "core/contacts/PhotoCodec.h"
#include "core/contacts/PhotoStore.h"

#include <QBuffer>
#include <QImageReader>

#include <optional>

namespace {

const QSize view(133, 142); // the photo frame of the contact window

unsigned byteAt(QByteArrayView data, qsizetype i)
{
    return static_cast<unsigned char>(data[i]);
}

// The picture size of the first frame header of a JPEG, walking its marker segments as a
// decoder does; nothing when the segments before it are not well formed.
std::optional<QSize> jpegFrameSize(QByteArrayView data)
{
    qsizetype i = 2;
    while (i + 4 <= data.size()) {
        if (byteAt(data, i) != 0xFF) {
            return std::nullopt;
        }
        const unsigned marker = byteAt(data, i + 1);
        if (marker == 0xFF) {
            ++i; // fill byte
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9)) {
            return std::nullopt; // no segment length; a decoder would not meet these before the frame
        }
        const qsizetype length = (byteAt(data, i + 2) << 8) | byteAt(data, i + 3);
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (i + 9 > data.size()) {
                return std::nullopt;
            }
            return QSize(static_cast<int>((byteAt(data, i + 7) << 8) | byteAt(data, i + 8)),
                         static_cast<int>((byteAt(data, i + 5) << 8) | byteAt(data, i + 6)));
        }
        i += 2 + length;
    }
    return std::nullopt;
}

void checkDecodedJpeg(QByteArrayView data, QSize target)
{
    QImage image;
    QString error;
    const bool ok = PhotoCodec::decodeJpeg(data, target, &image, &error);
    if (!ok) {
        FUZZ_ASSERT(!error.isEmpty());
        return;
    }
    FUZZ_ASSERT(PhotoCodec::looksLikeJpeg(data));
    FUZZ_ASSERT(!image.isNull());
    FUZZ_ASSERT(qint64(image.width()) * image.height() <= PhotoCodec::maxPixels);
    if (const std::optional<QSize> frame = jpegFrameSize(data)) {
        FUZZ_ASSERT(qint64(frame->width()) * frame->height() <= PhotoCodec::maxPixels);
        // The smallest reduction by eighths that still covers the frame, whole pixels rounded up.
        const int n = PhotoCodec::scaleEighths(*frame, target);
        FUZZ_ASSERT(image.width() == (qint64(frame->width()) * n + 7) / 8);
        FUZZ_ASSERT(image.height() == (qint64(frame->height()) * n + 7) / 8);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    checkDecodedJpeg(bytes, view);
    {
        // A photo that comes with an imported card passes exactly when it decodes for the frame.
        QImage framed;
        QString reason;
        FUZZ_ASSERT(PhotoStore::check(bytes, &reason)
                    == PhotoCodec::decodeJpeg(bytes, PhotoStore::frameSize, &framed, &reason));
    }

    if (PhotoCodec::looksLikeBmp(bytes)) {
        QImage image;
        QString error;
        if (!PhotoCodec::decodeBmp(bytes, &image, &error)) {
            FUZZ_ASSERT(!error.isEmpty());
            return 0;
        }
        FUZZ_ASSERT(!image.isNull());
        FUZZ_ASSERT(qint64(image.width()) * image.height() <= PhotoCodec::maxPixels);
        // Large bitmaps cost seconds to encode and teach the fuzzer nothing new.
        if (qint64(image.width()) * image.height() > 1'000'000) {
            return 0;
        }
    }

    // Chosen under a name that says the other kind: the content decides.
    const QDir dir(FuzzSupport::freshDataDir());
    const QString chosen =
        dir.filePath(PhotoCodec::looksLikeJpeg(bytes) ? QStringLiteral("picture.bmp") : QStringLiteral("picture.jpg"));
    FuzzSupport::writeFile(chosen, bytes.toByteArray());
    PhotoStore::Prepared prepared;
    QString error;
    if (!PhotoStore::prepare(chosen, view, &prepared, &error)) {
        FUZZ_ASSERT(!error.isEmpty());
        return 0;
    }
    // Accepted: a JPEG, a bitmap, or another picture Qt recognises by its content.
    QByteArray copy = bytes.toByteArray();
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    FUZZ_ASSERT(PhotoCodec::looksLikeJpeg(bytes) || PhotoCodec::looksLikeBmp(bytes)
                || !QImageReader::imageFormat(&buffer).isEmpty());
    FUZZ_ASSERT(!prepared.view.isNull());
    FUZZ_ASSERT(qint64(prepared.view.width()) * prepared.view.height() <= PhotoCodec::maxPixels);
    FUZZ_ASSERT(PhotoCodec::looksLikeJpeg(prepared.bytes));
    if (PhotoCodec::looksLikeJpeg(bytes)) {
        FUZZ_ASSERT(prepared.bytes == bytes); // a JPEG is stored byte for byte
    }

    // What is stored can be shown: stored, loaded for the frame and decoded at full size.
    const QString photo = dir.filePath(QStringLiteral("10000.jpg"));
    FUZZ_ASSERT(PhotoStore::store(photo, prepared.bytes, &error));
    QImage loaded;
    FUZZ_ASSERT(PhotoStore::load(photo, view, &loaded, &error));
    FUZZ_ASSERT(!loaded.isNull());
    if (!PhotoCodec::looksLikeJpeg(bytes)) { // converted at full size
        QImage full;
        FUZZ_ASSERT(PhotoCodec::decodeJpeg(prepared.bytes, QSize(1 << 16, 1 << 16), &full, &error));
        FUZZ_ASSERT(full.size() == prepared.view.size());
    }
    return 0;
}
