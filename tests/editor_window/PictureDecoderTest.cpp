// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor/DecoderProcess.h"
#include "editor/FileNameBytes.h"
#include "editor/ImageFile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <unistd.h>

namespace corvane {
namespace {

// The real program (its own decoder switch), built next to this test.
const QByteArray program = QByteArrayLiteral(CORVANE_BINARY);

class DecoderProcessTest : public ::testing::Test {
protected:
    QString at(const char* name) const { return m_dir.filePath(QString::fromUtf8(name)); }
    void write(const char* name, const QByteArray& bytes) const
    {
        QFile file(at(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    // A stand-in for the program: a shell script run in the decoder's place.
    QByteArray script(const char* name, const QByteArray& body) const
    {
        write(name, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(at(name), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        return QFile::encodeName(at(name));
    }
    std::optional<OpenedImage> open(const QByteArray& executable, const char* file,
                                    const DecodeLimits& limits) const
    {
        return loadImageFile(QFile::encodeName(at(file)), HelperProcessDecoder(executable), limits);
    }

    QTemporaryDir m_dir;
};

DecodeLimits limits(qint64 memoryMb, int maxSide, int wallMs)
{
    DecodeLimits l;
    l.memoryBytes = memoryMb << 20;
    l.maxSide = maxSide;
    l.wallTime = std::chrono::milliseconds(wallMs);
    return l;
}

TEST_F(DecoderProcessTest, ThePictureComesBackOnlyWithinThePixelBudget)
{
    QImage honest(30, 20, QImage::Format_RGB32);
    honest.fill(QColor(200, 30, 40));
    honest.setDotsPerMeterX(5669); // 144 dpi
    honest.setDotsPerMeterY(5669);
    ASSERT_TRUE(honest.save(at("honest.png")));
    EXPECT_FALSE(open(program, "honest.png", limits(64, 29, 10000)));
    const auto opened = open(program, "honest.png", limits(64, 30, 10000));
    ASSERT_TRUE(opened);
    EXPECT_EQ(opened->image.size(), QSize(30, 20));
    EXPECT_EQ(opened->scale, 2);
    EXPECT_EQ(opened->image.pixel(29, 19), qRgb(200, 30, 40));
    EXPECT_EQ(opened->suggestedName, "honest");
}

TEST_F(DecoderProcessTest, AHelperThatCrashesHangsOrLiesGivesNothing)
{
    write("any.png", "whatever");
    const QByteArray header = QByteArray("CRVPIX01") +
                              QByteArray::fromHex("02000000"
                                                  "02000000"
                                                  "08000000"
                                                  "01000000") +
                              QByteArray::fromHex("000000000000f03f") + QByteArray(32, 0);
    write("header", header);
    write("huge-header", QByteArray(header).replace(8, 4, QByteArray::fromHex("00400100"))); // 82944 wide
    const struct {
        const char* name;
        QByteArray body;
    } helpers[] = {
        {"crashes", "kill -SEGV $$"},
        {"hangs", "exec sleep 60"},
        {"fails", "exit 3"},
        {"short", "cat " + QFile::encodeName(at("header"))},
        {"claims-too-much", "cat " + QFile::encodeName(at("huge-header")) + "; head -c 331776 /dev/zero"}};
    for (const auto& h : helpers) {
        QElapsedTimer clock;
        clock.start();
        EXPECT_FALSE(open(script(h.name, h.body), "any.png", limits(64, 16384, 500))) << h.name;
        EXPECT_LT(clock.elapsed(), 5000) << h.name << " was not stopped at the wall-clock limit";
    }
    // The same header with its 16 bytes of rows is a 2 x 2 picture: the stand-in itself works.
    EXPECT_TRUE(open(script("honest", "cat " + QFile::encodeName(at("header")) + "; head -c 16 /dev/zero"),
                     "any.png", limits(64, 16384, 5000)));
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
