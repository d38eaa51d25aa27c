#pragma once
// The back-ends built on the portable C image libraries (used where the platform has no imaging
// service of its own).

#include "imaging/image_codec.h"

namespace vesk {

const ImageCodec& PngImageCodec();   // libpng
const ImageCodec& JpegImageCodec();  // libjpeg-turbo
const ImageCodec& WebpImageCodec();  // libwebp (+ demux for animated files)
const ImageCodec& TiffImageCodec();  // libtiff
const ImageCodec& GifImageCodec();   // giflib
const ImageCodec& BmpImageCodec();   // read here: no library covers the format

}  // namespace vesk
