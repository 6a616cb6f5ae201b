#pragma once

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>
#include <vector>

// A valid progressive grey JPEG of the given size with `scans` scans (64 to 704), written by libjpeg
// itself from a scan script: the DC scan, then each AC coefficient band sent bit by bit from a high
// point transform down to zero. Bands share the extra scans out until the count is reached.
inline QByteArray progressiveJpegWithScans(int scans, int width = 64, int height = 64)
{
    std::vector<jpeg_scan_info> script;
    script.push_back({1, {0, 0, 0, 0}, 0, 0, 0, 0});
    int extra = scans - 64; // each of the 63 bands needs one scan at least
    for (int band = 1; band <= 63; ++band) {
        const int al = extra < 0 ? 0 : (extra > 10 ? 10 : extra); // libjpeg allows point transforms to 10
        extra -= al;
        script.push_back({1, {0, 0, 0, 0}, band, band, 0, al});
        for (int bit = al; bit > 0; --bit) {
            script.push_back({1, {0, 0, 0, 0}, band, band, bit, bit - 1});
        }
    }
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr err{};
    cinfo.err = jpeg_std_error(&err); // a wrong script exits the test program with libjpeg's message
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    cinfo.scan_info = script.data();
    cinfo.num_scans = static_cast<int>(script.size());
    cinfo.optimize_coding = TRUE;
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<size_t>(width));
    while (cinfo.next_scanline < cinfo.image_height) {
        for (int x = 0; x < width; ++x) {
            row[static_cast<size_t>(x)] = static_cast<JSAMPLE>((x * 7 + cinfo.next_scanline * 3) & 0xFF);
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    QByteArray bytes(reinterpret_cast<const char *>(buffer), static_cast<qsizetype>(size));
    std::free(buffer);
    return bytes;
}
