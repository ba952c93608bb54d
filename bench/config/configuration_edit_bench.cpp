// Applying the editor's result to an installer's configuration of N counted records. As the editor
// saves it (its own 120 records, ten of them edited), with and without the unedited twin (without
// it every value is compared with the installer's); and, as a stress, an editor file that holds all
// N records with one in a hundred edited. Each should grow linearly with N.
#include <benchmark/benchmark.h>

#include <string>

#include "config/configuration_edit.h"

namespace {

std::string installer(int records) {
  std::string ini = "; \xE9t\xE9\r\n[kx_preferences]\r\nApplyKXPrefs=1\r\n";
  for (int i = 1; i <= records; ++i) {
    const std::string n = std::to_string(i);
    ini += "Key" + n + "=Kestrix.Setting" + n + "\r\nValue" + n + "=Caf\xE9 " + n + "\r\nLocked" +
           n + "=1\r\n";
  }
  return ini + "PrefsCount=" + std::to_string(records) + "\r\n[setup]\r\nHomePage=x\r\n";
}

std::string editor(int records, bool edited) {
  std::string ini = "[kx_preferences]\r\n";
  const int step = records <= 120 ? 12 : 100;
  for (int i = 1; i <= records; ++i) {
    const std::string n = std::to_string(i);
    const bool changed = edited && i % step == 0;
    ini += "Key" + n + "=Kestrix.Setting" + n + "\r\nValue" + n + "=" +
           (changed ? "Th\xC3\xA9 " : "Caf\xC3\xA9 ") + n + "\r\nLocked" + n + "=1\r\n";
  }
  return ini + "PrefsCount=" + std::to_string(records) +
         "\r\n\r\nApplyKXPrefs=1\r\n\r\n[setup]\r\nHomePage=x\r\n";
}

void run(benchmark::State& state, bool twin, bool everyRecord) {
  const int records = static_cast<int>(state.range(0));
  const int shown = everyRecord ? records : 120;
  const std::string original = installer(records);
  const std::string result = editor(shown, true);
  const std::string unedited = editor(shown, false);
  ConfigurationEditInput input;
  input.original = original;
  input.codePage = 1252;
  input.result = result;
  input.unedited = unedited;
  input.hasUnedited = twin;
  input.editorCodePage = 65001;
  for (auto _ : state) {
    ConfigurationEditOutcome outcome;
    if (!applyEditorResult(input, outcome) ||
        outcome.changedLines != (everyRecord ? records / 100 : 10)) {
      state.SkipWithError("the edits were not applied");
      break;
    }
    benchmark::DoNotOptimize(outcome.text.data());
  }
  state.SetItemsProcessed(state.iterations() * records);
}

void BM_ApplyEdits(benchmark::State& state) { run(state, true, false); }
void BM_ApplyEditsWithoutTwin(benchmark::State& state) { run(state, false, false); }
void BM_ApplyEditsEditorHoldsEveryRecord(benchmark::State& state) { run(state, true, true); }
BENCHMARK(BM_ApplyEdits)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyEditsWithoutTwin)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyEditsEditorHoldsEveryRecord)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
