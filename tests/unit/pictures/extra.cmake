# The picture tests decode reference images written and read by libpng (a test-only dependency).
pkg_check_modules(LIBPNG REQUIRED IMPORTED_TARGET libpng)
target_link_libraries(pictures_tests PRIVATE PkgConfig::LIBPNG ZLIB::ZLIB)
