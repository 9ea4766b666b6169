#include "image_codec.h"

#include <algorithm>
#include <array>
#include <map>
#include <stdexcept>
#include <unordered_map>

namespace pm::art {

namespace {

uint32_t blend(uint32_t argb, uint32_t matte)
{
    const uint32_t a = argb >> 24;
    auto mix = [a](uint32_t fg, uint32_t bg) { return (fg * a + bg * (255 - a) + 127) / 255; };
    uint32_t out = 0;
    for (int shift : {16, 8, 0})
        out |= mix((argb >> shift) & 0xFF, (matte >> shift) & 0xFF) << shift;
    return out;
}

int channel(uint32_t rgb, int c)
{
    return int((rgb >> (16 - 8 * c)) & 0xFF);
}

struct Entry {
    uint32_t rgb;
    uint32_t count;
};

// Median cut over the distinct colours, weighted by how often they occur.
std::vector<uint32_t> medianCut(std::vector<Entry> colours, size_t wanted)
{
    struct Box {
        size_t begin, end;
    };
    auto range = [&](const Box& b, int c) {
        int lo = 255, hi = 0;
        for (size_t i = b.begin; i < b.end; ++i) {
            lo = std::min(lo, channel(colours[i].rgb, c));
            hi = std::max(hi, channel(colours[i].rgb, c));
        }
        return hi - lo;
    };
    std::vector<Box> boxes{{0, colours.size()}};
    while (boxes.size() < wanted) {
        int bestBox = -1, bestChannel = 0, bestRange = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            if (boxes[i].end - boxes[i].begin < 2)
                continue;
            for (int c = 0; c < 3; ++c) {
                const int r = range(boxes[i], c);
                if (r > bestRange) {
                    bestRange = r;
                    bestBox = int(i);
                    bestChannel = c;
                }
            }
        }
        if (bestBox < 0)
            break;
        Box box = boxes[size_t(bestBox)];
        auto first = colours.begin() + long(box.begin), last = colours.begin() + long(box.end);
        std::sort(first, last, [bestChannel](const Entry& x, const Entry& y) {
            const int cx = channel(x.rgb, bestChannel), cy = channel(y.rgb, bestChannel);
            return cx != cy ? cx < cy : x.rgb < y.rgb;
        });
        uint64_t total = 0;
        for (auto it = first; it != last; ++it)
            total += it->count;
        uint64_t seen = 0;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            seen += colours[i].count;
            cut = i + 1;
            if (seen * 2 >= total)
                break;
        }
        boxes[size_t(bestBox)] = {box.begin, cut};
        boxes.push_back({cut, box.end});
    }
    std::vector<uint32_t> palette;
    for (const Box& b : boxes) {
        uint64_t sum[3] = {0, 0, 0}, n = 0;
        for (size_t i = b.begin; i < b.end; ++i) {
            for (int c = 0; c < 3; ++c)
                sum[c] += uint64_t(channel(colours[i].rgb, c)) * colours[i].count;
            n += colours[i].count;
        }
        uint32_t rgb = 0;
        for (int c = 0; c < 3; ++c)
            rgb |= uint32_t((sum[c] + n / 2) / n) << (16 - 8 * c);
        palette.push_back(rgb);
    }
    return palette;
}

uint8_t nearest(const std::vector<uint32_t>& palette, size_t count, uint32_t rgb)
{
    size_t best = 0;
    int bestDist = 1 << 30;
    for (size_t i = 0; i < count; ++i) {
        int d = 0;
        for (int c = 0; c < 3; ++c) {
            const int e = channel(palette[i], c) - channel(rgb, c);
            d += e * e;
        }
        if (d < bestDist) {
            bestDist = d;
            best = i;
        }
    }
    return uint8_t(best);
}

void put16(std::string& out, unsigned v)
{
    out.push_back(char(v & 0xFF));
    out.push_back(char((v >> 8) & 0xFF));
}

void put32(std::string& out, uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

} // namespace

