#include "gui/CBitmap.h"

#include <map>
#include <mutex>

#include "gui/CDrawContext.h"
#include "resources/BitmapResources.h"

namespace VSTGUI {

namespace {
CBitmap::Lookup gLookup = nullptr;
double gLoadScale = 1.0;

// Decoded images are shared by every bitmap of the same resource while any
// of them exists: a film strip used by several controls, or by the windows
// of several instances, is decoded once.
struct ImageCache {
    std::mutex lock;
    std::map<std::pair<const void*, const platform::Platform*>, std::weak_ptr<platform::Image>> images;
};

// Holds weak references only: a bitmap that outlives it at exit (or at the
// library's unloading) releases its image without looking here.
ImageCache& imageCache() {
    static ImageCache cache;
    return cache;
}

std::shared_ptr<platform::Image> sharedImage(const resources::BitmapResource& res, int32_t scale) {
    platform::Platform& p = platform::current();
    ImageCache& cache = imageCache();
    std::lock_guard<std::mutex> guard(cache.lock);
    auto key = std::make_pair(static_cast<const void*>(res.png), static_cast<const platform::Platform*>(&p));
    if (auto found = cache.images[key].lock()) return found;
    std::shared_ptr<platform::Image> made(p.decodePng(res.png, res.size, scale));
    if (made) cache.images[key] = made;
    for (auto it = cache.images.begin(); it != cache.images.end();)
        it = it->second.expired() ? cache.images.erase(it) : std::next(it);
    return made;
}
}  // namespace

void CBitmap::setResourceLookup(Lookup lookup) { gLookup = lookup; }
void CBitmap::setLoadScale(double scale) { gLoadScale = scale > 0 ? scale : 1.0; }
double CBitmap::getLoadScale() { return gLoadScale; }

CBitmap::CBitmap(int32_t id) : resourceID(id) {
    Lookup lookup = gLookup ? gLookup : &resources::findBitmap;
    const resources::BitmapResource* res = nullptr;
    if (gLoadScale >= 1.5) res = lookup(id, 2);
    if (!res) res = lookup(id, 1);
    if (!res || !res->png || res->size == 0) return;
    int32_t scale = res->scale == 2 ? 2 : 1;
    shared = sharedImage(*res, scale);
    image = shared.get();
    if (!image) return;
    width = image->pixelWidth() / scale;
    height = image->pixelHeight() / scale;
}

CBitmap::CBitmap(platform::Image* img) : image(img) {
    if (image) {
        width = image->pixelWidth() / image->scale();
        height = image->pixelHeight() / image->scale();
    }
}

CBitmap::~CBitmap() {
    if (!shared) delete image;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawImage(context, rect, offset, false);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawImage(context, rect, offset, true);
}

void CBitmap::drawImage(CDrawContext* context, const CRect& rect, const CPoint& offset,
                        bool transparent) {
    if (!image || !context || !context->getCanvas() || rect.isEmpty()) return;
    // Only the part of the bitmap that exists is copied.
    CRect dst = rect;
    dst.right = std::min(dst.right, dst.left + (width - offset.h));
    dst.bottom = std::min(dst.bottom, dst.top + (height - offset.v));
    if (dst.isEmpty() || offset.h < 0 || offset.v < 0) return;
    dst.offset(context->getOffset().h, context->getOffset().v);
    context->getCanvas()->drawImage(*image, dst, offset, transparent, transparentColor);
}

}  // namespace VSTGUI
