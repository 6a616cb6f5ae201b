#pragma once

#include <QByteArray>

#include <algorithm>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

// A valid progressive grey 64 x 64 JPEG of 64 to 694 scans, written by libjpeg from a scan script:
// the DC scan, then each AC band sent bit by bit from a point transform of up to 10 down to 0.
inline QByteArray progressiveJpegWithScans(int scans)
{
    std::vector<jpeg_scan_info> script{{1, {0}, 0, 0, 0, 0}};
    for (int band = 1, extra = scans - 64; band <= 63; ++band) {
        const int al = std::clamp(extra, 0, 10);
        extra -= al;
        script.push_back({1, {0}, band, band, 0, al});
        for (int bit = al; bit > 0; --bit) {
            script.push_back({1, {0}, band, band, bit, bit - 1});
        }
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = cinfo.image_height = 64;
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    cinfo.scan_info = script.data();
    cinfo.num_scans = static_cast<int>(script.size());
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(64);
    for (JSAMPROW rows[] = {row.data()}; cinfo.next_scanline < 64; jpeg_write_scanlines(&cinfo, rows, 1)) {
        std::fill(row.begin(), row.end(), static_cast<JSAMPLE>(cinfo.next_scanline * 4));
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    const QByteArray bytes(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}