IndexedImage quantize(const RgbaImage& image, uint32_t matte)
{
    if (image.width <= 0 || image.height <= 0
        || image.pixels.size() != size_t(image.width) * size_t(image.height))
        throw std::invalid_argument("quantize: bad image size");
    std::vector<uint32_t> opaque(image.pixels.size());
    bool anyClear = false;
    std::map<uint32_t, uint32_t> counts;
    for (size_t i = 0; i < image.pixels.size(); ++i) {
        const uint32_t p = image.pixels[i];
        if ((p >> 24) < 128) {
            anyClear = true;
            opaque[i] = 0xFFFFFFFFu; // marker: not a colour
            continue;
        }
        opaque[i] = blend(p, matte);
        ++counts[opaque[i]];
    }
    const size_t room = anyClear ? 255 : 256;
    std::vector<uint32_t> palette;
    if (counts.size() <= room) {
        for (const auto& [rgb, n] : counts)
            palette.push_back(rgb);
    } else {
        std::vector<Entry> colours;
        for (const auto& [rgb, n] : counts)
            colours.push_back({rgb, n});
        palette = medianCut(std::move(colours), room);
    }
    if (palette.empty())
        palette.push_back(matte & 0xFFFFFF);
    const size_t colourCount = palette.size();

    IndexedImage out;
    out.width = image.width;
    out.height = image.height;
    if (anyClear) {
        out.transparent = int(palette.size());
        palette.push_back(matte & 0xFFFFFF);
    }
    std::unordered_map<uint32_t, uint8_t> lookup;
    out.indices.resize(opaque.size());
    for (size_t i = 0; i < opaque.size(); ++i) {
        if (opaque[i] == 0xFFFFFFFFu) {
            out.indices[i] = uint8_t(out.transparent);
            continue;
        }
        auto it = lookup.find(opaque[i]);
        if (it == lookup.end())
            it = lookup.emplace(opaque[i], nearest(palette, colourCount, opaque[i])).first;
        out.indices[i] = it->second;
    }
    out.palette = std::move(palette);
    return out;
}

int minCodeSizeFor(size_t paletteSize)
{
    int bits = 2;
    while ((size_t(1) << bits) < paletteSize)
        ++bits;
    return bits;
}

std::vector<uint8_t> lzwEncode(const std::vector<uint8_t>& indices, int minCodeSize)
{
    if (minCodeSize < 2 || minCodeSize > 8)
        throw std::invalid_argument("lzwEncode: minimum code size out of range");
    const unsigned clear = 1u << minCodeSize, endOfInfo = clear + 1;
    constexpr unsigned kMaxCodes = 4096;

    std::vector<uint8_t> out;
    uint32_t bitBuf = 0;
    int bitCount = 0;
    int width = minCodeSize + 1;
    auto emit = [&](unsigned code) {
        bitBuf |= code << bitCount;
        bitCount += width;
        while (bitCount >= 8) {
            out.push_back(uint8_t(bitBuf & 0xFF));
            bitBuf >>= 8;
            bitCount -= 8;
        }
    };

    std::unordered_map<uint32_t, uint16_t> table; // (prefix << 8 | index) -> code
    unsigned next = clear + 2;
    auto reset = [&] {
        table.clear();
        next = clear + 2;
        width = minCodeSize + 1;
    };

    emit(clear);
    if (indices.empty()) {
        emit(endOfInfo);
    } else {
        unsigned current = indices[0];
        if (current >= clear)
            throw std::invalid_argument("lzwEncode: index beyond the code size");
        for (size_t i = 1; i < indices.size(); ++i) {
            const unsigned px = indices[i];
            if (px >= clear)
                throw std::invalid_argument("lzwEncode: index beyond the code size");
            const uint32_t key = (current << 8) | px;
            auto it = table.find(key);
            if (it != table.end()) {
                current = it->second;
                continue;
            }
            emit(current);
            table.emplace(key, uint16_t(next++));
            // The decoder learns each entry one code later than we do, so it
            // widens when our next code passes, not reaches, the limit.
            if (next > (1u << width) && width < 12)
                ++width;
            if (next == kMaxCodes) {
                emit(clear);
                reset();
            }
            current = px;
        }
        emit(current);
        // The decoder adds one more entry on reading that last code.
        if (next != clear + 2 && next == (1u << width) && width < 12)
            ++width;
        emit(endOfInfo);
    }
    if (bitCount > 0)
        out.push_back(uint8_t(bitBuf & 0xFF));
    return out;
}

