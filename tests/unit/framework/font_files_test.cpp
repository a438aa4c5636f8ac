// Font discovery as the font engine relies on it: the window's face names find installed files,
// and the fallback list offers only faces that have the character asked for.
#include "platform/FontFiles.h"

#include <gtest/gtest.h>

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

TEST(FontFiles, WindowFaceNamesFindTheirInstalledStandIns) {
  const struct {
    const char* Name;
    const char* Family;
  } cases[] = {{"黑体", "WenQuanYi Zen Hei"}, {"SIMHEI", "WenQuanYi Zen Hei"}, {"宋体", "AR PL UMing CN"},
               {"simsun", "AR PL UMing CN"},  {"Tahoma", "DejaVu Sans"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const auto file = MatchFontFile({c.Name});
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Family, c.Family);
    EXPECT_FALSE(file->Path.empty());
  }
}

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
  // The asked-for face comes first when it has the character.
  EXPECT_EQ(FallbackFontFiles({"Tahoma"}, U'é').front(), *MatchFontFile({"Tahoma"}));
  // No face has a code point that is not a character.
  EXPECT_TRUE(FallbackFontFiles({"Tahoma"}, 0x10FFFF).empty());
}
