// Font discovery on Windows. The system resolves a face name as it does for every program (its
// font substitutions included): a font of that name is selected into a memory device context.
// The file holding the selected face is then found among the installed fonts (the Fonts keys
// of the registry, machine-wide and per user) by its naming table: the face whose 'name' table
// has exactly the bytes the system reports for the selected font is that font, also inside a
// collection of several faces.

#include "platform/FontFiles.h"
#include "base/Utf8.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "platform/win32/Win32Api.h"

namespace platform {

namespace {

constexpr DWORD TableTag(const char (&tag)[5]) {
  return static_cast<DWORD>(tag[0]) | static_cast<DWORD>(tag[1]) << 8 | static_cast<DWORD>(tag[2]) << 16 |
         static_cast<DWORD>(tag[3]) << 24;
}

std::wstring Wide(const std::string& utf8) {
  const std::u16string text = Utf8ToUtf16(utf8);
  return {text.begin(), text.end()};
}

std::string Narrow(const std::wstring& text) {
  return Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// What the system selected for a request: its family name and its naming table.
struct TSelectedFace {
  std::string Family;
  std::vector<char> NameTable;
};

std::optional<TSelectedFace> SelectFace(const TFontRequest& request) {
  LOGFONTW font{};
  font.lfHeight = -16;
  font.lfWeight = request.Bold ? FW_BOLD : FW_NORMAL;
  font.lfItalic = request.Italic ? TRUE : FALSE;
  font.lfCharSet = DEFAULT_CHARSET;
  font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
  const std::wstring name = Wide(request.Name).substr(0, LF_FACESIZE - 1);
  std::copy(name.begin(), name.end(), font.lfFaceName);
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT handle = CreateFontIndirectW(&font);
  HGDIOBJ previous = SelectObject(dc, handle);
  std::optional<TSelectedFace> face;
  wchar_t family[LF_FACESIZE + 1] = {};
  const DWORD size = GetFontData(dc, TableTag("name"), 0, nullptr, 0);
  if (GetTextFaceW(dc, LF_FACESIZE, family) > 0 && size != GDI_ERROR && size > 0) {
    face.emplace();
    face->Family = Narrow(family);
    face->NameTable.resize(size);
    GetFontData(dc, TableTag("name"), 0, face->NameTable.data(), size);
  }
  SelectObject(dc, previous);
  DeleteObject(handle);
  DeleteDC(dc);
  return face;
}

// An installed font file with the name the registry gives it ("SimSun & NSimSun (TrueType)").
struct TInstalledFont {
  std::wstring Name;
  std::wstring Path;
};

std::wstring FontsFolder() {
  wchar_t windows[MAX_PATH] = {};
  const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
  return std::wstring(windows, length) + L"\\Fonts\\";
}

void ReadFontsKey(HKEY root, std::vector<TInstalledFont>& fonts) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return;
  }
  const std::wstring folder = FontsFolder();
  for (DWORD i = 0;; ++i) {
    wchar_t name[512];
    wchar_t path[MAX_PATH];
    DWORD nameLength = static_cast<DWORD>(std::size(name));
    DWORD pathBytes = sizeof path - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(path), &pathBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    path[pathBytes / sizeof(wchar_t)] = L'\0';
    std::wstring file = path;
    const bool relative = file.find(L'\\') == std::wstring::npos;
    fonts.push_back({name, relative ? folder + file : file});
  }
  RegCloseKey(key);
}

std::uint32_t BigEndian32(const std::vector<char>& b, size_t at) {
  if (at + 4 > b.size()) return 0;
  const auto u = [&](size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + k])); };
  return u(0) << 24 | u(1) << 16 | u(2) << 8 | u(3);
}

std::uint16_t BigEndian16(const std::vector<char>& b, size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(b[at]) << 8 | static_cast<unsigned char>(b[at + 1]));
}

// The index of the face in a font file (a single font or a collection) whose naming table is
// `nameTable`; none when no face of the file has it.
std::optional<int> FaceWithNameTable(const std::wstring& path, const std::vector<char>& nameTable) {
  std::ifstream file(std::filesystem::path(path), std::ios::binary);
  if (!file) return std::nullopt;
  const std::vector<char> data((std::istreambuf_iterator<char>(file)), {});
  std::vector<std::uint32_t> faces{0};
  if (data.size() >= 12 && std::string_view(data.data(), 4) == "ttcf") {
    const std::uint32_t count = std::min<std::uint32_t>(BigEndian32(data, 8), 256);
    faces.clear();
    for (std::uint32_t i = 0; i < count; ++i) faces.push_back(BigEndian32(data, 12 + 4 * i));
  }
  for (size_t index = 0; index < faces.size(); ++index) {
    const size_t directory = faces[index];
    const std::uint16_t tables = BigEndian16(data, directory + 4);
    for (std::uint16_t t = 0; t < tables; ++t) {
      const size_t record = directory + 12 + 16 * static_cast<size_t>(t);
      if (record + 16 > data.size() || std::string_view(data.data() + record, 4) != "name") continue;
      const size_t offset = BigEndian32(data, record + 8);
      const size_t length = BigEndian32(data, record + 12);
      if (length == nameTable.size() && offset + length <= data.size() &&
          std::equal(nameTable.begin(), nameTable.end(), data.begin() + static_cast<ptrdiff_t>(offset))) {
        return static_cast<int>(index);
      }
    }
  }
  return std::nullopt;
}

// Installed fonts, those whose registry name mentions the family first: the search usually
// ends at the first file it reads.
std::vector<TInstalledFont> InstalledFontsFor(const std::string& family) {
  std::vector<TInstalledFont> fonts;
  ReadFontsKey(HKEY_LOCAL_MACHINE, fonts);
  ReadFontsKey(HKEY_CURRENT_USER, fonts);
  const std::wstring wanted = Wide(family);
  std::stable_partition(fonts.begin(), fonts.end(),
                        [&](const TInstalledFont& f) { return f.Name.find(wanted) != std::wstring::npos; });
  return fonts;
}

}  // namespace

std::optional<TFontFile> MatchFontFile(const TFontRequest& request) {
  const std::optional<TSelectedFace> face = SelectFace(request);
  if (!face) return std::nullopt;
  for (const TInstalledFont& font : InstalledFontsFor(face->Family)) {
    if (std::optional<int> index = FaceWithNameTable(font.Path, face->NameTable)) {
      return TFontFile{Narrow(font.Path), *index, face->Family};
    }
  }
  return std::nullopt;
}

// The faces Windows itself falls back to for Chinese text and for symbols, then the request's
// own; the font engine takes the first that has the character.
std::vector<TFontFile> FallbackFontFiles(const TFontRequest& request, char32_t ch) {
  (void)ch;
  std::vector<TFontFile> files;
  for (const char* name : {"Microsoft YaHei", "SimSun", "SimHei", "Segoe UI Symbol", "Arial Unicode MS", "Tahoma"}) {
    TFontRequest fallback = request;
    fallback.Name = name;
    std::optional<TFontFile> file = MatchFontFile(fallback);
    if (file && std::find(files.begin(), files.end(), *file) == files.end()) files.push_back(*file);
  }
  return files;
}

}  // namespace platform
