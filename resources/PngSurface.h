// The embedded PNG bytes of a bitmap as a cairo image surface. Header only:
// the resources library itself holds bytes and needs no cairo; whoever decodes
// links cairo.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <cstring>

namespace resources {

namespace detail {
struct PngBytes {
    const unsigned char* data;
    uint32_t size, at;
};

inline cairo_status_t readPngBytes(void* closure, unsigned char* out, unsigned int length) {
    auto* r = static_cast<PngBytes*>(closure);
    if (r->size - r->at < length) return CAIRO_STATUS_READ_ERROR;
    std::memcpy(out, r->data + r->at, length);
    r->at += length;
    return CAIRO_STATUS_SUCCESS;
}
}  // namespace detail

// The decoded image (ARGB32, premultiplied), or null when the bytes are not
// a PNG image. The caller destroys it.
inline cairo_surface_t* decodePng(const unsigned char* data, uint32_t size) {
    detail::PngBytes reader{data, size, 0};
    cairo_surface_t* s = cairo_image_surface_create_from_png_stream(&detail::readPngBytes, &reader);
    if (cairo_surface_status(s) == CAIRO_STATUS_SUCCESS) return s;
    cairo_surface_destroy(s);
    return nullptr;
}

}  // namespace resources
