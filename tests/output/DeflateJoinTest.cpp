// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/DeflateJoin.h"

#include <gtest/gtest.h>
#include <libdeflate.h>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace corvane {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Raw deflate from libdeflate at LEVEL, with the 8 bytes of slack the joiner reads ahead.
Bytes compress(const Bytes& input, int level, std::size_t& size)
{
    std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> c(
        libdeflate_alloc_compressor(level), &libdeflate_free_compressor);
    Bytes out(libdeflate_deflate_compress_bound(c.get(), input.size()) + 8);
    size = libdeflate_deflate_compress(c.get(), input.data(), input.size(), out.data(), out.size() - 8);
    return out;
}

// What a deflate decoder that knows nothing of the joiner makes of the stream.
std::optional<Bytes> inflate(const Bytes& stream, std::size_t expected)
{
    std::unique_ptr<libdeflate_decompressor, decltype(&libdeflate_free_decompressor)> d(
        libdeflate_alloc_decompressor(), &libdeflate_free_decompressor);
    Bytes out(expected + 1);
    std::size_t produced = 0;
    if (libdeflate_deflate_decompress(d.get(), stream.data(), stream.size(), out.data(), out.size(),
                                      &produced) != LIBDEFLATE_SUCCESS)
        return std::nullopt;
    out.resize(produced);
    return out;
}

Bytes sample(const char* kind, std::size_t size)
{
    std::mt19937 random(11);
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        const std::string k = kind;
        if (k == "runs")
            bytes[i] = std::uint8_t(i / 1000);
        else if (k == "noise") // incompressible: stored blocks
            bytes[i] = std::uint8_t(random());
        else // short repeats among noise: dynamic codes with lengths and distances of every size
            bytes[i] = i % 97 < 50 ? std::uint8_t(i % 7) : std::uint8_t(random() & 3);
    }
    return bytes;
}

TEST(DeflateJoinTest, PiecesFollowedByAnotherStreamDecodeToTheirConcatenation)
{
    const struct {
        const char* kind;
        std::size_t size;
        int level;
    } cases[] = {{"runs", 300000, 2},   {"noise", 200000, 2}, {"mixed", 900000, 1},
                 {"mixed", 900000, 12}, {"mixed", 1, 2},      {"runs", 0, 2}};
    const Bytes tail = sample("mixed", 5000);
    std::size_t tailSize = 0;
    const Bytes tailStream = compress(tail, 6, tailSize);
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.kind << " " << c.size << " at level " << c.level);
        const Bytes head = sample(c.kind, c.size);
        std::size_t size = 0;
        const Bytes stream = compress(head, c.level, size);
        ASSERT_GT(size, 0u);
        Bytes joined;
        ASSERT_TRUE(DeflateJoin::makeJoinable(stream.data(), size, joined));
        // The same piece twice, then a final one: every piece but the last must be joinable.
        Bytes whole = joined;
        whole.insert(whole.end(), joined.begin(), joined.end());
        whole.insert(whole.end(), tailStream.begin(), tailStream.begin() + std::ptrdiff_t(tailSize));
        Bytes expected = head;
        expected.insert(expected.end(), head.begin(), head.end());
        expected.insert(expected.end(), tail.begin(), tail.end());
        const std::optional<Bytes> decoded = inflate(whole, expected.size());
        ASSERT_TRUE(decoded);
        EXPECT_TRUE(*decoded == expected);
    }
}

TEST(DeflateJoinTest, StreamsItCannotReadAreRefused)
{
    std::size_t size = 0;
    const Bytes good = compress(sample("mixed", 100000), 2, size);
    Bytes reservedType = good;
    reservedType[0] |= 0x06; // block type 3 does not exist
    Bytes badStored = {0x01, 0x05, 0x00, 0x00, 0x00, 0, 0, 0, 0, 0, 0, 0, 0}; // length 5, complement 0
    const struct {
        const char* what;
        const Bytes* bytes;
        std::size_t size;
    } cases[] = {{"cut short", &good, size / 2},
                 {"reserved block type", &reservedType, size},
                 {"stored length without its complement", &badStored, 5},
                 {"nothing", &good, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Bytes out;
        EXPECT_FALSE(DeflateJoin::makeJoinable(c.bytes->data(), c.size, out));
    }
}

} // namespace
} // namespace corvane
