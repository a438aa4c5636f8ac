# The picture tests that write their images and check their results with libpng, which the
# Windows build does not have: every one that uses PngTestSupport.h. The kernel tests run there.
set(linux_only_sources "(PictureStream|PngCodec|PngDecode|PngDraw|PngError|PngHostileInput)Tests\\.cpp$")
