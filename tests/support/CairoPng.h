// PNG bytes made with cairo, for tests that need real bitmap data.
#pragma once

#include <cairo.h>

#include <vector>

namespace testsupport {

// The surface as PNG bytes; the surface is destroyed.
inline std::vector<unsigned char> takePng(cairo_surface_t* surface) {
    std::vector<unsigned char> png;
    auto append = [](void* closure, const unsigned char* data, unsigned int length) {
        auto* out = static_cast<std::vector<unsigned char>*>(closure);
        out->insert(out->end(), data, data + length);
        return CAIRO_STATUS_SUCCESS;
    };
    cairo_surface_write_to_png_stream(surface, append, &png);
    cairo_surface_destroy(surface);
    return png;
}

}  // namespace testsupport
