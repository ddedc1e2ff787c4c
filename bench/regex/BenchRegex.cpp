// ReplaceAll over 100,000 generated file names (ASCII and Japanese, 8 to
// 60 bytes, CP932), for five patterns, side by side with
// std::regex_replace and RE2::GlobalReplace on the same bytes.  At the end
// a table gives each competitor's time divided by ours.
//
// Then the patterns whose whole DFA is huge (the engine builds its states
// while it matches): the time to compile each, the time of the first name
// matched after compiling (the cache starts empty), the mean and the worst
// time of one name over the corpus, each beside RE2's for the same pattern
// in the same run.

#include <benchmark/benchmark.h>

#include <time.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <map>
#include <memory>
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
      {"hard", "a.+b.+c.+d.+e.+f.+g.+h.+i.+j.+k", true},
  };
  return patterns;
}

// The i-th kanji of the first level of CP932 (from 0x889F on).
std::string Kanji(int i) {
  int lead = 0x88;
  int index = i + 0x5E;
  while (index >= 188) {
    index -= 188;
    ++lead;
  }
  const int trail = index < 63 ? 0x40 + index : 0x80 + (index - 63);
  return {static_cast<char>(lead), static_cast<char>(trail)};
}

std::string Joined(const std::vector<std::string> &parts, const std::string &glue) {
  std::string out;
  for (std::size_t k = 0; k < parts.size(); ++k) out += (k == 0 ? "" : glue) + parts[k];
  return out;
}

// Patterns an eager subset construction cannot afford.
const std::vector<TPattern> &HardPatterns() {
  static const std::vector<TPattern> patterns = [] {
    std::vector<std::string> kana;
    for (const char *k : {"あ", "い", "う", "え", "お", "か", "き", "く", "け", "こ", "さ", "し", "す", "せ", "そ", "た"})
      kana.push_back(Sjis(k));
    std::vector<std::string> kanji50;
    for (int i = 0; i < 50; ++i) kanji50.push_back(Kanji(i * 7));
    std::vector<std::string> kanji400;
    for (int i = 0; i < 400; ++i) kanji400.push_back(Kanji(i));
    std::string ab = "(a|b)*a";
    std::string dots = ".*x";
    for (int i = 0; i < 13; ++i) {
      ab += "(a|b)";
      dots += ".";
    }
    return std::vector<TPattern>{
        {"a.+b.+...k", "a.+b.+c.+d.+e.+f.+g.+h.+i.+j.+k", true},
        {"16 kana .*", Joined(kana, ".*"), true},
        {"50 kanji .*", Joined(kanji50, ".*"), false},
        {"(a|b)*a(a|b){13}", ab, false},
        {".*x.{13}", dots, false},
        {"400 kanji .", Joined(kanji400, "."), false},
    };
  }();
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
BENCHMARK(BM_RE2)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
#endif

BENCHMARK(BM_Korvane)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdRegex)->DenseRange(0, 4)->Unit(benchmark::kMillisecond);

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

double NowUs() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) * 1e6 + static_cast<double>(now.tv_nsec) / 1e3;
}

struct TTimes {
  double Compile = 0; // us, the best of a few fresh compiles
  double First = 0;   // us, the first name after compiling (the best of a few)
  double Mean = 0;    // us per name over the corpus
  double Worst = 0;   // us, the slowest name, on a fresh compile
};

// Times one engine on one pattern: compile is a fresh component (or RE2
// object) each time; matching runs ReplaceAll over the whole corpus once,
// timing every name.  A single timing of a microsecond is at the mercy of
// the machine (an interrupt costs more), so the slowest is found again:
// the 20 slowest names are each matched 10 times on a freshly compiled
// expression (its cache empty, the dearest case), and the worst of their
// best times is kept.
template <typename TCompile, typename TMatch> TTimes TimeEngine(TCompile compile, TMatch match) {
  TTimes times;
  times.Compile = 1e30;
  times.First = 1e30;
  std::string text;
  for (int round = 0; round < 5; ++round) {
    const double start = NowUs();
    auto engine = compile();
    times.Compile = std::min(times.Compile, NowUs() - start);
    text = Corpus()[0];
    const double matchStart = NowUs();
    match(*engine, text);
    times.First = std::min(times.First, NowUs() - matchStart);
  }
  auto engine = compile();
  double total = 0;
  std::vector<std::pair<double, std::size_t>> spent(Corpus().size());
  for (std::size_t k = 0; k < Corpus().size(); ++k) {
    text = Corpus()[k];
    const double start = NowUs();
    match(*engine, text);
    spent[k] = {NowUs() - start, k};
    total += spent[k].first;
  }
  times.Mean = total / static_cast<double>(Corpus().size());
  std::partial_sort(spent.begin(), spent.begin() + 20, spent.end(), std::greater<>());
  for (std::size_t k = 0; k < 20; ++k) {
    double best = 1e30;
    for (int round = 0; round < 10; ++round) {
      auto fresh = compile();
      text = Corpus()[spent[k].second];
      const double start = NowUs();
      match(*fresh, text);
      best = std::min(best, NowUs() - start);
    }
    times.Worst = std::max(times.Worst, best);
  }
  return times;
}

void PrintHardPatterns() {
  std::printf("\nPatterns with a huge whole DFA: Korvane time, and RE2 time / Korvane time in parentheses\n");
  std::printf("%-18s %20s %20s %20s %20s\n", "pattern", "compile us", "first name us", "mean us/name", "slowest name us");
  for (const TPattern &pattern : HardPatterns()) {
    const TTimes ours = TimeEngine(
        [&] {
          auto awk = std::make_unique<TAWKStr>();
          awk->SetUseFuzzyCharDic(pattern.Fuzzy);
          awk->SetRegExp(pattern.Pattern);
          return awk;
        },
        [](TAWKStr &awk, std::string &text) { awk.ReplaceAll("[&]", text); });
    TTimes theirs;
#ifdef KORVANE_BENCH_RE2
    const std::string competitor = CompetitorPattern(pattern);
    theirs = TimeEngine(
        [&] {
          RE2::Options options;
          options.set_encoding(RE2::Options::EncodingLatin1);
          options.set_longest_match(true);
          return std::make_unique<RE2>(competitor, options);
        },
        [](RE2 &regex, std::string &text) { RE2::GlobalReplace(&text, regex, "[\\0]"); });
#endif
    auto cell = [](double ours, double theirs) {
      char buffer[32];
      std::snprintf(buffer, sizeof buffer, "%9.2f (%6.2f)", ours, ours > 0 ? theirs / ours : 0.0);
      return std::string(buffer);
    };
    std::printf("%-18s %20s %20s %20s %20s\n", pattern.Label, cell(ours.Compile, theirs.Compile).c_str(),
                cell(ours.First, theirs.First).c_str(), cell(ours.Mean, theirs.Mean).c_str(),
                cell(ours.Worst, theirs.Worst).c_str());
  }
}

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
  PrintHardPatterns();
  benchmark::Shutdown();
  return 0;
}
