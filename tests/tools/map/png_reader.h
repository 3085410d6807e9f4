// Just enough of PNG for the map's test: the size of a picture and its pixels, decoded from
// the 8-bit RGB or RGBA pictures that rsvg-convert writes. The inflate step follows the
// deflate format directly (stored, fixed and dynamic Huffman blocks).
#pragma once

#include <array>
#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace tool::testing {

class Inflater {
  public:
    explicit Inflater(const std::string& in) : in_(in) {}

    std::string run() {
        bool last = false;
        while (!last) {
            last = bits(1) == 1;
            const int type = bits(2);
            if (type == 0) {
                stored();
            } else if (type == 1) {
                fixedTables();
                codes();
            } else if (type == 2) {
                dynamicTables();
                codes();
            } else {
                throw std::runtime_error("bad deflate block type");
            }
        }
        return out_;
    }

  private:
    struct Huffman {
        std::array<int, 16> count{};
        std::vector<int> symbol;
    };

    int bits(int n) {
        int v = 0;
        for (int i = 0; i < n; ++i) {
            if (pos_ >= in_.size()) throw std::runtime_error("deflate data ends early");
            const int bit = (static_cast<unsigned char>(in_[pos_]) >> bit_) & 1;
            v |= bit << i;
            if (++bit_ == 8) {
                bit_ = 0;
                ++pos_;
            }
        }
        return v;
    }

    void stored() {
        if (bit_ != 0) {
            bit_ = 0;
            ++pos_;
        }
        if (pos_ + 4 > in_.size()) throw std::runtime_error("stored block ends early");
        const std::size_t len =
            static_cast<unsigned char>(in_[pos_]) | static_cast<unsigned char>(in_[pos_ + 1]) << 8;
        pos_ += 4;
        if (pos_ + len > in_.size()) throw std::runtime_error("stored block ends early");
        out_.append(in_, pos_, len);
        pos_ += len;
    }

    static Huffman build(const int* lengths, int n) {
        Huffman h;
        for (int i = 0; i < n; ++i) ++h.count[static_cast<std::size_t>(lengths[i])];
        h.count[0] = 0;
        std::array<int, 16> offs{};
        for (int len = 1; len < 16; ++len) offs[len] = offs[len - 1] + h.count[len - 1];
        h.symbol.assign(static_cast<std::size_t>(n), 0);
        for (int i = 0; i < n; ++i) {
            if (lengths[i] != 0) h.symbol[static_cast<std::size_t>(offs[lengths[i]]++)] = i;
        }
        return h;
    }

    int decode(const Huffman& h) {
        int code = 0, first = 0, index = 0;
        for (int len = 1; len < 16; ++len) {
            code |= bits(1);
            const int count = h.count[static_cast<std::size_t>(len)];
            if (code - count < first)
                return h.symbol[static_cast<std::size_t>(index + code - first)];
            index += count;
            first += count;
            first <<= 1;
            code <<= 1;
        }
        throw std::runtime_error("bad Huffman code");
    }

    void fixedTables() {
        int lengths[288 + 30];
        for (int i = 0; i < 144; ++i) lengths[i] = 8;
        for (int i = 144; i < 256; ++i) lengths[i] = 9;
        for (int i = 256; i < 280; ++i) lengths[i] = 7;
        for (int i = 280; i < 288; ++i) lengths[i] = 8;
        for (int i = 0; i < 30; ++i) lengths[288 + i] = 5;
        lit_ = build(lengths, 288);
        dist_ = build(lengths + 288, 30);
    }

