#include "PhotoCodec.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>
#include <QtEndian>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <jerror.h>
#include <jpeglib.h>
#include <limits>

namespace {

constexpr long maxLibjpegMemory = 512L * 1024 * 1024; // progressive pictures keep all coefficients

// libjpeg reports errors by calling error_exit, which must not return: it jumps back to the
// call that started the work. Warnings about damaged data are errors here too.
struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto *err = reinterpret_cast<ErrorManager *>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0) {
        return; // trace messages
    }
    const int code = cinfo->err->msg_code;
    if (code == JWRN_JFIF_MAJOR || code == JWRN_ADOBE_XFORM) {
        return; // a newer header revision or an odd colour hint; the picture itself is whole
    }
    errorExit(cinfo);
}

// Called by libjpeg between pieces of work: before every scan it reads and for every row it gives.
struct Progress
{
    jpeg_progress_mgr pub{};
    const std::atomic_bool *cancel = nullptr;
    bool tooManyScans = false;
    bool cancelled = false;
};

void progressMonitor(j_common_ptr cinfo)
{
    auto *progress = reinterpret_cast<Progress *>(cinfo->progress);
    if (progress->cancel && progress->cancel->load(std::memory_order_relaxed)) {
        progress->cancelled = true;
    } else if (cinfo->is_decompressor
               && reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number > PhotoCodec::maxScans) {
        progress->tooManyScans = true;
    } else {
        return;
    }
    std::longjmp(reinterpret_cast<ErrorManager *>(cinfo->err)->jump, 1);
}

void setUpErrors(ErrorManager &err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = errorExit;
    err.pub.emit_message = emitMessage;
    err.message[0] = '\0';
}

QString damaged(const char *reason)
{
    return QStringLiteral("Plik JPEG jest uszkodzony lub niekompletny (%1).").arg(QString::fromLocal8Bit(reason));
}

QString tooLarge(qint64 width, qint64 height)
{
    return QStringLiteral("Obraz ma zbyt duże wymiary (%1 × %2 pikseli).").arg(width).arg(height);
}

// Adobe CMYK JPEGs store the inks inverted; a rough conversion is enough for a photo frame.
void cmykRowToRgb(const JSAMPLE *cmyk, uchar *rgb, int width, bool inverted)
{
    for (int x = 0; x < width; ++x) {
        int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
        if (!inverted) {
            c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
        }
        rgb[3 * x] = static_cast<uchar>(c * k / 255);
        rgb[3 * x + 1] = static_cast<uchar>(m * k / 255);
        rgb[3 * x + 2] = static_cast<uchar>(y * k / 255);
    }
}

struct DecodeJob
{
    QSize target;
    Progress progress;
    QImage image;
    qint64 headerWidth = 0;
    qint64 headerHeight = 0;
    bool refusedSize = false;
};

