#include "tests/skin/SkinImage.h"

#include <cairo.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "resources/BitmapResources.h"
#include "resources/PngSurface.h"

namespace skintest {

namespace {

double lumaOf(uint32_t p) {
    return 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
}

}  // namespace

double Image::luma(int x, int y) const { return lumaOf(at(x, y)); }

double Image::lumaAt(double x, double y) const {
    double fx = x - 0.5, fy = y - 0.5;
    int x0 = (int)std::floor(fx), y0 = (int)std::floor(fy);
    double tx = fx - x0, ty = fy - y0;
    auto clampedLuma = [&](int px, int py) {
        px = px < 0 ? 0 : px >= width ? width - 1 : px;
        py = py < 0 ? 0 : py >= height ? height - 1 : py;
        return luma(px, py);
    };
    double top = clampedLuma(x0, y0) * (1 - tx) + clampedLuma(x0 + 1, y0) * tx;
    double bottom = clampedLuma(x0, y0 + 1) * (1 - tx) + clampedLuma(x0 + 1, y0 + 1) * tx;
    return top * (1 - ty) + bottom * ty;
}

Image Image::crop(int x, int y, int w, int h) const {
    Image out;
    out.width = w;
    out.height = h;
    out.pixels.resize((size_t)w * h);
    for (int row = 0; row < h; ++row)
        std::memcpy(&out.pixels[(size_t)row * w], &pixels[(size_t)(y + row) * width + x], (size_t)w * 4);
    return out;
}

Image decodePng(const unsigned char* data, unsigned size) {
    Image image;
    cairo_surface_t* s = resources::decodePng(data, size);
    if (s) {
        cairo_surface_flush(s);
        image.width = cairo_image_surface_get_width(s);
        image.height = cairo_image_surface_get_height(s);
        int stride = cairo_image_surface_get_stride(s);
        const unsigned char* bytes = cairo_image_surface_get_data(s);
        image.pixels.resize((size_t)image.width * image.height);
        for (int y = 0; y < image.height; ++y) {
            const uint32_t* row = reinterpret_cast<const uint32_t*>(bytes + (size_t)y * stride);
            for (int x = 0; x < image.width; ++x) image.pixels[(size_t)y * image.width + x] = row[x] & 0xFFFFFF;
        }
    }
    cairo_surface_destroy(s);
    return image;
}

Image bitmap(int id, int scale) {
    const resources::BitmapResource* b = resources::findBitmap(id, scale);
    if (!b) return {};
    return decodePng(b->png, b->size);
}

Image frame(const Image& strip, int frames, int rows, int k) {
    int columns = (frames + rows - 1) / rows;
    int w = strip.width / columns, h = strip.height / rows;
    return strip.crop((k / rows) * w, (k % rows) * h, w, h);
}

double meanDifference(const Image& a, const Image& b) {
    double sum = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i)
        for (int shift = 0; shift <= 16; shift += 8)
            sum += std::abs((int)((a.pixels[i] >> shift) & 0xFF) - (int)((b.pixels[i] >> shift) & 0xFF));
    return sum / (3.0 * (double)a.pixels.size());
}

Image halve(const Image& image) {
    Image out;
    out.width = image.width / 2;
    out.height = image.height / 2;
    out.pixels.resize((size_t)out.width * out.height);
    for (int y = 0; y < out.height; ++y)
        for (int x = 0; x < out.width; ++x) {
            uint32_t p[4] = {image.at(2 * x, 2 * y), image.at(2 * x + 1, 2 * y), image.at(2 * x, 2 * y + 1),
                             image.at(2 * x + 1, 2 * y + 1)};
            uint32_t mixed = 0;
            for (int shift = 0; shift <= 16; shift += 8) {
                unsigned sum = 0;
                for (uint32_t q : p) sum += (q >> shift) & 0xFF;
                mixed |= ((sum + 2) / 4) << shift;
            }
            out.pixels[(size_t)y * out.width + x] = mixed;
        }
    return out;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace skintest
