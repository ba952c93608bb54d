// Translating a configuration of N counted records into the page: the whole writePageData (read
// and parse the file, build the block, rewrite the page), and its parsing and building parts.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "config/page_data.h"

namespace fs = std::filesystem;

namespace {

std::string configuration(int records) {
  std::string ini =
      "[kx_preferences]\r\nApplyKXPrefs=1\r\nPrefsCount=" + std::to_string(records) + "\r\n";
  for (int i = 1; i <= records; ++i) {
    const std::string n = std::to_string(i);
    ini += "Key" + n + "=Kestrix.Player.Setting" + n + "\r\nValue" + n +
           "=C:\\Program Files\\Kestrix\\\"value\" " + n + "\r\nLocked" + n + "=" +
           std::to_string(i % 3 - 1) + "\r\n";
  }
  ini +=
      "[wm_preferences]\r\nMaxBandwidth=256000\r\nCustomBufferTime=5500\r\n"
      "[setup]\r\nHomePage=http://example.invalid/\r\nInstallMode=2\r\n";
  return ini;
}

std::string page() {
  return "<html><head><script id=\"serverdata\">\r\n//<PRE>\r\nvar serverData=[];\r\n//<PRE>\r\n"
         "</script>" +
         std::string(60000, ' ') + "</head></html>";
}

void BM_WritePageData(benchmark::State& state) {
  const fs::path workspace =
      fs::temp_directory_path() /
      ("kx_page_bench_" +
       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
  fs::create_directories(workspace / "cfadmin");
  std::ofstream(workspace / "kxenterprise.ini", std::ios::binary)
      << configuration(static_cast<int>(state.range(0)));
  const std::string original = page();
  const PathName path(workspace.string().c_str());
  for (auto _ : state) {
    state.PauseTiming();
    std::ofstream(workspace / "cfadmin" / "index.html", std::ios::binary) << original;
    state.ResumeTiming();
    writePageData(path);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
  fs::remove_all(workspace);
}
BENCHMARK(BM_WritePageData)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_ParseConfiguration(benchmark::State& state) {
  const std::string ini = configuration(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    IniFile config;
    config.parse(ini);
    benchmark::DoNotOptimize(&config);
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ParseConfiguration)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

void BM_BuildPageData(benchmark::State& state) {
  IniFile config;
  config.parse(configuration(static_cast<int>(state.range(0))));
  for (auto _ : state) benchmark::DoNotOptimize(buildPageData(config).length());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_BuildPageData)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
