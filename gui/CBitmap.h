// Bitmaps from the library's resources, by numeric identifier. At a scale
// factor from 1.5 up the double-resolution set is used when it has the
// identifier; sizes are always given in view pixels.
#pragma once

#include <memory>

#include "gui/Platform.h"
#include "gui/VSTGUIBase.h"

namespace resources {
struct BitmapResource;
}

namespace VSTGUI {

class CDrawContext;

class CBitmap : public CReferenceCounter {
public:
    // A missing identifier gives an empty bitmap (0 x 0) that draws nothing.
    explicit CBitmap(int32_t resourceID);
    // Takes ownership of an already decoded image (may be null).
    explicit CBitmap(platform::Image* image);
    ~CBitmap() override;

    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());
    virtual void drawTransparent(CDrawContext* context, const CRect& rect,
                                 const CPoint& offset = CPoint());

    int32_t getWidth() const { return width; }
    int32_t getHeight() const { return height; }
    int32_t getResourceID() const { return resourceID; }
    bool isLoaded() const { return image != nullptr; }
    const platform::Image* getImage() const { return image; }

    void setTransparentColor(CColor color) { transparentColor = color; }
    CColor getTransparentColor() const { return transparentColor; }

    // Where bitmaps come from: the library's table unless a test installs
    // its own (null restores the library's).
    using Lookup = const resources::BitmapResource* (*)(int id, int scale);
    static void setResourceLookup(Lookup lookup);
    // The scale factor new bitmaps are loaded for (the editor sets it).
    static void setLoadScale(double scale);
    static double getLoadScale();

private:
    void drawImage(CDrawContext* context, const CRect& rect, const CPoint& offset, bool transparent);

    int32_t resourceID = -1;
    int32_t width = 0, height = 0;
    platform::Image* image = nullptr;
    std::shared_ptr<platform::Image> shared;  // a resource's image, shared
    CColor transparentColor = kWhiteCColor;
};

}  // namespace VSTGUI
