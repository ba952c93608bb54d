// Workspace preparation with the real site archive (name search, archive written from the
// embedded table, unpacking), and removal of the prepared Workspace.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <span>
#include <string>

#include "workspace/embedded_resources.h"
#include "workspace/folder_object.h"
#include "workspace/workspace_preparation.h"

std::span<const EmbeddedResource> siteArchiveResources();

namespace {

// A private temporary base, so that leftovers of other runs never change the name search.
class BenchBase {
 public:
  BenchBase() {
    char pattern[] = "/tmp/kx-workspace-bench-XXXXXX";
    base_ = ::mkdtemp(pattern);
    ::setenv("TEMP", base_.c_str(), 1);
  }
  ~BenchBase() { std::filesystem::remove_all(base_); }

 private:
  std::string base_;
};

void BM_PrepareWorkspace(benchmark::State& state) {
  BenchBase base;
  EmbeddedResources resources(siteArchiveResources());
  for (auto _ : state) {
    FolderObject workspace;
    prepareWorkspace(workspace, resources, nullptr);
    state.PauseTiming();
    if (workspace.removeTree(1) != 1) state.SkipWithError("Workspace not removed");
    state.ResumeTiming();
  }
}
BENCHMARK(BM_PrepareWorkspace)->Unit(benchmark::kMillisecond);

void BM_RemovePreparedWorkspace(benchmark::State& state) {
  BenchBase base;
  EmbeddedResources resources(siteArchiveResources());
  for (auto _ : state) {
    state.PauseTiming();
    FolderObject workspace;
    prepareWorkspace(workspace, resources, nullptr);
    state.ResumeTiming();
    if (workspace.removeTree(1) != 1) state.SkipWithError("Workspace not removed");
  }
}
BENCHMARK(BM_RemovePreparedWorkspace)->Unit(benchmark::kMillisecond);

}  // namespace
