// FreeType and fontconfig, loaded when text first needs them instead of with the program. A start
// that draws only glyphs kept from an earlier run (framework/GlyphStore.h) needs neither, and
// loading the two with the libraries they stand on costs the start some milliseconds.
//
// The program calls these functions by their own names; each definition here forwards to the
// library's function, loaded with all the others of its library on the first call of the
// library's entry point (FT_Init_FreeType, FcConfigCreate). When a library or any of its
// functions cannot be loaded, the entry point fails as the library itself fails (no library, no
// configuration), and the font engine then draws text as blank placeholders: nothing else of the
// library is called without its entry point having succeeded.
#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_SIZES_H
#include FT_TRUETYPE_TABLES_H

#include <cstdio>
#include <type_traits>

namespace {

// Every function the program uses but the entry points, as (result, name, parameters, arguments).
#define ORV_FREETYPE_FUNCTIONS(X)                                                                         \
  X(FT_Error, FT_Done_FreeType, (FT_Library library), (library))                                          \
  X(FT_Error, FT_Open_Face, (FT_Library library, const FT_Open_Args* args, FT_Long index, FT_Face* face), \
    (library, args, index, face))                                                                         \
  X(FT_Error, FT_New_Face, (FT_Library library, const char* path, FT_Long index, FT_Face* face),          \
    (library, path, index, face))                                                                         \
  X(FT_Error, FT_Done_Face, (FT_Face face), (face))                                                       \
  X(FT_Error, FT_New_Size, (FT_Face face, FT_Size * size), (face, size))                                  \
  X(FT_Error, FT_Activate_Size, (FT_Size size), (size))                                                   \
  X(FT_Error, FT_Request_Size, (FT_Face face, FT_Size_Request request), (face, request))                  \
  X(FT_UInt, FT_Get_Char_Index, (FT_Face face, FT_ULong code), (face, code))                              \
  X(void*, FT_Get_Sfnt_Table, (FT_Face face, FT_Sfnt_Tag tag), (face, tag))                               \
  X(FT_Error, FT_Load_Glyph, (FT_Face face, FT_UInt index, FT_Int32 flags), (face, index, flags))         \
  X(FT_Error, FT_Render_Glyph, (FT_GlyphSlot slot, FT_Render_Mode mode), (slot, mode))                    \
  X(FT_Long, FT_MulFix, (FT_Long a, FT_Long b), (a, b))                                                   \
  X(FT_Error, FT_Outline_EmboldenXY, (FT_Outline * outline, FT_Pos x, FT_Pos y), (outline, x, y))         \
  X(void, FT_Outline_Transform, (const FT_Outline* outline, const FT_Matrix* matrix), (outline, matrix))  \
  X(void, FT_Outline_Translate, (const FT_Outline* outline, FT_Pos x, FT_Pos y), (outline, x, y))

#define ORV_FONTCONFIG_FUNCTIONS(X)                                                                                   \
  X(void, FcConfigDestroy, (FcConfig * config), (config))                                                             \
  X(FcBool, FcConfigParseAndLoadFromMemory, (FcConfig * config, const FcChar8* buffer, FcBool complain),              \
    (config, buffer, complain))                                                                                       \
  X(FcBool, FcConfigBuildFonts, (FcConfig * config), (config))                                                        \
  X(FcBool, FcConfigSubstitute, (FcConfig * config, FcPattern * p, FcMatchKind kind), (config, p, kind))              \
  X(void, FcDefaultSubstitute, (FcPattern * pattern), (pattern))                                                      \
  X(FcPattern*, FcFontMatch, (FcConfig * config, FcPattern * p, FcResult * result), (config, p, result))              \
  X(FcFontSet*, FcFontSort, (FcConfig * config, FcPattern * p, FcBool trim, FcCharSet * *csp, FcResult * result),     \
    (config, p, trim, csp, result))                                                                                   \
  X(void, FcFontSetDestroy, (FcFontSet * set), (set))                                                                 \
  X(FcPattern*, FcPatternCreate, (void), ())                                                                          \
  X(void, FcPatternDestroy, (FcPattern * p), (p))                                                                     \
  X(FcBool, FcPatternAddString, (FcPattern * p, const char* object, const FcChar8* s), (p, object, s))                \
  X(FcBool, FcPatternAddInteger, (FcPattern * p, const char* object, int i), (p, object, i))                          \
  X(FcBool, FcPatternAddBool, (FcPattern * p, const char* object, FcBool b), (p, object, b))                          \
  X(FcResult, FcPatternGetString, (const FcPattern* p, const char* object, int n, FcChar8** s), (p, object, n, s))    \
  X(FcResult, FcPatternGetInteger, (const FcPattern* p, const char* object, int n, int* i), (p, object, n, i))        \
  X(FcResult, FcPatternGetBool, (const FcPattern* p, const char* object, int n, FcBool* b), (p, object, n, b))        \
  X(FcResult, FcPatternGetCharSet, (const FcPattern* p, const char* object, int n, FcCharSet** c), (p, object, n, c)) \
  X(FcBool, FcCharSetHasChar, (const FcCharSet* set, FcChar32 ch), (set, ch))

#define ORV_POINTER(result, name, parameters, arguments) result(*name) parameters = nullptr;
#define ORV_VISIT(result, name, parameters, arguments) visit(name, #name);

struct TFreeType {
  bool Loaded = false;
  FT_Error (*FT_Init_FreeType)(FT_Library*) = nullptr;
  ORV_FREETYPE_FUNCTIONS(ORV_POINTER)
  template <class TVisit>
  void Each(TVisit&& visit) {
    visit(FT_Init_FreeType, "FT_Init_FreeType");
    ORV_FREETYPE_FUNCTIONS(ORV_VISIT)
  }
};

struct TFontconfig {
  bool Loaded = false;
  FcConfig* (*FcConfigCreate)() = nullptr;
  ORV_FONTCONFIG_FUNCTIONS(ORV_POINTER)
  template <class TVisit>
  void Each(TVisit&& visit) {
    visit(FcConfigCreate, "FcConfigCreate");
    ORV_FONTCONFIG_FUNCTIONS(ORV_VISIT)
  }
};

// A library with every function of its list, loaded on first use; not Loaded when the library or
// any of the functions is missing, which is said once on the error output.
template <class TLibrary>
const TLibrary& Library(const char* file) {
  static const TLibrary library = [file] {
    TLibrary loaded;
    void* handle = dlopen(file, RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
      std::fprintf(stderr, "orvanta: text cannot be drawn: %s\n", dlerror());
      return loaded;
    }
    const char* missing = nullptr;
    loaded.Each([&](auto& function, const char* name) {
      function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(dlsym(handle, name));
      if (!function && !missing) missing = name;
    });
    loaded.Loaded = !missing;
    if (missing) std::fprintf(stderr, "orvanta: text cannot be drawn: %s has no %s\n", file, missing);
    return loaded;
  }();
  return library;
}

// The libraries by the names of the interface versions the program was built against.
const TFreeType& FreeType() { return Library<TFreeType>("libfreetype.so.6"); }
const TFontconfig& Fontconfig() { return Library<TFontconfig>("libfontconfig.so.1"); }

}  // namespace

// The entry points fail as the libraries do when they are missing.
FT_Error FT_Init_FreeType(FT_Library* library) {
  if (!FreeType().Loaded) {
    *library = nullptr;
    return FT_Err_Cannot_Open_Resource;
  }
  return FreeType().FT_Init_FreeType(library);
}

FcConfig* FcConfigCreate() { return Fontconfig().Loaded ? Fontconfig().FcConfigCreate() : nullptr; }

// Every other function is reached only after its library's entry point has succeeded.
#define ORV_FORWARD_FREETYPE(result, name, parameters, arguments) \
  result name parameters { return FreeType().name arguments; }
#define ORV_FORWARD_FONTCONFIG(result, name, parameters, arguments) \
  result name parameters { return Fontconfig().name arguments; }
ORV_FREETYPE_FUNCTIONS(ORV_FORWARD_FREETYPE)
ORV_FONTCONFIG_FUNCTIONS(ORV_FORWARD_FONTCONFIG)
