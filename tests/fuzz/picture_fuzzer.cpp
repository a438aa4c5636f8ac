// Fuzz target of the picture classes: an input is read as a PNG datastream (TPNGObject), as a
// BMP file when it starts with "BM" (TBitmap), and otherwise as a stored picture stream (a class
// name, then a PNG datastream or the stored form of the 32-bit alpha bitmap). What loads is drawn
// (natural size, stretched, reversed) onto a small canvas; a PNG picture is also written back and
// read again, which must succeed.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "framework/Bitmap.h"
#include "framework/Graphics.h"
#include "framework/Picture.h"
#include "framework/Streams.h"
#include "pictures/PictureClasses.h"
#include "pictures/pngimage.h"

namespace {

bool Initialise() {
  RegisterPictureClasses();
  // Inputs are small; images are refused beyond a budget that keeps each run fast.
  SetPngImageMemoryLimit(16u << 20);
  return true;
}

void DrawEverywhere(TGraphic& picture) {
  TSurface surface(48, 40, 0xFF336699u);
  TCanvas canvas(surface);
  const TRect rects[] = {{0, 0, picture.Width(), picture.Height()}, {3, 2, 40, 31}, {30, 20, 5, 1}, {-5, -5, 2, 90}};
  for (const TRect& r : rects) {
    try {
      picture.Draw(canvas, r);
    } catch (const EPngError&) {
      // a palette index without a colour: a reported failure, not a fault
    }
  }
}

void RoundTrip(const TPNGObject& picture) {
  TMemoryStream written;
  picture.SaveToStream(written);
  written.SetPosition(0);
  TPNGObject again;
  again.LoadFromStream(written);  // an error here escapes and is reported as a crash
  if (again.Width() != picture.Width() || again.Height() != picture.Height()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const bool initialised = Initialise();
  (void)initialised;
  const std::span<const std::uint8_t> bytes(data, size);
  {
    TSpanStream stream(bytes);
    TPNGObject picture;
    bool loaded = false;
    try {
      picture.LoadFromStream(stream);
      loaded = true;
    } catch (const Exception&) {
    }
    if (loaded) {
      DrawEverywhere(picture);
      RoundTrip(picture);
      auto copy = picture.Clone();
      DrawEverywhere(*copy);
    }
  }
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
    TSpanStream stream(bytes);
    TBitmap bitmap;
    try {
      bitmap.LoadFromStream(stream);
      bitmap.SetTransparent(true);
      DrawEverywhere(bitmap);
    } catch (const Exception&) {
    }
    return 0;
  }
  TSpanStream stream(bytes);
  TPicture holder;
  try {
    holder.ReadData(stream);
    if (holder.Graphic() != nullptr) DrawEverywhere(*holder.Graphic());
  } catch (const Exception&) {
  }
  return 0;
}
