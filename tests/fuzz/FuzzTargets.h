#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Every reader of data that comes from outside the program, as a function of the bytes it reads.
// Each returns 0 whatever the bytes hold: a fault shows as a crash or a sanitizer report, never as
// a return value. The same functions run under libFuzzer (tools/fuzz.sh) and replay the
// committed corpus in the ordinary test build (tests/fuzz/corpus/<name>/).
namespace vd::fuzz {

int fuzzJpegStrip(const std::uint8_t* data, std::size_t size);       // JpegReader, row by row
int fuzzJpegDecoder(const std::uint8_t* data, std::size_t size);     // decodeJpeg, the whole picture
int fuzzJpegCoefficients(const std::uint8_t* data, std::size_t size); // the lossless stamp's reader
int fuzzPngDecoder(const std::uint8_t* data, std::size_t size);
int fuzzWebpDecoder(const std::uint8_t* data, std::size_t size);     // lossy, lossless, animated
int fuzzTiffDecoder(const std::uint8_t* data, std::size_t size);     // 8 and 16 bits, strips and tiles
int fuzzHeifDecoder(const std::uint8_t* data, std::size_t size);     // HEIC and AVIF
int fuzzImageMetadata(const std::uint8_t* data, std::size_t size);
int fuzzKeyedArchive(const std::uint8_t* data, std::size_t size);    // layer lists and colours
int fuzzObjectStore(const std::uint8_t* data, std::size_t size);     // the logo store's database file
int fuzzUserDefaults(const std::uint8_t* data, std::size_t size);
int fuzzInterfaceDescription(const std::uint8_t* data, std::size_t size);
int fuzzAutomationScript(const std::uint8_t* data, std::size_t size);
int fuzzPlacementFile(const std::uint8_t* data, std::size_t size);
int fuzzColorList(const std::uint8_t* data, std::size_t size);

struct Target {
    const char* name; // the corpus folder's name, and the fuzzer binary's suffix
    int (*run)(const std::uint8_t*, std::size_t);
};
const std::vector<Target>& targets();

}
