// Draws the installer's icon and background picture, so that both are made
// reproducibly at build time instead of being committed as binaries.
//   sonograf-art ICON.ico PICTURE.bmp
// The picture is a 900 x 424, 24-bit spectrum display: a dark gradient, a faint
// grid, a bar spectrum with peak marks and a soft reflection, and the product
// name in block letters. The icon holds 16 x 16 and 32 x 32 images.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {
struct Rgb {
    double r, g, b;
};

Rgb mix(Rgb a, Rgb b, double t) { return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t}; }

uint8_t clampByte(double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : std::lround(v)); }

struct Image {
    int width, height;
    std::vector<Rgb> pixels;
    Image(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h) {}
    Rgb& at(int x, int y) { return pixels[static_cast<size_t>(y) * width + x]; }
    void blend(int x, int y, Rgb colour, double alpha) {
        if (x < 0 || y < 0 || x >= width || y >= height) return;
        at(x, y) = mix(at(x, y), colour, alpha);
    }
};

// Bar colour by height: teal at the floor, through green and amber, to a warm white.
Rgb spectrumColour(double t) {
    const Rgb stops[4] = {{20, 170, 190}, {90, 210, 120}, {250, 190, 60}, {255, 240, 210}};
    double s = t * 3;
    int i = s >= 3 ? 2 : static_cast<int>(s);
    return mix(stops[i], stops[i + 1], s - i);
}

// Level of the demo spectrum at a relative frequency 0..1: a few tonal peaks
// over a falling noise floor, the way a recorded instrument looks.
double spectrumLevel(double f) {
    double level = 0.22 * std::exp(-2.2 * f) + 0.05;
    const double peaks[5][3] = {{0.08, 0.70, 0.020}, {0.16, 0.52, 0.018}, {0.24, 0.38, 0.016},
                                {0.40, 0.30, 0.030}, {0.63, 0.18, 0.040}};
    for (const auto& p : peaks) level += p[1] * std::exp(-std::pow((f - p[0]) / p[2], 2));
    level += 0.025 * std::sin(f * 91.0) * std::sin(f * 37.0);
    return level > 0.95 ? 0.95 : level;
}

const char* const kGlyphs[7][7] = {
    // S O N G R A F, 5 x 7 block letters
    {"01111", "10000", "10000", "01110", "00001", "00001", "11110"},
    {"01110", "10001", "10001", "10001", "10001", "10001", "01110"},
    {"10001", "11001", "10101", "10011", "10001", "10001", "10001"},
    {"01111", "10000", "10000", "10111", "10001", "10001", "01111"},
    {"11110", "10001", "10001", "11110", "10100", "10010", "10001"},
    {"01110", "10001", "10001", "11111", "10001", "10001", "10001"},
    {"11111", "10000", "10000", "11110", "10000", "10000", "10000"},
};

void drawWordmark(Image& image, int left, int top, int cell) {
    const int word[8] = {0, 1, 2, 1, 3, 4, 5, 6};  // S O N O G R A F
    for (int letter = 0; letter < 8; ++letter) {
        for (int row = 0; row < 7; ++row) {
            for (int column = 0; column < 5; ++column) {
                if (kGlyphs[word[letter]][row][column] != '1') continue;
                for (int dy = 1; dy < cell; ++dy) {
                    for (int dx = 1; dx < cell; ++dx) {
                        int x = left + letter * 6 * cell + column * cell + dx;
                        int y = top + row * cell + dy;
                        image.blend(x, y, {235, 240, 250}, 0.92);
                    }
                }
            }
        }
    }
}

Image drawPicture() {
    const int width = 900, height = 424;
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        Rgb row = mix({8, 14, 34}, {18, 38, 70}, static_cast<double>(y) / height);
        for (int x = 0; x < width; ++x) image.at(x, y) = row;
    }
    const int floorY = 360, plotLeft = 40, plotRight = 860;
    for (int y = floorY; y > 60; y -= 40)
        for (int x = plotLeft; x <= plotRight; ++x) image.blend(x, y, {90, 130, 180}, 0.18);
    for (int x = plotLeft; x <= plotRight; x += 82)
        for (int y = 60; y <= floorY; ++y) image.blend(x, y, {90, 130, 180}, 0.12);

    const int barWidth = 7, gap = 3, bars = (plotRight - plotLeft) / (barWidth + gap);
    const double plotHeight = floorY - 70;
    for (int i = 0; i < bars; ++i) {
        double level = spectrumLevel(static_cast<double>(i) / bars);
        int top = floorY - static_cast<int>(level * plotHeight);
        int x0 = plotLeft + i * (barWidth + gap);
        for (int y = top; y < floorY; ++y) {
            Rgb colour = spectrumColour(static_cast<double>(floorY - y) / plotHeight);
            for (int x = x0; x < x0 + barWidth; ++x) image.blend(x, y, colour, 0.9);
        }
        int peak = top - 6 - static_cast<int>(8 * level);
        for (int x = x0; x < x0 + barWidth; ++x) {
            image.blend(x, peak, {255, 255, 255}, 0.85);
            image.blend(x, peak + 1, {255, 255, 255}, 0.5);
        }
        for (int y = floorY + 2; y < floorY + 2 + (floorY - top) / 4 && y < height; ++y) {
            double fade = 0.35 * (1.0 - static_cast<double>(y - floorY) / ((floorY - top) / 4.0 + 1));
            for (int x = x0; x < x0 + barWidth; ++x) image.blend(x, y, spectrumColour(0.1), fade);
        }
    }
    drawWordmark(image, 520, 22, 6);
    return image;
}

