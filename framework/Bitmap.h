// TBitmap: a picture held as a 32-bit pixel surface, read from and written as Windows BMP files,
// with a canvas onto its pixels and the transparent-colour drawing speed buttons use.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "framework/Graphics.h"
#include "framework/Picture.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"

ORV_ERROR_CLASS(EResNotFound, Exception);

// The bit depth a bitmap was read with (pf32bit keeps an alpha byte per pixel).
enum TPixelFormat { pf1bit, pf4bit, pf8bit, pf24bit, pf32bit };

class TBitmap : public TGraphic, public TStoredData {
 public:
  TBitmap();
  ~TBitmap() override;
  TBitmap(const TBitmap& other);
  TBitmap& operator=(const TBitmap& other);

  const char* ClassName() const override { return "TBitmap"; }
  int Width() const override { return m_surface.Width; }
  int Height() const override { return m_surface.Height; }
  bool Empty() const override { return m_surface.Width == 0 || m_surface.Height == 0; }
  // Copies (stretching by nearest pixel) into the rectangle; with Transparent on, pixels of the
  // TransparentColor are left out.
  void Draw(TCanvas& canvas, const TRect& rect) override;
  // Reads a Windows BMP file (1, 4, 8, 24 or 32 bits per pixel, uncompressed, either row order).
  void LoadFromStream(TStream& stream) override;
  // Writes a BMP file: 32 bits per pixel for pf32bit, 24 otherwise.
  void SaveToStream(TStream& stream) const override;
  std::unique_ptr<TGraphic> Clone() const override;

  // The stored form: a 4-byte little-endian length s, then a BMP file of s bytes (0: empty).
  void ReadData(TStream& stream) override;
  void WriteData(TStream& stream) const override;

  // Resizes, keeping the pixels that still fit; new pixels are black.
  void SetSize(int width, int height);
  void SetWidth(int width) { SetSize(width, Height()); }
  void SetHeight(int height) { SetSize(Width(), height); }
  TPixelFormat PixelFormat() const { return m_pixelFormat; }
  void SetPixelFormat(TPixelFormat format) { m_pixelFormat = format; }

  TSurface& Surface() { return m_surface; }
  const TSurface& Surface() const { return m_surface; }
  TCanvas& Canvas();
  // The colour of the bottom-left pixel (black when empty).
  TColor TransparentColor() const;

  void Assign(const TBitmap& other);
  // Reads a built-in bitmap registered with RegisterBitmapResource; EResNotFound when unknown.
  void LoadFromResourceName(const std::string& name);

 private:
  void ReadBitmap(TStream& stream, bool withFileHeader);
  void AttachCanvas();

  TSurface m_surface;
  TPixelFormat m_pixelFormat = pf24bit;
  std::unique_ptr<TCanvas> m_canvas;
};

// Registers a built-in bitmap under a name: a BMP file, or a bitmap without the 14-byte file
// header (an information header, the palette and the rows). The bytes must outlive the program's
// use of them.
void RegisterBitmapResource(const std::string& name, std::span<const std::uint8_t> bytes);
