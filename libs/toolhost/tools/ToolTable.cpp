// The compiled-in tools in registry order, and what they share.
#include <cstring>

#include "libs/toolhost/Registry.h"

namespace lumora::toolhost {

extern const ToolDescriptor kTool_vr_rsmooth;
extern const ToolDescriptor kTool_minimum_effect;
extern const ToolDescriptor kTool_maximum_effect;
extern const ToolDescriptor kTool_median_filt;
extern const ToolDescriptor kTool_sharp_filt;
extern const ToolDescriptor kTool_heavysharp_filt;
extern const ToolDescriptor kTool_outline_filt;
extern const ToolDescriptor kTool_emboss_effect;
extern const ToolDescriptor kTool_Noise;
extern const ToolDescriptor kTool_Crop;
extern const ToolDescriptor kTool_grayscale_conv;
extern const ToolDescriptor kTool_invert_conv;
extern const ToolDescriptor kTool_brightness_adj;
extern const ToolDescriptor kTool_contrast_adj;
extern const ToolDescriptor kTool_posterize_adj;

namespace {

const ToolDescriptor* const kTools[] = {&kTool_vr_rsmooth,     &kTool_minimum_effect, &kTool_maximum_effect,
                                        &kTool_median_filt,    &kTool_sharp_filt,     &kTool_heavysharp_filt,
                                        &kTool_outline_filt,   &kTool_emboss_effect,  &kTool_Noise,
                                        &kTool_Crop,           &kTool_grayscale_conv, &kTool_invert_conv,
                                        &kTool_brightness_adj, &kTool_contrast_adj,   &kTool_posterize_adj};

}  // namespace

std::span<const ToolDescriptor* const> CompiledInTools() { return kTools; }

const ToolDescriptor* FindTool(int number) {
  if (number < 1 || number > static_cast<int>(std::size(kTools))) return nullptr;
  return kTools[number - 1];
}

const ToolDescriptor* FindTool(const char* idName) {
  if (idName == nullptr) return nullptr;
  for (const ToolDescriptor* t : kTools) {
    if (std::strcmp(t->idName, idName) == 0) return t;
  }
  return nullptr;
}

int RunWindowFilter(WindowFilter filter, const ConstImageView& src, const ImageView& dst, const std::int32_t* params,
                    RowPoll& poll) {
  if (!filter(src, dst, params[0], params[1], poll)) return kToolStopped;
  LimitChange(src, dst, params[2], params[3]);
  return 0;
}

int NoToolHelp(int request) { return request == kToolRequestHelp ? -1 : 0; }

}  // namespace lumora::toolhost
