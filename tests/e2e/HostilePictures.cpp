// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the hostile and the merely large picture files the end-to-end tests open, into the folder
// named on the command line. They are made here, not checked in: a 16384 x 16384 PNG is written as a
// stream of deflated rows in well under a second and never exists in memory.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>
#include <zlib.h>

namespace {

using Bytes = std::string;

Bytes bigEndian(std::uint32_t v)
{
    return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}

Bytes chunk(const Bytes& type, const Bytes& data)
{
    const Bytes body = type + data;
    const auto crc = crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()));
    return bigEndian(std::uint32_t(data.size())) + body + bigEndian(std::uint32_t(crc));
}

const Bytes signature("\x89PNG\r\n\x1a\n", 8);

Bytes header(std::uint32_t width, std::uint32_t height, char colourType)
{
    return chunk("IHDR", bigEndian(width) + bigEndian(height) + Bytes{8, colourType, 0, 0, 0});
}

// A PNG of one flat colour: the first row holds the colour, every later row says "same as above"
// (filter Up over zeros), deflated row by row.
Bytes flatPng(std::uint32_t width, std::uint32_t height, const Bytes& pixel, char colourType)
{
    z_stream z{};
    deflateInit(&z, 1);
    Bytes out;
    std::vector<unsigned char> buffer(1 << 20);
    Bytes row(1 + std::size_t(width) * pixel.size(), 0);
    for (std::uint32_t x = 0; x < width; ++x)
        row.replace(1 + x * pixel.size(), pixel.size(), pixel);
    const Bytes same(row.size(), 0);
    const Bytes sameUp = Bytes(1, 2) + same.substr(1);
    for (std::uint32_t y = 0; y < height; ++y) {
        const Bytes& r = y == 0 ? row : sameUp;
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(r.data()));
        z.avail_in = uInt(r.size());
        const int flush = y + 1 == height ? Z_FINISH : Z_NO_FLUSH;
        do {
            z.next_out = buffer.data();
            z.avail_out = uInt(buffer.size());
            deflate(&z, flush);
            out.append(reinterpret_cast<char*>(buffer.data()), buffer.size() - z.avail_out);
        } while (z.avail_out == 0 || (flush == Z_FINISH && z.avail_in > 0));
    }
    deflateEnd(&z);
    return signature + header(width, height, colourType) + chunk("IDAT", out) + chunk("IEND", {});
}

void write(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

Bytes little16(std::uint16_t v)
{
    return {char(v), char(v >> 8)};
}
Bytes little32(std::uint32_t v)
{
    return little16(std::uint16_t(v)) + little16(std::uint16_t(v >> 16));
}

Bytes svgWithImage(const std::string& href)
{
    return "<svg xmlns='http://www.w3.org/2000/svg' xmlns:xlink='http://www.w3.org/1999/xlink' "
           "width='100' height='100'><rect width='100' height='100' fill='#2080c0'/>"
           "<image x='0' y='0' width='100' height='100' xlink:href='" +
           href + "'/></svg>\n";
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: hostile_pictures FOLDER\n", stderr);
        return 2;
    }
    const std::string dir = argv[1];
    // An honest picture at the largest size the editor opens.
    write(dir + "/large.png", flatPng(16384, 16384, Bytes("\x14\x78\xdc", 3), 2));
    // An SVG whose image is itself, named as a PNG: the format is read from the content.
    write(dir + "/self.png", svgWithImage(dir + "/self.png"));
    // An SVG whose image is a named pipe nobody writes to.
    mkfifo((dir + "/pipe").c_str(), 0600);
    write(dir + "/pipe.svg", svgWithImage(dir + "/pipe"));
    // A 100 x 100 SVG whose image is the 16384 x 16384 PNG.
    write(dir + "/huge-image.svg", svgWithImage(dir + "/large.png"));
    // An icon whose directory says 256 x 256 and whose one image is a 30000 x 8000 PNG.
    const Bytes inner = flatPng(30000, 8000, Bytes("\x80", 1), 0);
    write(dir + "/huge.ico", little16(0) + little16(1) + little16(1) + Bytes{0, 0, 0, 0} + little16(1) +
                                 little16(32) + little32(std::uint32_t(inner.size())) + little32(22) + inner);
    // 44 bytes: a 1 x 1 PNG header, then a text chunk that claims 1.8 GB and holds three bytes.
    write(dir + "/text-bomb.png", signature + header(1, 1, 0) + bigEndian(1'800'000'000) + "tEXtabc");
    return 0;
}
