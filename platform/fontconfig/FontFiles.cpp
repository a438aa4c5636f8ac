// Font discovery on Linux: fontconfig finds the file of each face the program asks for.
//
// The window description names the faces of another desktop ("黑体", "宋体", "Tahoma"); the
// program's aliases map them to faces every Linux desktop can install, and fontconfig's own
// matching stands behind them for every other name.
#include "platform/FontFiles.h"

#include <fontconfig/fontconfig.h>

#include <array>
#include <map>
#include <string_view>
#include <tuple>

namespace platform {

namespace {

// Faces the window description names, mapped to faces every Linux desktop can install.
struct TAlias {
  std::string_view Name;
  std::string_view Family;
};
constexpr std::array<TAlias, 5> kAliases{{
    {"黑体", "WenQuanYi Zen Hei"},
    {"SimHei", "WenQuanYi Zen Hei"},
    {"宋体", "AR PL UMing CN"},
    {"SimSun", "AR PL UMing CN"},
    {"Tahoma", "DejaVu Sans"},
}};
constexpr std::string_view kLastResortFamily = "DejaVu Sans";

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// The families to ask fontconfig for, best first.
std::vector<std::string> FamiliesFor(const std::string& name) {
  std::vector<std::string> families;
  for (const TAlias& alias : kAliases) {
    if (SameNameIgnoringCase(alias.Name, name)) {
      families.emplace_back(alias.Family);
      break;
    }
  }
  if (!name.empty()) families.push_back(name);
  return families;
}

std::optional<TFontFile> FileOf(FcPattern* font) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch || !file) return std::nullopt;
  TFontFile result;
  result.Path = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(font, FC_INDEX, 0, &result.Index);
  FcChar8* family = nullptr;
  if (FcPatternGetString(font, FC_FAMILY, 0, &family) == FcResultMatch && family) {
    result.Family = reinterpret_cast<const char*>(family);
  }
  return result;
}

// The program's fontconfig configuration and the sorted font lists asked of it so far.
class TFontConfig {
 public:
  static TFontConfig& Instance() {
    static TFontConfig config;
    return config;
  }

  TFontConfig() : m_config(FcInitLoadConfigAndFonts()) {}
  ~TFontConfig() {
    for (auto& [key, set] : m_sorted) {
      if (set) FcFontSetDestroy(set);
    }
    if (m_config) FcConfigDestroy(m_config);
  }
  TFontConfig(const TFontConfig&) = delete;
  TFontConfig& operator=(const TFontConfig&) = delete;

  std::optional<TFontFile> Match(const TFontRequest& request) {
    if (!m_config) return std::nullopt;
    if (auto file = MatchFamilies(FamiliesFor(request.Name), request)) return file;
    return MatchFamilies({std::string(kLastResortFamily)}, request);
  }

  std::vector<TFontFile> Fallbacks(const TFontRequest& request, char32_t ch) {
    std::vector<TFontFile> files;
    const FcFontSet* sorted = Sorted(request);
    for (int i = 0; sorted && i < sorted->nfont; ++i) {
      FcCharSet* charset = nullptr;
      if (FcPatternGetCharSet(sorted->fonts[i], FC_CHARSET, 0, &charset) != FcResultMatch || !charset ||
          !FcCharSetHasChar(charset, ch)) {
        continue;
      }
      if (auto file = FileOf(sorted->fonts[i])) files.push_back(std::move(*file));
    }
    return files;
  }

 private:
  FcPattern* MakePattern(const std::vector<std::string>& families, const TFontRequest& request) const {
    FcPattern* pattern = FcPatternCreate();
    for (const std::string& family : families) {
      FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    FcPatternAddInteger(pattern, FC_WEIGHT, request.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(m_config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
  }

  // The best face for these families; none when fontconfig's answer is no scalable file.
  std::optional<TFontFile> MatchFamilies(const std::vector<std::string>& families, const TFontRequest& request) {
    FcPattern* pattern = MakePattern(families, request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(m_config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return std::nullopt;
    FcBool scalable = FcFalse;
    std::optional<TFontFile> file;
    if (FcPatternGetBool(match, FC_SCALABLE, 0, &scalable) != FcResultMatch || scalable) file = FileOf(match);
    FcPatternDestroy(match);
    return file;
  }

  // Every installed face in the order of preference for this request, sorted once per request.
  const FcFontSet* Sorted(const TFontRequest& request) {
    if (!m_config) return nullptr;
    const auto key = std::make_tuple(request.Name, request.Bold, request.Italic);
    auto found = m_sorted.find(key);
    if (found != m_sorted.end()) return found->second;
    FcPattern* pattern = MakePattern(FamiliesFor(request.Name), request);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(m_config, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    return m_sorted.emplace(key, sorted).first->second;
  }

  FcConfig* m_config;
  std::map<std::tuple<std::string, bool, bool>, FcFontSet*> m_sorted;
};

}  // namespace

std::optional<TFontFile> MatchFontFile(const TFontRequest& request) { return TFontConfig::Instance().Match(request); }

std::vector<TFontFile> FallbackFontFiles(const TFontRequest& request, char32_t ch) {
  return TFontConfig::Instance().Fallbacks(request, ch);
}

}  // namespace platform
