#include "gui/CBitmap.h"

#include "gui/CDrawContext.h"
#include "resources/BitmapResources.h"

namespace VSTGUI {

namespace {
CBitmap::Lookup gLookup = nullptr;
double gLoadScale = 1.0;
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
    image = platform::current().decodePng(res->png, res->size, scale);
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

CBitmap::~CBitmap() { delete image; }

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
