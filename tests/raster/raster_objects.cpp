#include <utility>

#include "tests/raster/raster_canvas.h"
#include "tests/raster/raster_registry.h"

namespace tickwell {

RasterPen::RasterPen(std::shared_ptr<RasterRegistry> registry, Color color, bool isNull)
    : registry_(std::move(registry)), color_(color), isNull_(isNull) {
    if (registry_) registry_->Created();
}

RasterPen::~RasterPen() {
    if (registry_) registry_->Deleted(this);
}

RasterBrush::RasterBrush(std::shared_ptr<RasterRegistry> registry, Color color)
    : registry_(std::move(registry)), color_(color) {
    if (registry_) registry_->Created();
}

RasterBrush::~RasterBrush() {
    if (registry_) registry_->Deleted(this);
}

RasterFont::RasterFont(std::shared_ptr<RasterRegistry> registry, RasterFontAttributes attributes)
    : registry_(std::move(registry)), attributes_(std::move(attributes)) {
    if (registry_) registry_->Created();
}

RasterFont::~RasterFont() {
    if (registry_) registry_->Deleted(this);
}

RasterBitmap::RasterBitmap(std::shared_ptr<RasterRegistry> registry, int width, int height,
                           Color fill)
    : registry_(std::move(registry)),
      width_(width > 0 ? width : 0),
      height_(height > 0 ? height : 0),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_), fill) {
    if (registry_) registry_->Created();
}

RasterBitmap::~RasterBitmap() {
    if (registry_) registry_->Deleted(this);
}

Color RasterBitmap::Get(int x, int y) const {
    if (!Contains(x, y)) return kInvalidPixel;
    return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
                   static_cast<std::size_t>(x)];
}

void RasterBitmap::Set(int x, int y, Color color) {
    if (!Contains(x, y)) return;
    pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
            static_cast<std::size_t>(x)] = color;
}

RasterGraphics::RasterGraphics(int displayWidth, int displayHeight)
    : registry_(std::make_shared<RasterRegistry>()),
      displayWidth_(displayWidth),
      displayHeight_(displayHeight) {}

RasterGraphics::~RasterGraphics() = default;

Pen* RasterGraphics::CreatePen(Color color) {
    return new RasterPen(registry_, color, false);
}

Brush* RasterGraphics::CreateSolidBrush(Color color) {
    return new RasterBrush(registry_, color);
}

Font* RasterGraphics::CreateFixedFont(const FontAttributes& attributes) {
    RasterFontAttributes font;
    font.cellHeight = attributes.cellHeight;
    font.weight = attributes.weight;
    font.quality = attributes.quality;
    font.faceName = attributes.faceName ? attributes.faceName : "";
    font.charWidth = registry_->fontCharWidth;
    return new RasterFont(registry_, std::move(font));
}

Pen* RasterGraphics::NullPen() {
    return &registry_->nullPen;
}

std::unique_ptr<Canvas> RasterGraphics::OpenDisplayCanvas() {
    return std::make_unique<RasterCanvas>(registry_, RasterCanvas::Kind::Surface, displayWidth_,
                                          displayHeight_, 0x000000);
}

std::unique_ptr<RasterCanvas> RasterGraphics::CreateWindowCanvas(int width, int height,
                                                                 Color fill) {
    return std::make_unique<RasterCanvas>(registry_, RasterCanvas::Kind::Surface, width, height,
                                          fill);
}

void RasterGraphics::SetFontCharWidth(int width) {
    registry_->fontCharWidth = width;
}

int RasterGraphics::LiveObjects() const {
    return registry_->liveObjects;
}

int RasterGraphics::LiveCanvases() const {
    return static_cast<int>(registry_->canvases.size());
}

int RasterGraphics::Faults() const {
    return registry_->faults;
}

Pen* RasterGraphics::DefaultPen() const {
    return &registry_->blackPen;
}
Brush* RasterGraphics::DefaultBrush() const {
    return &registry_->whiteBrush;
}
Font* RasterGraphics::DefaultFont() const {
    return &registry_->systemFont;
}
Bitmap* RasterGraphics::DefaultBitmap() const {
    return &registry_->defaultBitmap;
}

}  // namespace tickwell
