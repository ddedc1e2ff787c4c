// ReplaceAll over 100,000 generated file names (ASCII and Japanese, 8 to
// 60 bytes, CP932), for four patterns, side by side with
// std::regex_replace and RE2::GlobalReplace on the same bytes.  At the end
// a table gives each competitor's time divided by ours.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <vector>

#ifdef KORVANE_BENCH_RE2
#include <re2/re2.h>
#endif

#include "platform/Cp932.h"
#include "regex/AWKStr.h"
#include "regex/FuzzyCharDic.h"
#include "regex/PreProcessor.h"

namespace {

std::string Sjis(const std::string &utf8) {
  const auto converted = Utf8ToCp932(utf8);
  if (!converted) {
    std::fprintf(stderr, "no CP932 form: %s\n", utf8.c_str());
    std::abort();
  }
  return *converted;
}

const std::vector<std::string> &Corpus() {
  static const std::vector<std::string> corpus = [] {
    const std::vector<std::string> ascii{"photo", "report", "IMG", "data", "final", "draft", "scan",
                                         "memo",  "backup", "log", "Budget", "travel", "a", "_"};
    std::vector<std::string> japanese;
    for (const char *word : {"写真", "報告書", "データ", "会議", "資料", "ファイル", "表示", "ソフト",
                             "ａｂｃ", "アルバム", "旅行", "ｶﾞｲﾄﾞ", "議事録", "予算"})
      japanese.push_back(Sjis(word));
    const std::vector<std::string> extensions{".jpg", ".jpeg", ".png", ".txt", ".gif", ".doc", ".pdf"};
    std::mt19937 random(42);
    std::vector<std::string> names;
    names.reserve(100'000);
    while (names.size() < 100'000) {
      const std::size_t target = 8 + random() % 53;
      const std::vector<std::string> &words = (random() % 2 == 0) ? ascii : japanese;
      const std::string &extension = extensions[random() % extensions.size()];
      std::string name;
      while (name.size() + extension.size() < target) {
        const std::string piece = (random() % 3 == 0) ? std::to_string(random() % 1000) : words[random() % words.size()];
        if (name.size() + piece.size() + extension.size() > target) break;
        name += piece;
      }
      while (name.size() + extension.size() < target) name += static_cast<char>('0' + random() % 10);
      names.push_back(name + extension);
    }
    return names;
  }();
  return corpus;
}

struct TPattern {
  const char *Label;
  std::string Pattern; // as the user writes it
  bool Fuzzy;
};

const std::vector<TPattern> &Patterns() {
  static const std::vector<TPattern> patterns{
      {"literal", "photo", false},
      {"class", "[0-9]+", false},
      {"words", "jpeg|jpg|png|gif", false},
      {"fuzzy_a", "a", true},
  };
  return patterns;
}

// The pattern the competitors get: the fuzzy pass's output for the fuzzy
// case (so all three search for the same thing), as bytes.
std::string CompetitorPattern(const TPattern &pattern) {
  if (!pattern.Fuzzy) return pattern.Pattern;
  TREPreProcessor preprocessor(pattern.Pattern);
  preprocessor.FuzzyCharDicList.push_back(&FuzzyCharDic());
  preprocessor.UseFuzzyCharDic = true;
  preprocessor.Run();
  return preprocessor.ProcessedRegExp;
}

void BM_Korvane(benchmark::State &state) {
  const TPattern &pattern = Patterns()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(pattern.Label);
  TAWKStr awk;
  awk.SetUseFuzzyCharDic(pattern.Fuzzy);
  awk.SetRegExp(pattern.Pattern);
  std::string text;
  for (auto _ : state) {
    long long count = 0;
    for (const std::string &name : Corpus()) {
      text = name;
      count += awk.ReplaceAll("[&]", text);
    }
    benchmark::DoNotOptimize(count);
    state.counters["replacements"] = static_cast<double>(count);
  }
}

void BM_StdRegex(benchmark::State &state) {
  const TPattern &pattern = Patterns()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(pattern.Label);
  const std::regex regex(CompetitorPattern(pattern), std::regex::extended);
  std::string text;
  for (auto _ : state) {
    std::size_t bytes = 0;
    for (const std::string &name : Corpus()) {
      text = std::regex_replace(name, regex, "[$&]");
      bytes += text.size();
    }
    benchmark::DoNotOptimize(bytes);
  }
}

#ifdef KORVANE_BENCH_RE2
void BM_RE2(benchmark::State &state) {
  const TPattern &pattern = Patterns()[static_cast<std::size_t>(state.range(0))];
  state.SetLabel(pattern.Label);
  RE2::Options options;
  options.set_encoding(RE2::Options::EncodingLatin1); // CP932 bytes, not UTF-8
  options.set_longest_match(true);
  const RE2 regex(CompetitorPattern(pattern), options);
  std::string text;
  for (auto _ : state) {
    long long count = 0;
    for (const std::string &name : Corpus()) {
      text = name;
      count += RE2::GlobalReplace(&text, regex, "[\\0]");
    }
    benchmark::DoNotOptimize(count);
    state.counters["replacements"] = static_cast<double>(count);
  }
}
BENCHMARK(BM_RE2)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_Korvane)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegex)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// Compiling the fuzzy expansion of a 20-character Japanese name, with a
// fresh component each time so the cache never answers.
void BM_CompileFuzzy20(benchmark::State &state) {
  const std::string name = Sjis("ファイル名の変換テスト１２３ＡＢＣかきくけこ");
  for (auto _ : state) {
    TAWKStr awk;
    awk.SetUseFuzzyCharDic(true);
    awk.SetRegExp(name);
    benchmark::DoNotOptimize(awk.CacheCount());
  }
}
BENCHMARK(BM_CompileFuzzy20)->Unit(benchmark::kMicrosecond);

// Keeps each run's time per iteration so that main can print the ratios.
class TRatioReporter : public benchmark::ConsoleReporter {
public:
  void ReportRuns(const std::vector<Run> &runs) override {
    for (const Run &run : runs) {
      if (run.iterations > 0 && run.run_type == Run::RT_Iteration)
        times[run.benchmark_name()] = run.GetAdjustedCPUTime();
    }
    ConsoleReporter::ReportRuns(runs);
  }
  std::map<std::string, double> times;
};

} // namespace

int main(int argc, char **argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  TRatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\nReplaceAll over %zu names: competitor CPU time / Korvane CPU time (higher is better for Korvane)\n",
              Corpus().size());
  std::printf("%-10s %12s %14s %10s\n", "pattern", "Korvane ms", "std::regex x", "RE2 x");
  for (std::size_t i = 0; i < Patterns().size(); ++i) {
    const std::string suffix = "/" + std::to_string(i);
    const auto ours = reporter.times.find("BM_Korvane" + suffix);
    if (ours == reporter.times.end()) continue;
    auto ratio = [&](const std::string &name) {
      const auto other = reporter.times.find(name + suffix);
      return other == reporter.times.end() ? 0.0 : other->second / ours->second;
    };
    std::printf("%-10s %12.2f %14.1f %10.2f\n", Patterns()[i].Label, ours->second, ratio("BM_StdRegex"),
                ratio("BM_RE2"));
  }
  benchmark::Shutdown();
  return 0;
}
