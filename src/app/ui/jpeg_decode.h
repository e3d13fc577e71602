#pragma once
// JPEG decoding through libjpeg's decompressor. Pure function, no widgets.
#include <QByteArray>
#include <QImage>

// Decodes a baseline or progressive JPEG (grey or colour) to an RGB888 image.
// Damaged or unsupported data gives a null image, never a crash.
QImage DecodeJpeg(const QByteArray& data);

// A copy in ARGB32 in which every pixel close to the colour of the bottom-left
// pixel (within `tolerance` on each channel) is fully transparent.
QImage WithTransparentBackground(const QImage& image, int tolerance = 40);
