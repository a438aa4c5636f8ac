// Font discovery on Linux: fontconfig finds the file of each face the program asks for.
//
// The window description names the faces of another desktop ("黑体", "宋体", "Tahoma"); the
// program's aliases map them to faces every Linux desktop can install, behind the named face
// itself, so a user who has installed the real face gets it.
//
// The program builds its own fontconfig configuration instead of loading the system's: the
// system's reads some seventy files of rules, none of which changes which file the program's
// few faces come from, and costs more at start-up than everything else the font layer does.
// The own configuration reads the same font directories through the same caches, holds the
// aliases, and ends every request with a fixed chain of fallback faces, so that characters a
// face lacks are found in the same faces on every desktop.
#include "platform/FontFiles.h"

#include "base/Hash.h"

#include <fontconfig/fontconfig.h>

#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>
#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string_view>
#include <tuple>

namespace platform {

namespace {

// Faces the window description names, mapped to faces every Linux desktop can install
// (fontconfig compares family names without regard to letter case or blanks).
struct TAlias {
  std::string_view Name;
  std::string_view Family;
};
// The generic names stand for the usual faces of their kind.
constexpr std::array<TAlias, 8> kAliases{{
    {"黑体", "WenQuanYi Zen Hei"},
    {"SimHei", "WenQuanYi Zen Hei"},
    {"宋体", "AR PL UMing CN"},
    {"SimSun", "AR PL UMing CN"},
    {"Tahoma", "DejaVu Sans"},
    {"sans-serif", "DejaVu Sans"},
    {"serif", "DejaVu Serif"},
    {"monospace", "DejaVu Sans Mono"},
}};
constexpr std::string_view kLastResortFamily = "DejaVu Sans";

// A directory under the user's home: an XDG base directory (from its variable, else its default
// under the home), or the home itself; empty when there is no home to resolve it against.
std::string UserDirectory(const char* xdgVariable, std::string_view homeDefault) {
  if (const char* xdg = xdgVariable ? std::getenv(xdgVariable) : nullptr; xdg && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return {};
  return std::string(home) + "/" + std::string(homeDefault);
}

// Where fonts are, as a desktop's own configuration lists them: the system's, then the user's.
std::vector<std::string> FontDirectories() {
  std::vector<std::string> directories{"/usr/share/fonts", "/usr/local/share/fonts"};
  for (std::string user :
       {UserDirectory("XDG_DATA_HOME", ".local/share") + "/fonts", UserDirectory(nullptr, ".fonts")}) {
    if (user[0] == '/') directories.push_back(std::move(user));
  }
  return directories;
}

// Where the caches of those directories are kept.
constexpr std::string_view kCacheDirectories = R"(
  <cachedir>/var/cache/fontconfig</cachedir>
  <cachedir prefix="xdg">fontconfig</cachedir>
  <cachedir>~/.fontconfig</cachedir>
)";

// Faces after the asked-for ones, best first: the Latin face, then the two CJK faces.
constexpr std::array<std::string_view, 3> kFallbackChain{"DejaVu Sans", "WenQuanYi Zen Hei", "AR PL UMing CN"};

// Text as XML character data (a home directory may hold any character).
std::string XmlText(std::string_view text) {
  std::string xml;
  for (const char c : text) {
    if (c == '&')
      xml += "&amp;";
    else if (c == '<')
      xml += "&lt;";
    else if (c == '>')
      xml += "&gt;";
    else
      xml += c;
  }
  return xml;
}

std::string ConfigurationText() {
  std::string xml = "<?xml version=\"1.0\"?>\n<fontconfig>";
  for (const std::string& directory : FontDirectories()) xml += "  <dir>" + XmlText(directory) + "</dir>\n";
  xml += kCacheDirectories;
  for (const TAlias& alias : kAliases) {
    xml += "  <alias binding=\"same\"><family>" + std::string(alias.Name) + "</family><accept><family>" +
           std::string(alias.Family) + "</family></accept></alias>\n";
  }
  xml += "  <match target=\"pattern\"><edit name=\"family\" mode=\"append_last\" binding=\"strong\">";
  for (std::string_view family : kFallbackChain) xml += "<string>" + std::string(family) + "</string>";
  xml += "</edit></match>\n</fontconfig>\n";
  return xml;
}

// The program's configuration with every font the directories hold; null when it cannot be
// built (the program then draws no text rather than failing).
FcConfig* LoadConfiguration() {
  FcConfig* config = FcConfigCreate();
  if (!config) return nullptr;
  const std::string xml = ConfigurationText();
  if (!FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(xml.c_str()), FcTrue) ||
      !FcConfigBuildFonts(config)) {
    FcConfigDestroy(config);
    return nullptr;
  }
  return config;
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

// The program's fontconfig configuration and the answers it has given so far.
class TFontConfig {
  using TRequestKey = std::tuple<std::string, bool, bool>;

