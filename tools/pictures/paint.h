#pragma once
// The few drawing operations our pictures are made of, all anti-aliased by coverage so the
// results do not depend on the output size.

#include "pictures/image.h"

namespace vm::pictures {

// Blends colour c over the pixel with the given coverage (0..1), alpha included.
void blend(Image& image, int x, int y, Rgba c, float coverage);
// A vertical gradient from top to bottom over the rectangle [x0, x1) x [y0, y1) in pixels.
void fillGradient(Image& image, float x0, float y0, float x1, float y1, Rgba top, Rgba bottom);
// A warm halo: colour c added with a falloff of radius r around (cx, cy).
void addGlow(Image& image, float cx, float cy, float r, Rgba c);
// A round-capped stroke of half-width w from (ax, ay) to (bx, by).
void stroke(Image& image, float ax, float ay, float bx, float by, float w, Rgba c);
// A round-topped arch (a rectangle with a half disc on top) filled with c.
void fillArch(Image& image, float x0, float x1, float top, float bottom, Rgba c);

// Our vaulted nave by candle light, drawn at any size: the loading picture and the small previews.
Image paintChurchView(int width, int height);
// The product mark: a candle flame under a pointed arch, on transparency.
Image paintMark(int width, int height);

}  // namespace vm::pictures