    void dynamicTables() {
        const int nlen = bits(5) + 257;
        const int ndist = bits(5) + 1;
        const int ncode = bits(4) + 4;
        static constexpr int kOrder[19] = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                           11, 4,  12, 3, 13, 2, 14, 1, 15};
        int lengths[320] = {};
        for (int i = 0; i < ncode; ++i) lengths[kOrder[i]] = bits(3);
        const Huffman lencode = build(lengths, 19);
        int index = 0;
        while (index < nlen + ndist) {
            int symbol = decode(lencode);
            if (symbol < 16) {
                lengths[index++] = symbol;
                continue;
            }
            int len = 0;
            int repeat = 0;
            if (symbol == 16) {
                if (index == 0) throw std::runtime_error("repeat with no length");
                len = lengths[index - 1];
                repeat = 3 + bits(2);
            } else if (symbol == 17) {
                repeat = 3 + bits(3);
            } else {
                repeat = 11 + bits(7);
            }
            if (index + repeat > nlen + ndist) throw std::runtime_error("too many lengths");
            while (repeat-- > 0) lengths[index++] = len;
        }
        lit_ = build(lengths, nlen);
        dist_ = build(lengths + nlen, ndist);
    }

    void codes() {
        static constexpr int kLenBase[29] = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
        static constexpr int kLenExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
        static constexpr int kDistBase[30] = {
            1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
            193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
        static constexpr int kDistExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
        for (;;) {
            const int symbol = decode(lit_);
            if (symbol < 256) {
                out_.push_back(static_cast<char>(symbol));
            } else if (symbol == 256) {
                return;
            } else {
                const int s = symbol - 257;
                if (s >= 29) throw std::runtime_error("bad length symbol");
                const int len = kLenBase[s] + bits(kLenExtra[s]);
                const int d = decode(dist_);
                if (d >= 30) throw std::runtime_error("bad distance symbol");
                const std::size_t dist =
                    static_cast<std::size_t>(kDistBase[d] + bits(kDistExtra[d]));
                if (dist > out_.size()) throw std::runtime_error("distance too far back");
                for (int i = 0; i < len; ++i) out_.push_back(out_[out_.size() - dist]);
            }
        }
    }

    const std::string& in_;
    std::size_t pos_ = 0;
    int bit_ = 0;
    std::string out_;
    Huffman lit_;
    Huffman dist_;
};

struct Picture {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int channels = 0;                  // 3 (RGB) or 4 (RGBA)
    std::vector<std::uint8_t> pixels;  // rows top to bottom, unfiltered

    const std::uint8_t* at(std::uint32_t x, std::uint32_t y) const {
        return &pixels[(static_cast<std::size_t>(y) * width + x) *
                       static_cast<std::size_t>(channels)];
    }
};

inline std::uint32_t bigEndian32(const std::string& s, std::size_t at) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s.at(at))) << 24 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s.at(at + 1))) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s.at(at + 2))) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(s.at(at + 3)));
}

inline int paeth(int a, int b, int c) {
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    if (pa <= pb && pa <= pc) return a;
    return pb <= pc ? b : c;
}

// Decodes an 8-bit, non-interlaced RGB or RGBA PNG; throws for anything else.
inline Picture decodePng(const std::string& png) {
    if (png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) throw std::runtime_error("not a PNG");
    Picture picture;
    std::string idat;
    for (std::size_t at = 8; at + 8 <= png.size();) {
        const std::uint32_t length = bigEndian32(png, at);
        const std::string type = png.substr(at + 4, 4);
        const std::size_t data = at + 8;
        if (type == "IHDR") {
            picture.width = bigEndian32(png, data);
            picture.height = bigEndian32(png, data + 4);
            const int depth = static_cast<unsigned char>(png.at(data + 8));
            const int colour = static_cast<unsigned char>(png.at(data + 9));
            const int interlace = static_cast<unsigned char>(png.at(data + 12));
            if (depth != 8 || (colour != 2 && colour != 6) || interlace != 0) {
                throw std::runtime_error("only 8-bit RGB or RGBA without interlace");
            }
            picture.channels = colour == 6 ? 4 : 3;
        } else if (type == "IDAT") {
            idat += png.substr(data, length);
        }
        at = data + length + 4;
    }
    if (idat.size() < 2) throw std::runtime_error("no image data");
    const std::string raw = Inflater(idat.substr(2)).run();  // past the zlib header
    const std::size_t stride = static_cast<std::size_t>(picture.width) * picture.channels;
    if (raw.size() < (stride + 1) * picture.height)
        throw std::runtime_error("image data too short");
    picture.pixels.assign(stride * picture.height, 0);
    const int bpp = picture.channels;
    for (std::uint32_t y = 0; y < picture.height; ++y) {
        const int filter = static_cast<unsigned char>(raw[y * (stride + 1)]);
        const auto* line =
            reinterpret_cast<const unsigned char*>(raw.data() + y * (stride + 1) + 1);
        std::uint8_t* row = &picture.pixels[y * stride];
        const std::uint8_t* up = y > 0 ? row - stride : nullptr;
        for (std::size_t i = 0; i < stride; ++i) {
            const int a = i >= static_cast<std::size_t>(bpp) ? row[i - bpp] : 0;
            const int b = up ? up[i] : 0;
            const int c = up && i >= static_cast<std::size_t>(bpp) ? up[i - bpp] : 0;
            int v = line[i];
            switch (filter) {
                case 0:
                    break;
                case 1:
                    v += a;
                    break;
                case 2:
                    v += b;
                    break;
                case 3:
                    v += (a + b) / 2;
                    break;
                case 4:
                    v += paeth(a, b, c);
                    break;
                default:
                    throw std::runtime_error("bad PNG filter");
            }
            row[i] = static_cast<std::uint8_t>(v);
        }
    }
    return picture;
}

}  // namespace tool::testing
