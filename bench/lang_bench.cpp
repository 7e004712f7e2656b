// The macro language: a 10,000-statement script through lookup and dispatch
// (executors doing nothing), recorder entries into a line sink at 100 and
// 10,000 lines, and a 1,000-frame sequence script.
#include <benchmark/benchmark.h>

#include <memory>

#include "framework/Profile.h"
#include "lang/LangCommand.h"
#include "lang/Recorder.h"
#include "lang/Script.h"
#include "lang/SequenceScript.h"

namespace {

lang::LangCommandSet& ShippedCommands() {
  static fw::IniFile ini(LUMORA_SOURCE_DIR "/lang/LANG.ini");
  static lang::LangCommandSet set(ini, nullptr);
  static const bool installed = [] {
    const lang::LangExecutor nothing = [](const char*, lang::ScriptRunState&) { return 1; };
    for (int n = 0; n < lang::kSelectAreaCommandCount; ++n) set.SelectArea(n).SetExecutor(nothing);
    for (int n = 0; n < lang::kSystemCommandCount; ++n) set.System(n).SetExecutor(nothing);
    for (const int n : lang::BuiltinToolNumbers()) set.BuiltinTool(n)->SetExecutor(nothing);
    return true;
  }();
  (void)installed;
  return set;
}

void BM_RunScript(benchmark::State& state) {
  const char* mix[] = {
      "SetActiveLayer(3);",
      "AddRect(1,2,11,22,14);",
      "Resize(640,480,72,1);",
      "CreateNewLayer(\"Layer 1\",\"Normal\",50,1,7);",
      "TransformLayer(1,2,3,4,{10,11},{20,21},{1,2},{3,4},{5,6},{7,8},-4550);",
      "Undo();",
      "  // a comment",
      "CreateNewImage(\"New\",640,480,72,2,{64,128,192});",
  };
  lang::LineList script;
  for (int i = 0; i < 10000; ++i) script.push_back(mix[i % std::size(mix)]);
  lang::LangCommandSet& set = ShippedCommands();
  for (auto _ : state) {
    std::size_t stop = 0;
    if (!lang::RunScript(script, &stop, &set)) state.SkipWithError("the script stopped");
    benchmark::DoNotOptimize(stop);
  }
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(script.size()));
}
BENCHMARK(BM_RunScript)->Unit(benchmark::kMicrosecond);

struct CollectingSink : lang::MacroLineSink, lang::RecordImageContext {
  lang::LineList lines;
  bool IsRecording() const override { return true; }
  void AppendLines(const lang::LineList& appended) override { lines.insert(lines.end(), appended.begin(), appended.end()); }
  void ReportRecordingFailure(const std::string&) override {}
  bool HasActiveDocument() const override { return true; }
  std::int32_t ActiveLayerIndex() const override { return 2; }
};

// Items are recorded lines: compare time per item at 100 and 10,000.
void BM_RecordStatements(benchmark::State& state) {
  CollectingSink sink;
  lang::SetMacroRecorder(&sink, &sink);
  const int calls = static_cast<int>(state.range(0));
  for (auto _ : state) {
    sink.lines.clear();
    for (int i = 0; i < calls; ++i) {
      switch (i % 4) {
        case 0: lang::RecordResize(i, 2, 3, 4); break;
        case 1: lang::RecordCreateNewLayer("Layer", "Normal", 50, 1, i); break;
        case 2: lang::RecordSetLayerOpacity(i); break;
        default: lang::RecordRotate(i * 0.5); break;
      }
    }
    benchmark::DoNotOptimize(sink.lines.data());
  }
  lang::SetMacroRecorder(nullptr, nullptr);
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(sink.lines.size()));
}
BENCHMARK(BM_RecordStatements)->Arg(100)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_SequenceScript(benchmark::State& state) {
  for (auto _ : state) {
    lang::LineList lines;
    lang::MakeSequenceScript(lines, "Blur", "C:\\out\\anim", 2, 1000, "%d,%c,%p,%s", "0,{0,0,0},{0,0},\"a\"",
                             "100,{255,128,0},{40,-40},\"b\"");
    benchmark::DoNotOptimize(lines.data());
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_SequenceScript)->Unit(benchmark::kMicrosecond);

}  // namespace
