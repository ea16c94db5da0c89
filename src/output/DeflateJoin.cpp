// Corvane: screenshot and annotation utility.
// SPDX-License-Identifier: GPL-3.0-or-later
#include "output/DeflateJoin.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace corvane::DeflateJoin {

namespace {

// Reads bits least significant first, as deflate packs them. Every read is bounds-checked against
// the stream's size in bits; the 8 bytes of slack after it make the unaligned loads safe.
class Bits {
public:
    Bits(const std::uint8_t* data, std::size_t size)
        : m_data(data)
        , m_limit(size * 8)
    {}

    std::uint32_t peek(int count) const
    {
        std::uint64_t word;
        std::memcpy(&word, m_data + (m_position >> 3), sizeof word);
        return std::uint32_t(word >> (m_position & 7)) & ((1u << count) - 1u);
    }
    bool skip(std::size_t count)
    {
        m_position += count;
        return m_position <= m_limit;
    }
    bool read(int count, std::uint32_t& value)
    {
        value = peek(count);
        return skip(std::size_t(count));
    }
    void alignToByte() { m_position = (m_position + 7) & ~std::size_t(7); }
    std::size_t position() const { return m_position; }
    bool ok() const { return m_position <= m_limit; }

private:
    const std::uint8_t* m_data;
    std::size_t m_limit;
    std::size_t m_position = 0;
};

// A canonical Huffman code as one lookup table indexed by the next MAX_BITS bits: symbol << 4 | length.
class Huffman {
public:
    bool build(const std::uint8_t* lengths, int count)
    {
        std::array<int, 16> perLength{};
        for (int s = 0; s < count; ++s)
            ++perLength[lengths[s]];
        perLength[0] = 0;
        m_bits = 0;
        for (int l = 15; l > 0 && m_bits == 0; --l)
            if (perLength[l])
                m_bits = l;
        if (m_bits == 0)
            m_bits = 1; // a code with no symbols (a block without distances): any read fails below
        std::array<std::uint32_t, 16> next{};
        std::uint32_t code = 0;
        for (int l = 1; l < 16; ++l) {
            code = (code + std::uint32_t(perLength[l - 1])) << 1;
            next[l] = code;
        }
        m_table.assign(std::size_t(1) << m_bits, 0);
        for (int s = 0; s < count; ++s) {
            const int l = lengths[s];
            if (l == 0)
                continue;
            const std::uint32_t c = next[l]++;
            if (c >= (1u << l))
                return false; // over-subscribed
            std::uint32_t reversed = 0;
            for (int b = 0; b < l; ++b)
                reversed |= ((c >> b) & 1u) << (l - 1 - b);
            for (std::size_t i = reversed; i < m_table.size(); i += std::size_t(1) << l)
                m_table[i] = std::uint32_t(s) << 4 | std::uint32_t(l);
        }
        return true;
    }

    // The next symbol, or -1 for bits that are no code.
    int decode(Bits& bits) const
    {
        const std::uint32_t entry = m_table[bits.peek(m_bits)];
        if ((entry & 15u) == 0 || !bits.skip(entry & 15u))
            return -1;
        return int(entry >> 4);
    }

private:
    int m_bits = 0;
    std::vector<std::uint32_t> m_table;
};

constexpr std::array<std::uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                       2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};

