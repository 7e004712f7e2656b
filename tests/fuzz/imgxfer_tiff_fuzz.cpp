// The TIFF reader of the file-format library on hostile input.
#include "fuzz/fuzz_target.h"
#include "fuzz/imgxfer_fuzz.h"

LUMORA_FUZZ_TARGET(imgxfer_tiff)(const std::uint8_t* data, std::size_t size) {
  return lumora::fuzz::ReadWithCodec(lumora::imgxfer::kTiffCodec, data, size);
}
