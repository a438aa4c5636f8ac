// Font discovery on Windows. The system resolves a face name as it does for every program (its
// font substitutions included): a font of that name is selected into a memory device context.
// The file holding the selected face is then found among the installed fonts (the Fonts keys
// of the registry, machine-wide and per user) by its naming table: the face whose 'name' table
// has exactly the bytes the system reports for the selected font is that font, also inside a
// collection of several faces.

#include "base/Utf8.h"
#include "platform/FontFiles.h"
#include "platform/win32/WideText.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/win32/Win32Api.h"

namespace platform {

namespace {

using win32::Narrow;
using win32::Wide;

constexpr DWORD TableTag(const char (&tag)[5]) {
  return static_cast<DWORD>(tag[0]) | static_cast<DWORD>(tag[1]) << 8 | static_cast<DWORD>(tag[2]) << 16 |
         static_cast<DWORD>(tag[3]) << 24;
}

std::uint32_t BigEndian(const std::vector<char>& bytes, size_t at, int size) {
  std::uint32_t value = 0;
  for (int k = 0; k < size && at + k < bytes.size(); ++k)
    value = value << 8 | static_cast<unsigned char>(bytes[at + k]);
  return value;
}

// The family name a naming table gives in US English (Windows platform, language 0x0409, name
// 1); the system may report a font by the name it was asked for (a substitute's alias) instead.
std::string EnglishFamily(const std::vector<char>& nameTable) {
  const std::uint32_t count = BigEndian(nameTable, 2, 2);
  const std::uint32_t strings = BigEndian(nameTable, 4, 2);
  for (std::uint32_t i = 0; i < count; ++i) {
    const size_t record = 6 + 12 * static_cast<size_t>(i);
    if (BigEndian(nameTable, record, 2) != 3 || BigEndian(nameTable, record + 4, 2) != 0x0409 ||
        BigEndian(nameTable, record + 6, 2) != 1) {
      continue;
    }
    const size_t length = BigEndian(nameTable, record + 8, 2);
    const size_t at = strings + BigEndian(nameTable, record + 10, 2);
    std::u16string family;
    for (size_t k = 0; k + 1 < length && at + k + 1 < nameTable.size(); k += 2) {
      family += static_cast<char16_t>(BigEndian(nameTable, at + k, 2));
    }
    return Utf16ToUtf8(family);
  }
  return {};
}

// The font the system selects for a request, in a memory device context of its own.
class TSelectedFont {
 public:
  explicit TSelectedFont(const TFontRequest& request) {
    LOGFONTW font{};
    font.lfHeight = -16;
    font.lfWeight = request.Bold ? FW_BOLD : FW_NORMAL;
    font.lfItalic = request.Italic ? TRUE : FALSE;
    font.lfCharSet = DEFAULT_CHARSET;
    font.lfOutPrecision = OUT_TT_ONLY_PRECIS;
    const std::wstring name = Wide(request.Name).substr(0, LF_FACESIZE - 1);
    std::copy(name.begin(), name.end(), font.lfFaceName);
    m_dc = CreateCompatibleDC(nullptr);
    m_font = CreateFontIndirectW(&font);
    m_previous = SelectObject(m_dc, m_font);
  }
  ~TSelectedFont() {
    SelectObject(m_dc, m_previous);
    DeleteObject(m_font);
    DeleteDC(m_dc);
  }
  TSelectedFont(const TSelectedFont&) = delete;
  TSelectedFont& operator=(const TSelectedFont&) = delete;