std::string encodeGif(const IndexedImage& image)
{
    if (image.palette.empty() || image.palette.size() > 256)
        throw std::invalid_argument("encodeGif: palette must hold 1 to 256 colours");
    if (image.width <= 0 || image.height <= 0 || image.width > 0xFFFF || image.height > 0xFFFF
        || image.indices.size() != size_t(image.width) * size_t(image.height))
        throw std::invalid_argument("encodeGif: bad image size");
    int bits = 1; // colour table of 2^bits entries
    while ((size_t(1) << bits) < image.palette.size())
        ++bits;
    const size_t tableSize = size_t(1) << bits;

    std::string out = "GIF89a";
    put16(out, unsigned(image.width));
    put16(out, unsigned(image.height));
    out.push_back(char(0x80 | ((bits - 1) << 4) | (bits - 1)));          // global table, colour depth
    out.push_back(char(image.transparent >= 0 ? image.transparent : 0)); // background
    out.push_back(0);                                                    // square pixels
    for (size_t i = 0; i < tableSize; ++i) {
        const uint32_t rgb = i < image.palette.size() ? image.palette[i] : 0;
        out.push_back(char((rgb >> 16) & 0xFF));
        out.push_back(char((rgb >> 8) & 0xFF));
        out.push_back(char(rgb & 0xFF));
    }
    if (image.transparent >= 0) {
        const char gce[] = {0x21, char(0xF9), 0x04, 0x01, 0, 0, char(image.transparent), 0};
        out.append(gce, sizeof gce);
    }
    out.push_back(0x2C);
    put16(out, 0);
    put16(out, 0);
    put16(out, unsigned(image.width));
    put16(out, unsigned(image.height));
    out.push_back(0); // no local table, not interlaced

    const int minCode = std::max(2, bits);
    out.push_back(char(minCode));
    const std::vector<uint8_t> codes = lzwEncode(image.indices, minCode);
    for (size_t pos = 0; pos < codes.size(); pos += 255) {
        const size_t n = std::min<size_t>(255, codes.size() - pos);
        out.push_back(char(n));
        out.append(reinterpret_cast<const char*>(codes.data() + pos), n);
    }
    out.push_back(0);
    out.push_back(0x3B);
    return out;
}

std::string encodeBmp24(const RgbaImage& image)
{
    if (image.width <= 0 || image.height <= 0
        || image.pixels.size() != size_t(image.width) * size_t(image.height))
        throw std::invalid_argument("encodeBmp24: bad image size");
    const uint32_t stride = (uint32_t(image.width) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * uint32_t(image.height);
    constexpr uint32_t kHeaders = 14 + 40;

    std::string out = "BM";
    put32(out, kHeaders + dataSize);
    put32(out, 0);
    put32(out, kHeaders);
    put32(out, 40);
    put32(out, uint32_t(image.width));
    put32(out, uint32_t(image.height)); // positive: bottom-up rows
    put16(out, 1);
    put16(out, 24);
    put32(out, 0); // BI_RGB
    put32(out, dataSize);
    put32(out, 2835); // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        const size_t rowStart = out.size();
        for (int x = 0; x < image.width; ++x) {
            const uint32_t p = image.pixels[size_t(y) * size_t(image.width) + size_t(x)];
            out.push_back(char(p & 0xFF));
            out.push_back(char((p >> 8) & 0xFF));
            out.push_back(char((p >> 16) & 0xFF));
        }
        out.append(stride - (out.size() - rowStart), '\0');
    }
    return out;
}

} // namespace pm::art
