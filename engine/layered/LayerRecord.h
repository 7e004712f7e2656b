// Parts of the layer record of the layered file that its reader, writer
// and tests share: blend keys, the text payload, the probe for text
// blocks, and the 8-bit text of layer names as Unicode.
#pragma once

#include <cstdint>
#include <string>

class CLayerText;

namespace lumora {

class LayeredReader;
class LayeredWriter;

// The record's blend key of a merge mode: "norm" ... "idiv", "lddg" for
// Add and "fsub" for Subtract; Normal's for codes outside 0..18.
const char* BlendKeyOfMode(int mode);
// The mode of a key compared without regard to case; 0 (Normal) for a key
// that names none.
int ModeOfBlendKey(const char key[4]);

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

// The program's 8-bit text (Windows-1252) and UTF-16: every byte maps to a
// code unit and back; units with no byte become '?'.
std::u16string AnsiToUtf16(const std::string& text);
std::string Utf16ToAnsi(const std::u16string& text);

}  // namespace lumora
