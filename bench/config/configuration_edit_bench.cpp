// Applying the editor's result to an installer's configuration of N counted records: with the
// unedited twin and one record in a hundred edited, and without the twin (every value compared
// with the installer's). Both should grow linearly with N.
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
  for (int i = 1; i <= records; ++i) {
    const std::string n = std::to_string(i);
    const bool changed = edited && i % 100 == 0;
    ini += "Key" + n + "=Kestrix.Setting" + n + "\r\nValue" + n + "=" +
           (changed ? "Th\xC3\xA9 " : "Caf\xC3\xA9 ") + n + "\r\nLocked" + n + "=1\r\n";
  }
  return ini + "PrefsCount=" + std::to_string(records) +
         "\r\n\r\nApplyKXPrefs=1\r\n\r\n[setup]\r\nHomePage=x\r\n";
}

void run(benchmark::State& state, bool twin) {
  const int records = static_cast<int>(state.range(0));
  const std::string original = installer(records);
  const std::string result = editor(records, true);
  const std::string unedited = editor(records, false);
  ConfigurationEditInput input;
  input.original = original;
  input.codePage = 1252;
  input.result = result;
  input.unedited = unedited;
  input.hasUnedited = twin;
  input.editorCodePage = 65001;
  for (auto _ : state) {
    ConfigurationEditOutcome outcome;
    if (!applyEditorResult(input, outcome) || outcome.changedLines != records / 100) {
      state.SkipWithError("the edits were not applied");
      break;
    }
    benchmark::DoNotOptimize(outcome.text.data());
  }
  state.SetItemsProcessed(state.iterations() * records);
}

void BM_ApplyEditsWithTwin(benchmark::State& state) { run(state, true); }
void BM_ApplyEditsComparingEveryValue(benchmark::State& state) { run(state, false); }
BENCHMARK(BM_ApplyEditsWithTwin)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ApplyEditsComparingEveryValue)
    ->Arg(2000)
    ->Arg(20000)
    ->Arg(200000)
    ->Unit(benchmark::kMillisecond);

}  // namespace
