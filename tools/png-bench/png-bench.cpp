// png-bench: decodes one set of PNG files (generated here) with our reader, with libpng, spng and
// stb_image, and with a bare inflate of the same image data, the limit no decoder built on zlib
// can beat. Prints each file's times, then
//   ratio_vs_inflate: our total time / the bare inflate's total time
//   ratio_vs_libpng:  libpng's total time / ours (above 1: we are faster)   <- the last line
// Google Benchmark options (--benchmark_min_time=...) are accepted; --write-images=DIR writes the
// generated files into DIR instead of measuring.
#include <benchmark/benchmark.h>
#include <png.h>
#include <spng.h>
#include <stb/stb_image.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/ByteOrder.h"
#include "framework/Streams.h"
#include "pictures/PictureClasses.h"
#include "pictures/codec/PngFormat.h"
#include "pictures/pngimage.h"

namespace {

using TBytes = std::vector<std::uint8_t>;

struct TTestImage {
  std::string Name;
  int Width, Height, BitDepth, ColorType, Interlace;
  TBytes File;
  TBytes ImageData;  // the IDAT chunks' data, concatenated
  std::size_t RawSize = 0;
};

// A photograph-like picture: smooth shading with some texture and noise, so that every filter
// type is chosen somewhere and the data compresses as real pictures do.
TBytes Encode(TTestImage& image) {
  std::mt19937 random(7);
  const int channels = PngChannels(static_cast<std::uint8_t>(image.ColorType));
  const int sampleBytes = image.BitDepth == 16 ? 2 : 1;
  std::vector<TBytes> rows(static_cast<std::size_t>(image.Height),
                           TBytes(static_cast<std::size_t>(image.Width) * channels * sampleBytes));
  for (int y = 0; y < image.Height; ++y)
    for (int x = 0; x < image.Width; ++x)
      for (int c = 0; c < channels; ++c) {
        double v = 0.5 + 0.35 * std::sin(x * (0.011 + 0.004 * c) + y * 0.007) * std::cos(y * 0.013 - x * 0.002 * c);
        v += 0.08 * std::sin((x ^ y) * 0.05) + (static_cast<int>(random() % 21) - 10) / 2550.0;
        if (image.ColorType == 3) v = v * 0.95;
        if (c == 3 || (image.ColorType == 4 && c == 1)) v = (x / 64 + y / 64) % 3 == 0 ? 1.0 : v;
        v = std::clamp(v, 0.0, 1.0);
        auto* p = rows[y].data() + (static_cast<std::size_t>(x) * channels + c) * sampleBytes;
        if (sampleBytes == 2) {
          const auto s = static_cast<std::uint16_t>(v * 65535);
          p[0] = static_cast<std::uint8_t>(s >> 8);
          p[1] = static_cast<std::uint8_t>(s);
        } else {
          p[0] = static_cast<std::uint8_t>(v * 255);
        }
      }
  TBytes out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng write failed");
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep data, png_size_t n) {
        auto* o = static_cast<TBytes*>(png_get_io_ptr(p));
        o->insert(o->end(), data, data + n);
      },
      nullptr);
  png_set_IHDR(png, info, image.Width, image.Height, image.BitDepth, image.ColorType,
               image.Interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  if (image.ColorType == 3) {
    std::vector<png_color> palette(256);
    for (int i = 0; i < 256; ++i)
      palette[i] = {static_cast<png_byte>(i), static_cast<png_byte>(255 - i), static_cast<png_byte>(i * 7)};
    png_set_PLTE(png, info, palette.data(), 256);
  }
  png_write_info(png, info);
  const int passes = png_set_interlace_handling(png);
  for (int pass = 0; pass < passes; ++pass)
    for (auto& row : rows) png_write_row(png, row.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

void ExtractImageData(TTestImage& image) {
  const TBytes& f = image.File;
  for (std::size_t at = 8; at + 12 <= f.size();) {
    const std::uint32_t n = ReadBigEndian32(&f[at]);
    if (std::memcmp(&f[at + 4], "IDAT", 4) == 0)
      image.ImageData.insert(image.ImageData.end(), &f[at + 8], &f[at + 8 + n]);
    at += 12 + n;
  }
}

std::vector<TTestImage> MakeImages() {
  std::vector<TTestImage> images = {
      {"rgba8_1920x1080", 1920, 1080, 8, 6, 0, {}, {}}, {"rgb8_1920x1080", 1920, 1080, 8, 2, 0, {}, {}},
      {"rgb16_1024x768", 1024, 768, 16, 2, 0, {}, {}},  {"palette8_1920x1080", 1920, 1080, 8, 3, 0, {}, {}},
      {"grey8_1920x1080", 1920, 1080, 8, 0, 0, {}, {}}, {"rgba8_adam7_1024x768", 1024, 768, 8, 6, 1, {}, {}},
  };
  for (auto& image : images) {
    image.File = Encode(image);
    ExtractImageData(image);
    image.RawSize = 0;
    // Bytes inflate produces: every scan line of every pass with its filter byte.
    const int bits = PngChannels(static_cast<std::uint8_t>(image.ColorType)) * image.BitDepth;
    if (!image.Interlace) {
      image.RawSize = (static_cast<std::size_t>(image.Width) * bits + 7) / 8 * image.Height + image.Height;
    } else {
      for (const TAdam7Pass& p : Adam7Passes) {
        const std::size_t w = p.Columns(image.Width), h = (image.Height + p.RowStep - p.Row0 - 1) / p.RowStep;
        if (w > 0) image.RawSize += ((w * bits + 7) / 8 + 1) * h;
      }
    }
  }
  return images;
}

void DecodeOurs(const TTestImage& image) {
  TSpanStream stream(image.File);
  TPNGObject png;
  png.LoadFromStream(stream);
  benchmark::DoNotOptimize(png.Header().ColorRaster().Bits.Data());
}

void DecodeLibpng(const TTestImage& image) {
  struct TSource {
    const TBytes* Bytes;
    std::size_t At;
  } source{&image.File, 0};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) throw std::runtime_error("libpng read failed");
  png_set_read_fn(png, &source, [](png_structp p, png_bytep data, png_size_t n) {
    auto* s = static_cast<TSource*>(png_get_io_ptr(p));
    std::memcpy(data, s->Bytes->data() + s->At, n);
    s->At += n;
  });
  png_read_info(png, info);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  const std::size_t rowBytes = png_get_rowbytes(png, info);
  std::vector<std::uint8_t> pixels(rowBytes * image.Height);
  std::vector<png_bytep> rows(static_cast<std::size_t>(image.Height));
  for (int y = 0; y < image.Height; ++y) rows[y] = pixels.data() + rowBytes * y;
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  benchmark::DoNotOptimize(pixels.data());
}

void DecodeSpng(const TTestImage& image) {
  spng_ctx* ctx = spng_ctx_new(0);
  spng_set_png_buffer(ctx, image.File.data(), image.File.size());
  std::size_t size = 0;
  spng_decoded_image_size(ctx, SPNG_FMT_PNG, &size);
  std::vector<std::uint8_t> pixels(size);
  if (spng_decode_image(ctx, pixels.data(), size, SPNG_FMT_PNG, 0) != 0) throw std::runtime_error("spng failed");
  spng_ctx_free(ctx);
  benchmark::DoNotOptimize(pixels.data());
}

void DecodeStb(const TTestImage& image) {
  int w, h, n;
  stbi_uc* pixels = stbi_load_from_memory(image.File.data(), static_cast<int>(image.File.size()), &w, &h, &n, 0);
  if (pixels == nullptr) throw std::runtime_error("stb_image failed");
  benchmark::DoNotOptimize(pixels);
  stbi_image_free(pixels);
}

void BareInflate(const TTestImage& image) {
  static thread_local TBytes out;
  out.resize(image.RawSize);
  z_stream z{};
  inflateInit(&z);
  z.next_in = const_cast<Bytef*>(image.ImageData.data());
  z.avail_in = static_cast<uInt>(image.ImageData.size());
  z.next_out = out.data();
  z.avail_out = static_cast<uInt>(out.size());
  if (inflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("inflate failed");
  inflateEnd(&z);
  benchmark::DoNotOptimize(out.data());
}

const char* const DecoderNames[] = {"ours", "libpng", "spng", "stb_image", "inflate"};
void (*const Decoders[])(const TTestImage&) = {DecodeOurs, DecodeLibpng, DecodeSpng, DecodeStb, BareInflate};

// Keeps the smallest processor time per iteration of every benchmark ("file/decoder") over its
// repetitions. Processor time rather than wall time, and the best of interleaved repetitions, so
// that other work on a shared machine distorts the ratios as little as possible.
class TCollector : public benchmark::BenchmarkReporter {
 public:
  std::map<std::string, double> Seconds;
  bool ReportContext(const Context&) override { return true; }
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations <= 0 || run.error_occurred) continue;
      const double s = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      auto [it, added] = Seconds.try_emplace(run.run_name.function_name, s);
      if (!added) it->second = std::min(it->second, s);
    }
  }
};

}  // namespace