 public:
  static TFontConfig& Instance() {
    static TFontConfig config;
    return config;
  }

  TFontConfig() : m_config(LoadConfiguration()) {}
  ~TFontConfig() {
    for (auto& [key, set] : m_sorted) {
      if (set) FcFontSetDestroy(set);
    }
    if (m_config) FcConfigDestroy(m_config);
  }
  TFontConfig(const TFontConfig&) = delete;
  TFontConfig& operator=(const TFontConfig&) = delete;

  // Each request is matched once: the font engine asks again for every height of a face.
  std::optional<TFontFile> Match(const TFontRequest& request) {
    if (!m_config) return std::nullopt;
    const TRequestKey key{request.Name, request.Bold, request.Italic};
    auto found = m_matched.find(key);
    if (found != m_matched.end()) return found->second;
    auto file = MatchFamily(request.Name, request);
    if (!file) file = MatchFamily(std::string(kLastResortFamily), request);
    return m_matched.emplace(key, std::move(file)).first->second;
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
  FcPattern* MakePattern(const std::string& family, const TFontRequest& request) const {
    FcPattern* pattern = FcPatternCreate();
    if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, request.Bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, request.Italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(m_config, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    return pattern;
  }

  // The best face for this family; none when fontconfig's answer is no scalable file.
  std::optional<TFontFile> MatchFamily(const std::string& family, const TFontRequest& request) {
    FcPattern* pattern = MakePattern(family, request);
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
    const TRequestKey key{request.Name, request.Bold, request.Italic};
    auto found = m_sorted.find(key);
    if (found != m_sorted.end()) return found->second;
    FcPattern* pattern = MakePattern(request.Name, request);
    FcResult result = FcResultNoMatch;
    FcFontSet* sorted = FcFontSort(m_config, pattern, FcTrue, nullptr, &result);
    FcPatternDestroy(pattern);
    return m_sorted.emplace(key, sorted).first->second;
  }

  FcConfig* m_config;
  std::map<TRequestKey, std::optional<TFontFile>> m_matched;
  std::map<TRequestKey, FcFontSet*> m_sorted;
};

// The identity of a file as text (device, inode, size, modification time); empty when it
// cannot be read.
std::string FileIdentity(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return {};
  return std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino) + ":" + std::to_string(info.st_size) + ":" +
         std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

// The program's file (followed rather than looked at through /proc/self/exe, which a tool that
// runs the program inside itself answers as its own).
std::string ProgramPath() {
  std::string path(4096, '\0');
  const ssize_t length = readlink("/proc/self/exe", path.data(), path.size());
  path.resize(length > 0 ? static_cast<size_t>(length) : 0);
  return path;
}

// Adds each directory under path, itself included, with its modification time: a font installed
// or removed changes the time of the directory that holds it. Bounded, so that a font directory
// linked to a huge tree cannot stall the start.
void HashDirectoryTree(const std::string& path, std::uint64_t& hash, int& budget) {
  if (--budget < 0) return;
  hash = Hash64(path + "=" + FileIdentity(path) + ";", hash);
  DIR* directory = opendir(path.c_str());
  if (!directory) return;
  std::vector<std::string> children;
  while (const dirent* entry = readdir(directory)) {
    const std::string_view name = entry->d_name;
    if (entry->d_type == DT_DIR && name != "." && name != "..") children.push_back(path + "/" + std::string(name));
  }
  closedir(directory);
  std::sort(children.begin(), children.end());  // the stamp must not depend on the listing order
  for (const std::string& child : children) HashDirectoryTree(child, hash, budget);
}

}  // namespace

std::optional<TGlyphStoreLocation> GlyphStoreLocation() {
  const std::string cache = UserDirectory("XDG_CACHE_HOME", ".cache");
  if (cache.empty()) return std::nullopt;
  // The program itself (a new build may draw glyphs differently), its font configuration and
  // every font directory.
  std::uint64_t hash = Hash64(FileIdentity(ProgramPath()) + ConfigurationText());
  int budget = 4096;
  for (const std::string& directory : FontDirectories()) HashDirectoryTree(directory, hash, budget);
  char stamp[17];
  std::snprintf(stamp, sizeof stamp, "%016llx", static_cast<unsigned long long>(hash));
  return TGlyphStoreLocation{cache + "/orvanta/glyphs", stamp};
}

std::optional<TFontFile> MatchFontFile(const TFontRequest& request) { return TFontConfig::Instance().Match(request); }

std::vector<TFontFile> FallbackFontFiles(const TFontRequest& request, char32_t ch) {
  return TFontConfig::Instance().Fallbacks(request, ch);
}

}  // namespace platform
