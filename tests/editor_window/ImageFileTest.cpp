// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/ImageFile.h"

#include "editor/DecoderProcess.h"
#include "editor/FileNameBytes.h"
#include "output/OutputTestSupport.h"
#include "support/UnprivilegedFiles.h"

#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

namespace corvane {
namespace {

using outputtest::writeFile;

QByteArray encoded(const QImage& image, const char* format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QByteArray bigEndian(quint32 value)
{
    QByteArray out(4, 0);
    qToBigEndian(value, out.data());
    return out;
}

QByteArray chunk(const char* type, const QByteArray& data)
{
    const QByteArray body = QByteArray(type) + data;
    return bigEndian(quint32(data.size())) + body +
           bigEndian(quint32(crc32(0, reinterpret_cast<const Bytef*>(body.constData()), uInt(body.size()))));
}

// A PNG made by hand, so its header can claim any size whatever rows follow: 8-bit grey, each of the
// given rows filled with 0x80.
QByteArray flatPng(quint32 width, quint32 height, int rows)
{
    QByteArray row(1 + qsizetype(width), char(0x80));
    row[0] = 0;                                                        // no filter
    const QByteArray stream = qCompress(row.repeated(rows), 1).mid(4); // without Qt's length prefix
    return QByteArray::fromHex("89504e470d0a1a0a") +
           chunk("IHDR", bigEndian(width) + bigEndian(height) + QByteArray::fromHex("0800000000")) +
           chunk("IDAT", stream) + chunk("IEND", {});
}

bool magick(const QStringList& arguments)
{
    return QProcess::execute(QStringLiteral("convert"), arguments) == 0;
}

TEST(ImageFile, OpensEveryHonestKindUprightAsFastFormatsAndRefusesTheRest)
{
    QTemporaryDir dir;
    const auto at = [&](const char* name) {
        return dir.filePath(QString::fromLatin1(name));
    };
    QImage rgb(30, 20, QImage::Format_RGB32);
    rgb.fill(QColor(200, 100, 50));
    const QByteArray png = encoded(rgb, "PNG"); // Qt records 96 dpi, which counts as none
    writeFile(at("plain.png"), png);
    writeFile(at("photo.png"), encoded(rgb, "JPEG"));
    // Qt's writer turns the pixels instead of recording an orientation, so the tag is put in by hand:
    // an Exif segment whose one entry is Orientation (0x0112) = 6, turn clockwise to view.
    writeFile(at("turned.jpg"), encoded(rgb, "JPEG")
                                     .insert(2, QByteArray::fromHex("ffe10022457869660000"
                                                                    "4d4d002a00000008"
                                                                    "0001011200030000000100060000"
                                                                    "00000000")));
    writeFile(at("empty.png"), {});
    writeFile(at("half.png"), png.left(png.size() / 2));
    QByteArray damaged = png;
    damaged[png.indexOf("IDAT") + 6] = char(damaged[png.indexOf("IDAT") + 6] ^ 0x5a);
    writeFile(at("damaged.png"), damaged);
    writeFile(at("noise.jpg"), QByteArray::fromHex("ffd8ffe000104a46494600ffff00ff00"));
    const auto filled = [](QImage::Format format, QColor colour) {
        QImage image(30, 20, format);
        image.setColorTable({qRgb(200, 100, 50), qRgba(0, 0, 255, 0)}); // for the indexed one
        format == QImage::Format_Indexed8 ? image.fill(0u) : image.fill(colour);
        return image;
    };
    writeFile(at("deep.png"), encoded(filled(QImage::Format_RGBX64, QColor(200, 100, 50)), "PNG"));
    writeFile(at("grey.png"), encoded(filled(QImage::Format_Grayscale8, QColor(128, 128, 128)), "PNG"));
    writeFile(at("indexed.png"), encoded(filled(QImage::Format_Indexed8, {}), "PNG"));
    writeFile(at("clear.png"), encoded(filled(QImage::Format_ARGB32, QColor(200, 100, 50, 0)), "PNG"));
    writeFile(at("edge.png"), flatPng(16384, 1, 1)); // no resolution recorded at all
    writeFile(at("wide.png"), flatPng(16385, 1, 1));
    writeFile(at("zero.png"), flatPng(0, 20, 0));
    ASSERT_TRUE(magick({"-size", "30x20", "xc:rgb(200,100,50)", "-colorspace", "CMYK", at("cmyk.jpg")}));
    ASSERT_TRUE(magick({"-size", "30x20", "xc:rgb(200,100,50)", "xc:blue", "-loop", "0", at("anim.gif")}));
    QDir(dir.path()).mkdir("folder.png");
    ASSERT_EQ(mkfifo(QFile::encodeName(at("pipe.png")).constData(), 0600), 0); // reading would wait for ever

    const struct {
        const char* file;
        QSize size;
        QRgb topLeft; // within 6 per channel (JPEG and CMYK are lossy)
        bool alpha;
    } cases[] = {{"plain.png", {30, 20}, 0xffc86432, false},
                 {"photo.png", {30, 20}, 0xffc86432, false}, // a JPEG behind a PNG name
                 {"turned.jpg", {20, 30}, 0xffc86432, false},
                 {"deep.png", {30, 20}, 0xffc86432, false},
                 {"grey.png", {30, 20}, 0xff808080, false},
                 {"indexed.png", {30, 20}, 0xffc86432, true},
                 {"clear.png", {30, 20}, 0x00000000, true},
                 {"cmyk.jpg", {30, 20}, 0xffc86432, false},
                 {"anim.gif", {30, 20}, 0xffc86432, false},
                 {"edge.png", {16384, 1}, 0xff808080, false}};
    for (const auto& c : cases) {
        const auto opened = loadImageFile(at(c.file));
        ASSERT_TRUE(opened) << c.file;
        EXPECT_EQ(opened->image.size(), c.size) << c.file;
        EXPECT_EQ(opened->image.format(),
                  c.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32)
            << c.file;
        const QRgb got = opened->image.pixel(0, 0);
        for (const int shift : {0, 8, 16, 24})
            EXPECT_NEAR(int(got >> shift & 0xff), int(c.topLeft >> shift & 0xff), 6)
                << c.file << " " << shift;
    }
    for (const char* refused : {"wide.png", "zero.png", "empty.png", "half.png", "damaged.png", "noise.jpg",
                                "folder.png", "pipe.png", "missing.png"})
        EXPECT_FALSE(loadImageFile(at(refused))) << refused;
}

TEST(ImageFile, RefusesAFileItMayNotRead)
{
    QTemporaryDir dir;
    // The folder open to all, so that only the file's own permissions decide.
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                      QFile::ReadOther | QFile::ExeOther));
    for (const bool readable : {true, false}) {
        const QString path = dir.filePath(readable ? "readable.png" : "locked.png");
        writeFile(path, flatPng(4, 4, 4));
        ASSERT_TRUE(QFile::setPermissions(path, readable ? QFile::ReadOwner | QFile::ReadOther
                                                         : QFile::Permissions()));
        const testsupport::UnprivilegedFiles asUser;
        ASSERT_TRUE(geteuid() != 0 || testsupport::UnprivilegedFiles::active())
            << "cannot give up root's file rights";
        EXPECT_EQ(loadImageFile(path).has_value(), readable) << readable;
    }
}

// The real program's answers through the process (an honest picture at its scale, the pixel budget,
// the memory limit, an SVG's references not followed) are e2e.editor.draw-copy-save's and
// e2e.faults.hostile-pictures'.
TEST(DecoderProcessTest, AHelperThatCrashesHangsOrLiesGivesNothing)
{
    QTemporaryDir dir;
    writeFile(dir.filePath("any.png"), "whatever");
    const QByteArray header = QByteArray("CRVPIX01") +
                              QByteArray::fromHex("02000000"
                                                  "02000000"
                                                  "08000000"
                                                  "01000000") +
                              QByteArray::fromHex("000000000000f03f") + QByteArray(32, 0);
    writeFile(dir.filePath("header"), header);
    // The same header, 82944 pixels wide.
    writeFile(dir.filePath("huge-header"),
               QByteArray(header).replace(8, 4, QByteArray::fromHex("00400100")));
    const QByteArray cat = "cat " + QFile::encodeName(dir.path()) + "/";
    const struct {
        const char* name;
        QByteArray body;
        bool opens;
    } helpers[] = {{"crashes", "kill -SEGV $$", false},
                   {"hangs", "exec sleep 60", false},
                   {"fails", "exit 3", false},
                   {"short", cat + "header", false},
                   {"claims-too-much", cat + "huge-header; head -c 331776 /dev/zero", false},
                   // The same header with its 16 bytes of rows is a 2 x 2 picture: the stand-in itself works.
                   {"honest", cat + "header; head -c 16 /dev/zero", true}};
    for (const auto& h : helpers) {
        // A stand-in for the program: a shell script run in the decoder's place.
        const QString script = dir.filePath(h.name);
        writeFile(script, "#!/bin/sh\n" + h.body + "\n");
        QFile::setPermissions(script, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QElapsedTimer clock;
        clock.start();
        const auto opened = loadImageFile(
            QFile::encodeName(dir.filePath("any.png")), HelperProcessDecoder(QFile::encodeName(script)),
            DecodeLimits{.memoryBytes = 64 << 20, .wallTime = std::chrono::seconds(2)});
        EXPECT_EQ(opened.has_value(), h.opens) << h.name;
        EXPECT_LT(clock.elapsed(), 5000) << h.name << " was not stopped at the wall-clock limit";
    }
}

TEST(FileNameBytesTest, EveryByteSurvivesTheRoundTrip)
{
    const struct {
        QByteArray bytes;
        QString name;
    } cases[] = {{"caf\xc3\xa9.png", QStringLiteral(u"caf\u00e9.png")},
                 {"caf\xe9.png", QStringLiteral(u"caf\xdce9.png")},
                 {"\xc0\xaf", QStringLiteral(u"\xdcc0\xdcaf")},           // overlong "/"
                 {"\xed\xa0\x80", QStringLiteral(u"\xdced\xdca0\xdc80")}, // an encoded surrogate
                 {"\xf0\x9f\x93\xb7", QStringLiteral(u"\U0001f4f7")},
                 {"\xf0\x9f", QStringLiteral(u"\xdcf0\xdc9f")}};
    for (const auto& c : cases) {
        EXPECT_EQ(FileNameBytes::decode(c.bytes), c.name) << c.bytes.toHex().toStdString();
        EXPECT_EQ(FileNameBytes::encode(c.name), c.bytes) << c.bytes.toHex().toStdString();
    }
}

} // namespace
} // namespace corvane