int main(int argc, char** argv) {
  RegisterPictureClasses();
  const std::vector<TTestImage> images = MakeImages();
  for (int i = 1; i < argc; ++i)
    if (std::strncmp(argv[i], "--write-images=", 15) == 0) {
      for (const TTestImage& image : images) {
        const std::string path = std::string(argv[i] + 15) + "/" + image.Name + ".png";
        std::FILE* f = std::fopen(path.c_str(), "wb");
        if (f == nullptr || std::fwrite(image.File.data(), 1, image.File.size(), f) != image.File.size()) {
          std::fprintf(stderr, "cannot write %s\n", path.c_str());
          return 1;
        }
        std::fclose(f);
      }
      return 0;
    }
  for (const TTestImage& image : images)
    for (int d = 0; d < 5; ++d) {
      benchmark::RegisterBenchmark((image.Name + "/" + DecoderNames[d]).c_str(), [&image, d](benchmark::State& state) {
        for (auto _ : state) Decoders[d](image);
      });
    }
  // Defaults: interleaved repetitions (options given on the command line come later and win).
  std::vector<char*> args(argv, argv + argc);
  char repetitions[] = "--benchmark_repetitions=5";
  char interleave[] = "--benchmark_enable_random_interleaving=true";
  char minTime[] = "--benchmark_min_time=0.1";
  args.insert(args.begin() + 1, {repetitions, interleave, minTime});
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  TCollector collector;
  benchmark::RunSpecifiedBenchmarks(&collector);

  double total[5] = {};
  std::printf("\n%-24s", "file (ms)");
  for (const char* name : DecoderNames) std::printf("%11s", name);
  std::printf("\n");
  for (const TTestImage& image : images) {
    std::printf("%-24s", image.Name.c_str());
    for (int d = 0; d < 5; ++d) {
      const double s = collector.Seconds[image.Name + "/" + DecoderNames[d]];
      total[d] += s;
      std::printf("%11.2f", s * 1000);
    }
    std::printf("\n");
  }
  std::printf("%-24s", "total");
  for (double t : total) std::printf("%11.2f", t * 1000);
  std::printf("\n");
  std::printf("ratio_vs_inflate: %.2f\n", total[4] > 0 ? total[0] / total[4] : 0.0);
  std::printf("ratio_vs_libpng: %.2f\n", total[0] > 0 ? total[1] / total[0] : 0.0);
  UnregisterPictureClasses();
  return 0;
}