void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(v & 0xFF);
    out.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putInfoHeader(std::vector<uint8_t>& out, int width, int height, int bits, uint32_t imageSize) {
    put32(out, 40);
    put32(out, width);
    put32(out, height);
    put16(out, 1);
    put16(out, bits);
    put32(out, 0);
    put32(out, imageSize);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
}

std::vector<uint8_t> encodeBitmap(Image& image) {
    const uint32_t stride = (image.width * 3 + 3) & ~3u;
    const uint32_t imageSize = stride * image.height;
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    put32(out, 14 + 40 + imageSize);
    put32(out, 0);
    put32(out, 14 + 40);
    putInfoHeader(out, image.width, image.height, 24, imageSize);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            Rgb p = image.at(x, y);
            out.push_back(clampByte(p.b));
            out.push_back(clampByte(p.g));
            out.push_back(clampByte(p.r));
        }
        for (uint32_t pad = image.width * 3; pad < stride; ++pad) out.push_back(0);
    }
    return out;
}

// One icon image, 32-bit with alpha: a rounded dark tile with four rising bars.
std::vector<uint8_t> drawIconImage(int size) {
    std::vector<uint8_t> out;
    const uint32_t maskStride = ((size + 31) / 32) * 4;
    putInfoHeader(out, size, size * 2, 32, size * size * 4 + maskStride * size);
    const double radius = size / 5.0;
    for (int y = size - 1; y >= 0; --y) {
        for (int x = 0; x < size; ++x) {
            double cx = x + 0.5, cy = y + 0.5;
            double dx = std::fmax(std::fmax(radius - cx, cx - (size - radius)), 0.0);
            double dy = std::fmax(std::fmax(radius - cy, cy - (size - radius)), 0.0);
            double alpha = std::fmin(std::fmax(radius - std::sqrt(dx * dx + dy * dy) + 0.5, 0.0), 1.0);
            Rgb colour = mix({18, 38, 70}, {8, 14, 34}, cy / size);
            const double heights[4] = {0.35, 0.7, 0.5, 0.85};
            int bar = static_cast<int>((cx - size * 0.15) / (size * 0.18));
            double inBar = std::fmod(cx - size * 0.15, size * 0.18) / (size * 0.18);
            if (cx > size * 0.15 && bar < 4 && inBar < 0.75) {
                double level = 1.0 - cy / (size * 0.85);
                if (cy < size * 0.85 && level < heights[bar]) colour = spectrumColour(level);
            }
            out.push_back(clampByte(colour.b));
            out.push_back(clampByte(colour.g));
            out.push_back(clampByte(colour.r));
            out.push_back(clampByte(alpha * 255));
        }
    }
    out.insert(out.end(), maskStride * size, 0);
    return out;
}

std::vector<uint8_t> encodeIcon() {
    const int sizes[2] = {16, 32};
    std::vector<uint8_t> images[2] = {drawIconImage(16), drawIconImage(32)};
    std::vector<uint8_t> out;
    put16(out, 0);
    put16(out, 1);
    put16(out, 2);
    uint32_t offset = 6 + 16 * 2;
    for (int i = 0; i < 2; ++i) {
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(static_cast<uint8_t>(sizes[i]));
        out.push_back(0);
        out.push_back(0);
        put16(out, 1);
        put16(out, 32);
        put32(out, static_cast<uint32_t>(images[i].size()));
        put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (auto& image : images) out.insert(out.end(), image.begin(), image.end());
    return out;
}

bool writeFile(const char* path, const std::vector<uint8_t>& bytes) {
    FILE* file = std::fopen(path, "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: sonograf-art ICON.ico PICTURE.bmp\n");
        return 2;
    }
    Image picture = drawPicture();
    if (!writeFile(argv[1], encodeIcon()) || !writeFile(argv[2], encodeBitmap(picture))) {
        std::fprintf(stderr, "sonograf-art: cannot write the output files\n");
        return 1;
    }
    return 0;
}
