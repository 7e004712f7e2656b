// Parts of the layer record of the layered file that its reader, writer
// and tests share: blend keys, the text payload, the probe for text
// blocks, and the 8-bit text of layer names as Unicode.
#pragma once

#include <cstdint>
#include <string>

class CLayer;
class CLayerText;

namespace lumora {

class LayeredReader;
class LayeredWriter;

// The record's blend key of a merge mode: "norm" ... "idiv", "lddg" for
// Add and "fsub" for Subtract; Normal's for codes outside 0..18.
const char* BlendKeyOfMode(int mode);
// The mode of a key compared without regard to case, forwards or
// byte-reversed (as some writers store keys); 0 (Normal) for a key that
// names none.
int ModeOfBlendKey(const char key[4]);
int ModeOfReversedBlendKey(const char key[4]);
// Whether the key names a merge mode, either way round.
bool IsBlendKey(const char key[4]);

// Why a layer rect as the file counts it (from the top) cannot be stored:
// an edge beyond kMaxLayerCoordinate, or a width or height above
// kMaxImageSide; null when it can.
const char* FileRectProblem(std::int64_t top, std::int64_t left, std::int64_t bottom, std::int64_t right);
// Throws layer_err_fwrite, naming the layer, when its record could not be
// read back (in an image `height` pixels tall).
void CheckLayerFitsFile(const CLayer& layer, std::int64_t height);
// An empty layer (the 1 x 1 fully transparent layer that stands for a
// layer with an empty rect) is written with an empty rect and no pixels.
bool WritesAsEmptyLayer(const CLayer& layer);

// Key of the native variant's block that keeps the Add and Subtract scale
// and offset (other readers skip it).
inline constexpr char kAddSubtractKey[5] = "luAS";

// The text block's payload, read within the reader's limit into a text
// layer (`native`: the "tyLU" fields follow) or written from one.
void ReadTextPayload(LayeredReader& in, CLayerText& layer, bool native);
void WriteTextPayload(LayeredWriter& out, const CLayerText& layer, bool native);

// Whether the layer record at the reader's position (within its limit)
// carries a text block ("tySh" or "tyLU"); the position is restored.
// Throws layer_err_fread for a block whose signature is not "8BIM".
bool RecordHasTextBlock(LayeredReader& in);

}  // namespace lumora