// Everything between setjmp and the last libjpeg call; no object with a destructor lives here,
// so a jump out of libjpeg leaves nothing half-built but the job's picture.
bool decodeGuarded(jpeg_decompress_struct *cinfo, ErrorManager *err, QByteArrayView data, DecodeJob *job)
{
    if (setjmp(err->jump)) {
        return false;
    }
    jpeg_create_decompress(cinfo); // clears the whole structure but its error manager
    cinfo->progress = &job->progress.pub;
    cinfo->mem->max_memory_to_use = maxLibjpegMemory;
    jpeg_mem_src(cinfo, reinterpret_cast<const unsigned char *>(data.data()), static_cast<unsigned long>(data.size()));
    jpeg_read_header(cinfo, TRUE);
    job->headerWidth = cinfo->image_width;
    job->headerHeight = cinfo->image_height;
    if (job->headerWidth * job->headerHeight > PhotoCodec::maxPixels) {
        job->refusedSize = true;
        return false;
    }
    cinfo->scale_num = static_cast<unsigned>(PhotoCodec::scaleEighths(
        QSize(static_cast<int>(cinfo->image_width), static_cast<int>(cinfo->image_height)), job->target));
    cinfo->scale_denom = 8;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = cmyk ? JCS_CMYK : JCS_EXT_RGB;
    cinfo->dct_method = JDCT_ISLOW;
    jpeg_start_decompress(cinfo);
    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    job->image = QImage(width, height, QImage::Format_RGB888);
    if (job->image.isNull()) {
        std::snprintf(err->message, sizeof err->message, "out of memory");
        return false;
    }
    JSAMPARRAY cmykRow =
        cmyk ? (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, width * 4, 1) : nullptr;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        if (cmyk) {
            jpeg_read_scanlines(cinfo, cmykRow, 1);
            cmykRowToRgb(cmykRow[0], job->image.scanLine(y), width, cinfo->saw_Adobe_marker);
        } else {
            JSAMPROW row = job->image.scanLine(y);
            jpeg_read_scanlines(cinfo, &row, 1);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

struct EncodeOutput
{
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
};

bool encodeGuarded(jpeg_compress_struct *cinfo, ErrorManager *err, const QImage *rgb, int quality, EncodeOutput *out)
{
    if (setjmp(err->jump)) {
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, &out->buffer, &out->size);
    cinfo->image_width = static_cast<JDIMENSION>(rgb->width());
    cinfo->image_height = static_cast<JDIMENSION>(rgb->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE); // baseline tables
    cinfo->optimize_coding = TRUE;
    cinfo->dct_method = JDCT_ISLOW;
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW row = const_cast<JSAMPLE *>(rgb->constScanLine(static_cast<int>(cinfo->next_scanline)));
        jpeg_write_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

} // namespace

namespace PhotoCodec {

bool looksLikeJpeg(QByteArrayView data)
{
    return data.size() >= 3 && data.startsWith("\xFF\xD8\xFF");
}

bool looksLikeBmp(QByteArrayView data)
{
    return data.size() >= 26 && data.startsWith("BM");
}

std::optional<QSize> bmpHeaderSize(QByteArrayView data)
{
    if (!looksLikeBmp(data)) {
        return std::nullopt;
    }
    const auto *bytes = reinterpret_cast<const uchar *>(data.data());
    const quint32 infoSize = qFromLittleEndian<quint32>(bytes + 14);
    qint64 width = 0;
    qint64 height = 0;
    if (infoSize == 12) { // the oldest header: unsigned 16-bit sizes, rows always bottom-up
        width = qFromLittleEndian<quint16>(bytes + 18);
        height = qFromLittleEndian<quint16>(bytes + 20);
    } else if (infoSize >= 16) {
        width = qFromLittleEndian<qint32>(bytes + 18);
        height = qAbs(qint64(qFromLittleEndian<qint32>(bytes + 22))); // negative: rows stored top-down
    }
    if (width <= 0 || height <= 0 || width > std::numeric_limits<int>::max()
        || height > std::numeric_limits<int>::max()) {
        return std::nullopt;
    }
    return QSize(static_cast<int>(width), static_cast<int>(height));
}

int scaleEighths(QSize picture, QSize target)
{
    for (int n = 1; n < 8; ++n) {
        const qint64 w = (qint64(picture.width()) * n + 7) / 8;
        const qint64 h = (qint64(picture.height()) * n + 7) / 8;
        if (w >= target.width() && h >= target.height()) {
            return n;
        }
    }
    return 8;
}

bool decodeJpeg(QByteArrayView data, QSize target, QImage *image, QString *error, const std::atomic_bool *cancel)
{
    if (!looksLikeJpeg(data)) {
        *error = QStringLiteral("Plik nie zawiera zdjęcia JPEG.");
        return false;
    }
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    setUpErrors(err);
    cinfo.err = &err.pub;
    DecodeJob job;
    job.target = target;
    job.progress.pub.progress_monitor = progressMonitor;
    job.progress.cancel = cancel;
    const bool ok = decodeGuarded(&cinfo, &err, data, &job);
    jpeg_destroy_decompress(&cinfo);
    if (!ok) {
        if (job.refusedSize) {
            *error = tooLarge(job.headerWidth, job.headerHeight);
        } else if (job.progress.tooManyScans) {
            *error = QStringLiteral("Zdjęcie JPEG ma zbyt wiele skanów (ponad %1).").arg(maxScans);
        } else if (job.progress.cancelled) {
            *error = QStringLiteral("Przerwano odczyt zdjęcia.");
        } else {
            *error = damaged(err.message);
        }
        return false;
    }
    *image = std::move(job.image);
    return true;
}

bool decodeBmp(QByteArrayView data, QImage *image, QString *error)
{
    if (!looksLikeBmp(data)) {
        *error = QStringLiteral("Plik nie zawiera obrazu BMP.");
        return false;
    }
    const std::optional<QSize> size = bmpHeaderSize(data);
    if (!size) {
        *error = QStringLiteral("Plik BMP jest uszkodzony.");
        return false;
    }
    if (qint64(size->width()) * size->height() > maxPixels) {
        *error = tooLarge(size->width(), size->height());
        return false;
    }
    QByteArray bytes = data.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, "bmp");
    reader.setDecideFormatFromContent(false);
    QImage read;
    if (!reader.read(&read) || read.isNull()) {
        *error = QStringLiteral("Plik BMP jest uszkodzony (%1).").arg(reader.errorString());
        return false;
    }
    if (qint64(read.width()) * read.height() > maxPixels) {
        *error = tooLarge(read.width(), read.height());
        return false;
    }
    *image = std::move(read);
    return true;
}

bool decodePicture(QByteArrayView data, QImage *image, QString *error)
{
    QByteArray bytes = data.toByteArray();
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead()) {
        *error = QStringLiteral("Wybrany plik nie jest obrazem, który program umie odczytać.");
        return false;
    }
    // The size from the header first: a picture too large is refused before its pixels are made.
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > maxPixels) {
        *error = tooLarge(size.width(), size.height());
        return false;
    }
    QImage read;
    if (!reader.read(&read) || read.isNull()) {
        *error = QStringLiteral("Obraz jest uszkodzony (%1).").arg(reader.errorString());
        return false;
    }
    if (qint64(read.width()) * read.height() > maxPixels) {
        *error = tooLarge(read.width(), read.height());
        return false;
    }
    if (read.hasAlphaChannel()) {
        // Transparent parts become white, as the picture would look on a page, not black.
        QImage opaque(read.size(), QImage::Format_RGB32);
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, read);
        painter.end();
        read = std::move(opaque);
    }
    *image = std::move(read);
    return true;
}

QStringList pictureSuffixes()
{
    QStringList suffixes = {
        QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("bmp"), QStringLiteral("png")};
    for (const QByteArray &format : QImageReader::supportedImageFormats()) {
        const QString suffix = QString::fromLatin1(format).toLower();
        if (!suffixes.contains(suffix)) {
            suffixes.append(suffix);
        }
    }
    return suffixes;
}

bool encodeJpeg(const QImage &image, int quality, QByteArray *jpeg, QString *error)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) {
        *error = QStringLiteral("Brak pamięci na zdjęcie.");
        return false;
    }
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    setUpErrors(err);
    cinfo.err = &err.pub;
    EncodeOutput out;
    const bool ok = encodeGuarded(&cinfo, &err, &rgb, quality, &out);
    jpeg_destroy_compress(&cinfo);
    if (ok) {
        *jpeg = QByteArray(reinterpret_cast<const char *>(out.buffer), static_cast<qsizetype>(out.size));
    } else {
        *error = QStringLiteral("Nie można zapisać zdjęcia JPEG (%1).").arg(QString::fromLocal8Bit(err.message));
    }
    std::free(out.buffer);
    return ok;
}

} // namespace PhotoCodec
