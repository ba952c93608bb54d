// Copying, growing by appends and searching a SharedString against std::string.
#include <benchmark/benchmark.h>

#include <string>

#include "base/shared_string.h"

namespace {

const std::string kLine(200, 'x');

void BM_SharedStringCopy(benchmark::State& state) {
  SharedString s(kLine.c_str());
  for (auto _ : state) {
    SharedString copy(s);
    benchmark::DoNotOptimize(copy.text());
  }
}
BENCHMARK(BM_SharedStringCopy);

void BM_StdStringCopy(benchmark::State& state) {
  std::string s(kLine);
  for (auto _ : state) {
    std::string copy(s);
    benchmark::DoNotOptimize(copy.data());
  }
}
BENCHMARK(BM_StdStringCopy);

void BM_SharedStringAppend(benchmark::State& state) {
  for (auto _ : state) {
    SharedString s;
    for (int i = 0; i < state.range(0); ++i) s.append("p[\"key\"]=\"value\";\r\n");
    benchmark::DoNotOptimize(s.text());
  }
}
BENCHMARK(BM_SharedStringAppend)->Arg(100)->Arg(10000);

void BM_StdStringAppend(benchmark::State& state) {
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < state.range(0); ++i) s.append("p[\"key\"]=\"value\";\r\n");
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_StdStringAppend)->Arg(100)->Arg(10000);

const std::string kHaystack = std::string(100000, 'a') + "var serverData=[];";

void BM_SharedStringFind(benchmark::State& state) {
  SharedString s(kHaystack.c_str());
  for (auto _ : state) benchmark::DoNotOptimize(s.find("var serverData=[];"));
}
BENCHMARK(BM_SharedStringFind);

void BM_StdStringFind(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(kHaystack.find("var serverData=[];"));
}
BENCHMARK(BM_StdStringFind);

}  // namespace
