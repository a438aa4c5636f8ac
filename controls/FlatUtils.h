// The flat control family's shared pieces: the two version bases and the enumerations.
//
// The enumerations live in namespace FlatUtils and are brought into the global namespace with a
// using-directive: another control family may declare its own layout enumeration with the same
// value names (blGlyphLeft, ...), and a unit that sees both then qualifies them. Headers of this
// family always write them qualified.
#pragma once

#include <string>
#include <string_view>

#include "framework/Controls.h"

namespace FlatUtils {

// When a flat button fills its background rectangle.
enum TTransparentMode { tmAlways, tmNotFocused, tmNone };
// Where the glyph stands relative to the caption.
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
// The number of images in a glyph strip: 1 to 4.
using TNumGlyphs = int;
constexpr TNumGlyphs MinNumGlyphs = 1;
constexpr TNumGlyphs MaxNumGlyphs = 4;

// The version text both bases carry.
inline constexpr const char* FlatVersion = "4.56.0.0";

}  // namespace FlatUtils

using namespace FlatUtils;

// A windowed flat control: carries Version (always "4.56.0.0"; writes change nothing).
class TVersionControl : public TCustomControl {
 public:
  explicit TVersionControl(TComponent* owner) : TCustomControl(owner) {}
  const char* ClassName() const override { return "TVersionControl"; }
  std::string Version() const { return FlatUtils::FlatVersion; }
  void SetVersion(const std::string& value) { (void)value; }
  bool GetPropertyText(std::string_view name, std::string& value) override;
};

// A windowless flat control: carries Version like TVersionControl.
class TVersionGraphic : public TGraphicControl {
 public:
  explicit TVersionGraphic(TComponent* owner) : TGraphicControl(owner) {}
  const char* ClassName() const override { return "TVersionGraphic"; }
  std::string Version() const { return FlatUtils::FlatVersion; }
  void SetVersion(const std::string& value) { (void)value; }
  bool GetPropertyText(std::string_view name, std::string& value) override;
};