  std::vector<char> NameTable() const {
    const DWORD size = GetFontData(m_dc, TableTag("name"), 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0) return {};
    std::vector<char> table(size);
    if (GetFontData(m_dc, TableTag("name"), 0, table.data(), size) != size) return {};
    return table;
  }
  // Characters outside the basic plane are not asked about: the system's query takes one
  // UTF-16 unit per character.
  bool HasChar(char32_t ch) const {
    if (ch > 0xFFFF || (ch >= 0xD800 && ch <= 0xDFFF)) return false;
    const wchar_t unit = static_cast<wchar_t>(ch);
    WORD glyph = 0xFFFF;
    return GetGlyphIndicesW(m_dc, &unit, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 && glyph != 0xFFFF;
  }

 private:
  HDC m_dc = nullptr;
  HFONT m_font = nullptr;
  HGDIOBJ m_previous = nullptr;
};

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
    const LONG result =
        RegEnumValueW(key, i, name, &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(path), &pathBytes);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    path[pathBytes / sizeof(wchar_t)] = L'\0';
    std::wstring file = path;
    const bool relative = file.find(L'\\') == std::wstring::npos;
    fonts.push_back({name, relative ? folder + file : file});
  }
  RegCloseKey(key);
}

// Reads big-endian numbers and byte runs at given offsets of a font file; a read past the end
// gives zeros and an empty run, which match nothing.
class TFontFileReader {
 public:
  explicit TFontFileReader(const std::wstring& path) : m_file(std::filesystem::path(path), std::ios::binary) {}
  bool IsOpen() const { return m_file.is_open(); }
  std::vector<char> Bytes(std::uint32_t at, std::uint32_t count) {
    std::vector<char> bytes(count);
    m_file.clear();
    m_file.seekg(at);
    if (!m_file.read(bytes.data(), count)) bytes.clear();
    return bytes;
  }
  std::uint32_t Number(std::uint32_t at, int size) {
    std::uint32_t value = 0;
    for (char c : Bytes(at, static_cast<std::uint32_t>(size))) value = value << 8 | static_cast<unsigned char>(c);
    return value;
  }

 private:
  std::ifstream m_file;
};

// The index of the face in a font file (a single font or a collection) whose naming table is
// `nameTable`; none when no face of the file has it. Only the headers and naming tables are
// read, not the glyphs.
std::optional<int> FaceWithNameTable(const std::wstring& path, const std::vector<char>& nameTable) {
  TFontFileReader file(path);
  if (!file.IsOpen()) return std::nullopt;
  std::vector<std::uint32_t> faces{0};
  if (file.Number(0, 4) == 0x74746366) {  // "ttcf": a collection and its faces' offsets
    const std::uint32_t count = std::min<std::uint32_t>(file.Number(8, 4), 256);
    faces.clear();
    for (std::uint32_t i = 0; i < count; ++i) faces.push_back(file.Number(12 + 4 * i, 4));
  }
  for (size_t index = 0; index < faces.size(); ++index) {
    const std::uint32_t tables = std::min<std::uint32_t>(file.Number(faces[index] + 4, 2), 512);
    for (std::uint32_t t = 0; t < tables; ++t) {
      const std::uint32_t record = faces[index] + 12 + 16 * t;
      if (file.Number(record, 4) != 0x6E616D65) continue;  // "name"
      const std::uint32_t length = file.Number(record + 12, 4);
      if (length == nameTable.size() && file.Bytes(file.Number(record + 8, 4), length) == nameTable) {
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
  const std::vector<char> nameTable = TSelectedFont(request).NameTable();
  if (nameTable.empty()) return std::nullopt;
  const std::string family = EnglishFamily(nameTable);
  for (const TInstalledFont& font : InstalledFontsFor(family)) {
    if (std::optional<int> index = FaceWithNameTable(font.Path, nameTable)) {
      return TFontFile{Narrow(font.Path), *index, family};
    }
  }
  return std::nullopt;
}

// The requested face itself, then the faces Windows has for Chinese text and for symbols:
// those of them that have the character, each once.
std::vector<TFontFile> FallbackFontFiles(const TFontRequest& request, char32_t ch) {
  std::vector<TFontFile> files;
  std::vector<std::string> names{request.Name};
  for (const char* name : {"Microsoft YaHei", "SimSun", "SimHei", "Segoe UI Symbol", "Arial Unicode MS", "Tahoma"}) {
    names.emplace_back(name);
  }
  for (const std::string& name : names) {
    TFontRequest candidate = request;
    candidate.Name = name;
    if (!TSelectedFont(candidate).HasChar(ch)) continue;
    std::optional<TFontFile> file = MatchFontFile(candidate);
    if (file && std::find(files.begin(), files.end(), *file) == files.end()) files.push_back(*file);
  }
  return files;
}

// Glyphs are not kept between runs on Windows: the system's font substitutions, which decide the
// faces, have no cheap stamp to tell when they change.
std::optional<TGlyphStoreLocation> GlyphStoreLocation() { return std::nullopt; }

}  // namespace platform
