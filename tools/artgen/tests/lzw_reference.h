#pragma once
// A plain GIF reader for the tests: Qt's decoder forgives code-width slips
// that other readers reject, so streams are also checked against this one.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace pm::art::reference {

// Decodes a GIF LZW code stream the way the format defines it; fails on a
// code that is not yet defined, a missing end code, or bytes after it.
inline ::testing::AssertionResult strictLzwDecode(
    const std::vector<uint8_t>& data, int minCodeSize, std::vector<uint8_t>& out)
{
    const unsigned clear = 1u << minCodeSize, eoi = clear + 1;
    size_t bitPos = 0;
    auto read = [&](int width, unsigned& code) {
        if (bitPos + size_t(width) > data.size() * 8)
            return false;
        code = 0;
        for (int i = 0; i < width; ++i, ++bitPos)
            code |= unsigned((data[bitPos / 8] >> (bitPos % 8)) & 1) << i;
        return true;
    };
    std::vector<std::vector<uint8_t>> table;
    int width = minCodeSize + 1;
    auto reset = [&] {
        table.assign(clear + 2, {});
        for (unsigned i = 0; i < clear; ++i)
            table[i] = {uint8_t(i)};
        width = minCodeSize + 1;
    };
    reset();
    std::vector<uint8_t> prev;
    bool havePrev = false;
    unsigned code;
    while (true) {
        if (!read(width, code))
            return ::testing::AssertionFailure() << "stream ends without the end code";
        if (code == clear) {
            reset();
            havePrev = false;
            continue;
        }
        if (code == eoi)
            break;
        std::vector<uint8_t> entry;
        if (code < table.size() && (code < clear || code > eoi)) {
            entry = table[code];
        } else if (code == table.size() && havePrev) {
            entry = prev;
            entry.push_back(prev[0]);
        } else {
            return ::testing::AssertionFailure() << "undefined code " << code << " at bit " << bitPos;
        }
        out.insert(out.end(), entry.begin(), entry.end());
        if (havePrev && table.size() < 4096) {
            std::vector<uint8_t> added = prev;
            added.push_back(entry[0]);
            table.push_back(added);
            if (table.size() == (1u << width) && width < 12)
                ++width;
        }
        prev = entry;
        havePrev = true;
    }
    if ((bitPos + 7) / 8 != data.size())
        return ::testing::AssertionFailure() << "bytes after the end code";
    return ::testing::AssertionSuccess();
}

// The first image's LZW minimum code size and code stream, sub-blocks joined.
inline ::testing::AssertionResult gifCodeStream(
    const std::string& gif, int& minCodeSize, std::vector<uint8_t>& data)
{
    if (gif.size() < 13 || gif.compare(0, 6, "GIF89a") != 0)
        return ::testing::AssertionFailure() << "no GIF89a signature";
    size_t pos = 13;
    const uint8_t flags = uint8_t(gif[10]);
    if (flags & 0x80)
        pos += 3u * (1u << ((flags & 7) + 1));
    while (pos < gif.size() && uint8_t(gif[pos]) == 0x21) { // extensions
        pos += 2;
        while (pos < gif.size() && gif[pos] != 0)
            pos += 1 + uint8_t(gif[pos]);
        ++pos;
    }
    if (pos + 10 >= gif.size() || uint8_t(gif[pos]) != 0x2C)
        return ::testing::AssertionFailure() << "no image descriptor";
    if (uint8_t(gif[pos + 9]) & 0x80)
        pos += 3u * (1u << ((uint8_t(gif[pos + 9]) & 7) + 1));
    pos += 10;
    minCodeSize = uint8_t(gif[pos++]);
    while (pos < gif.size() && gif[pos] != 0) {
        const size_t n = uint8_t(gif[pos]);
        if (pos + 1 + n > gif.size())
            return ::testing::AssertionFailure() << "truncated sub-block";
        data.insert(data.end(), gif.begin() + long(pos + 1), gif.begin() + long(pos + 1 + n));
        pos += 1 + n;
    }
    if (pos + 2 != gif.size() || uint8_t(gif[pos + 1]) != 0x3B)
        return ::testing::AssertionFailure() << "no trailer right after the image";
    return ::testing::AssertionSuccess();
}

} // namespace pm::art::reference
