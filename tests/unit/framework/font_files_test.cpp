// Font discovery as the font engine relies on it: the window's face names find installed files,
// and the fallback list offers only faces that have the character asked for.
#include "platform/FontFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace {

using platform::FallbackFontFiles;
using platform::MatchFontFile;

bool FileHasChar(const platform::TFontFile& file, char32_t ch) {
  FT_Library library = nullptr;
  FT_Init_FreeType(&library);
  FT_Face face = nullptr;
  bool has = false;
  if (FT_New_Face(library, file.Path.c_str(), file.Index, &face) == 0) {
    has = FT_Get_Char_Index(face, ch) != 0;
    FT_Done_Face(face);
  }
  FT_Done_FreeType(library);
  return has;
}

}  // namespace

TEST(FontFiles, UnknownAndEmptyNamesStillFindAFace) {
  for (const char* name : {"No Such Face Anywhere", ""}) {
    SCOPED_TRACE(name);
    const auto file = MatchFontFile({name});
    ASSERT_TRUE(file);
    EXPECT_TRUE(FileHasChar(*file, U'A'));
  }
}

TEST(FontFiles, BoldAsksForTheBoldMemberWhereTheFamilyHasOne) {
  const auto regular = MatchFontFile({"Tahoma"});
  const auto bold = MatchFontFile({"Tahoma", true});
  ASSERT_TRUE(regular && bold);
  EXPECT_EQ(bold->Family, regular->Family);
  EXPECT_NE(bold->Path, regular->Path);
}

TEST(FontFiles, FallbacksHaveTheCharacter) {
  for (char32_t ch : {U'－', U'总', U'é'}) {
    SCOPED_TRACE(static_cast<unsigned>(ch));
    const auto files = FallbackFontFiles({"Tahoma"}, ch);
    ASSERT_FALSE(files.empty());
    for (const auto& file : files) EXPECT_TRUE(FileHasChar(file, ch)) << file.Path;
  }
  // No face has a code point that is not a character.
  EXPECT_TRUE(FallbackFontFiles({"Tahoma"}, 0x10FFFF).empty());
}

#ifndef _WIN32

// The program's own aliases and fallback chain, which the Linux discovery holds (on Windows the
// system's substitutions apply).
TEST(FontFilesLinux, WindowFaceNamesFindTheirInstalledStandIns) {
  const struct {
    const char* Name;
    const char* Family;
  } cases[] = {{"黑体", "WenQuanYi Zen Hei"},
               {"SIMHEI", "WenQuanYi Zen Hei"},
               {"宋体", "AR PL UMing CN"},
               {"simsun", "AR PL UMing CN"},
               {"Tahoma", "DejaVu Sans"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto file = MatchFontFile({c.Name});
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Family, c.Family);
    EXPECT_FALSE(file->Path.empty());
  }
}

TEST(FontFilesLinux, UnknownNamesAndMissingCharactersFollowTheFixedFallbackChain) {
  EXPECT_EQ(MatchFontFile({"No Such Face Anywhere"})->Family, "DejaVu Sans");
  EXPECT_EQ(FallbackFontFiles({"Tahoma"}, U'é').front(), *MatchFontFile({"Tahoma"}));
  EXPECT_EQ(FallbackFontFiles({"Tahoma"}, U'总').front().Family, "WenQuanYi Zen Hei");
  EXPECT_EQ(FallbackFontFiles({"No Such Face Anywhere"}, U'总').front().Family, "WenQuanYi Zen Hei");
}

namespace {

// The Latin face as the Debian package installs it (not asked of the font configuration, which
// must not be made before the test has set up its directories).
constexpr const char* kLatinFaceFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// Installs a copy of the Latin face renamed "SimHei" into DIR/fonts, as a user installs a font.
// The new name is padded with blanks to the old one's length (font matching ignores blanks), so
// every table of the file keeps its size. Returns the installed file's path.
std::string InstallFaceNamedSimHei(const std::string& dir) {
  std::ifstream in(kLatinFaceFile, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto replaceAll = [&data](const std::string& from, const std::string& to) {
    for (size_t at = data.find(from); at != std::string::npos; at = data.find(from, at + to.size())) {
      data.replace(at, from.size(), to);
    }
  };
  const auto utf16be = [](std::string_view ascii) {
    std::string wide;
    for (char c : ascii) wide += std::string{'\0', c};
    return wide;
  };
  replaceAll("DejaVu Sans", "SimHei     ");
  replaceAll(utf16be("DejaVu Sans"), utf16be("SimHei     "));
  std::filesystem::create_directories(dir + "/fonts");
  const std::string path = dir + "/fonts/renamed.ttf";
  std::ofstream(path, std::ios::binary) << data;
  return path;
}

}  // namespace

// Runs in a process of its own (the font configuration is made once per process), with the user's
// font and cache directories in a fresh temporary directory.
TEST(FontFilesDeathTest, AnInstalledFaceOfTheAskedForNameWinsOverTheProgramsAlias) {
  if (!std::filesystem::exists(kLatinFaceFile)) GTEST_SKIP() << kLatinFaceFile << " is not installed";
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const auto matchesInstalledFace = [] {
    char pattern[] = "/tmp/orvanta-fonts-XXXXXX";
    const std::string dir = mkdtemp(pattern);
    const std::string installed = InstallFaceNamedSimHei(dir);
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
    setenv("XDG_CACHE_HOME", (dir + "/cache").c_str(), 1);
    const auto simhei = MatchFontFile({"SimHei"});
    const auto hei = MatchFontFile({"黑体"});
    std::filesystem::remove_all(dir);
    return simhei && simhei->Path == installed && hei && hei->Family == "WenQuanYi Zen Hei";
  };
  EXPECT_EXIT(std::exit(matchesInstalledFace() ? 0 : 1), testing::ExitedWithCode(0), "");
}

#endif