bool readDynamicCodes(Bits& bits, Huffman& literals, Huffman& distances)
{
    std::uint32_t hlit, hdist, hclen;
    if (!bits.read(5, hlit) || !bits.read(5, hdist) || !bits.read(4, hclen))
        return false;
    hlit += 257;
    hdist += 1;
    hclen += 4;
    static constexpr std::array<std::uint8_t, 19> order = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
    std::array<std::uint8_t, 19> codeLengths{};
    for (std::uint32_t i = 0; i < hclen; ++i) {
        std::uint32_t l;
        if (!bits.read(3, l))
            return false;
        codeLengths[order[i]] = std::uint8_t(l);
    }
    Huffman lengthCode;
    if (!lengthCode.build(codeLengths.data(), 19))
        return false;
    std::array<std::uint8_t, 320> lengths{};
    for (std::uint32_t i = 0; i < hlit + hdist;) {
        const int symbol = lengthCode.decode(bits);
        std::uint32_t repeat = 0;
        std::uint8_t value = 0;
        if (symbol < 0)
            return false;
        if (symbol < 16) {
            lengths[i++] = std::uint8_t(symbol);
            continue;
        }
        if (symbol == 16) {
            if (i == 0 || !bits.read(2, repeat))
                return false;
            value = lengths[i - 1];
            repeat += 3;
        } else if (!bits.read(symbol == 17 ? 3 : 7, repeat)) {
            return false;
        } else {
            repeat += symbol == 17 ? 3 : 11;
        }
        if (i + repeat > hlit + hdist)
            return false;
        std::fill_n(lengths.begin() + i, repeat, value);
        i += repeat;
    }
    return literals.build(lengths.data(), int(hlit)) && distances.build(lengths.data() + hlit, int(hdist));
}

// Walks one block's codes to its end-of-block symbol.
bool skipCodes(Bits& bits, const Huffman& literals, const Huffman& distances)
{
    for (;;) {
        const int symbol = literals.decode(bits);
        if (symbol < 0 || symbol > 285)
            return false;
        if (symbol < 256)
            continue;
        if (symbol == 256)
            return true;
        // The length's extra bits come before the distance code, the distance's after it.
        if (!bits.skip(kLengthExtra[std::size_t(symbol - 257)]))
            return false;
        const int distance = distances.decode(bits);
        if (distance < 0 || distance > 29 || !bits.skip(std::size_t(distance < 4 ? 0 : distance / 2 - 1)))
            return false;
    }
}

} // namespace

bool makeJoinable(const std::uint8_t* stream, std::size_t size, std::vector<std::uint8_t>& out)
{
    Bits bits(stream, size);
    static const auto fixed = [] {
        std::array<std::uint8_t, 320> lengths{};
        std::fill_n(lengths.begin(), 144, std::uint8_t(8));
        std::fill_n(lengths.begin() + 144, 112, std::uint8_t(9));
        std::fill_n(lengths.begin() + 256, 24, std::uint8_t(7));
        std::fill_n(lengths.begin() + 280, 8, std::uint8_t(8));
        std::fill_n(lengths.begin() + 288, 32, std::uint8_t(5));
        std::pair<Huffman, Huffman> codes;
        codes.first.build(lengths.data(), 288);
        codes.second.build(lengths.data() + 288, 32);
        return codes;
    }();
    Huffman literals;
    Huffman distances;
    for (;;) {
        const std::size_t header = bits.position();
        std::uint32_t final, type;
        if (!bits.read(1, final) || !bits.read(2, type))
            return false;
        if (type == 0) {
            bits.alignToByte();
            std::uint32_t length, complement;
            if (!bits.read(16, length) || !bits.read(16, complement) || (length ^ 0xffffu) != complement ||
                !bits.skip(std::size_t(length) * 8))
                return false;
        } else if (type == 1) {
            if (!skipCodes(bits, fixed.first, fixed.second))
                return false;
        } else if (type == 2) {
            if (!readDynamicCodes(bits, literals, distances) || !skipCodes(bits, literals, distances))
                return false;
        } else {
            return false;
        }
        if (!final)
            continue;
        // The stream ends here: unmark its last block and close with an empty stored block, whose
        // three header bits are zero, then four bytes at the next byte boundary.
        const std::size_t end = bits.position();
        const std::size_t bytes = (end + 3 + 7) / 8;
        out.assign(stream, stream + std::min(bytes, size));
        out.resize(bytes, 0);
        out[header >> 3] &= std::uint8_t(~(1u << (header & 7)));
        if ((end & 7) != 0) // clear anything after the end in its byte (the compressor pads with zeros)
            out[end >> 3] &= std::uint8_t((1u << (end & 7)) - 1u);
        if (bytes > (end + 7) / 8)
            out[bytes - 1] = 0;
        const std::uint8_t marker[4] = {0x00, 0x00, 0xff, 0xff};
        out.insert(out.end(), marker, marker + 4);
        return true;
    }
}

} // namespace corvane::DeflateJoin
