#include "run/RenameChains.h"

#include <string_view>
#include <unordered_set>

#include "ops/UnitFileCn.h"
#include "run/RunSteps.h"

namespace {

enum : int { kMove = 0, kToTemporary = 1, kFromTemporary = 2 };

// A name no target of the level has or gets and nothing in the folder uses:
// the old name with a suffix, so a run stopped half-way shows what it was.
std::string TemporaryName(const std::string &name, std::unordered_set<std::string> &reserved,
                          const std::function<bool(const std::string &)> &taken) {
  for (unsigned long n = 1;; ++n) {
    std::string candidate = name + ".korvane-swap" + (n > 1 ? std::to_string(n) : std::string());
    if (!IsStorableName(candidate)) candidate = "korvane-swap" + std::to_string(n);
    if (reserved.count(candidate) != 0 || taken(candidate)) continue;
    reserved.insert(candidate);
    return candidate;
  }
}

}  // namespace

std::vector<TChainOrderStep> OrderChainMoves(const std::vector<std::string> &from,
                                             const std::vector<std::string> &to,
                                             const std::vector<bool> &moves) {
  const std::size_t n = from.size();
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::unordered_map<std::string_view, std::size_t> byOld;
  byOld.reserve(n);
  for (std::size_t i = 0; i < n; ++i) byOld.emplace(from[i], i);

  // dep[i]: the target whose old name i takes and which moves away first.
  std::vector<std::size_t> dep(n, kNone);
  std::vector<std::size_t> childCount(n + 1, 0);
  for (std::size_t i = 0; i < n; ++i) {
    if (!moves[i]) continue;
    const auto holder = byOld.find(to[i]);
    if (holder == byOld.end() || holder->second == i || !moves[holder->second]) continue;
    dep[i] = holder->second;
    ++childCount[holder->second + 1];
  }
  // The targets waiting for each one, in list order (one flat array).
  for (std::size_t i = 0; i < n; ++i) childCount[i + 1] += childCount[i];
  std::vector<std::size_t> children(childCount[n]);
  std::vector<std::size_t> fill(childCount.begin(), childCount.end() - 1);
  for (std::size_t i = 0; i < n; ++i)
    if (dep[i] != kNone) children[fill[dep[i]]++] = i;

  enum : unsigned char { kWaiting, kParked, kDone };
  std::vector<unsigned char> state(n, kWaiting);
  std::vector<TChainOrderStep> order;
  order.reserve(n);
  std::vector<std::size_t> work;
  // Once j has left its name, those waiting for it can go.
  const auto vacated = [&](std::size_t j) {
    work.push_back(j);
    while (!work.empty()) {
      const std::size_t k = work.back();
      work.pop_back();
      for (std::size_t c = childCount[k]; c < childCount[k + 1]; ++c) {
        const std::size_t child = children[c];
        if (state[child] == kWaiting) {
          order.push_back({child, kMove});
          state[child] = kDone;
          work.push_back(child);
        } else if (state[child] == kParked) {
          order.push_back({child, kFromTemporary});
          state[child] = kDone;
        }
      }
    }
  };

  for (std::size_t i = 0; i < n; ++i) {
    if (state[i] != kWaiting || dep[i] != kNone) continue;
    order.push_back({i, kMove});
    state[i] = kDone;
    if (moves[i]) vacated(i);
  }
  // What is left waits in cycles (and for targets in cycles).
  std::vector<std::size_t> seen(n, kNone);
  for (std::size_t i = 0; i < n; ++i) {
    if (state[i] != kWaiting) continue;
    std::size_t k = i;
    while (seen[k] != i) {
      seen[k] = i;
      k = dep[k];
    }
    std::size_t head = k;
    for (std::size_t m = dep[k]; m != k; m = dep[m]) head = std::min(head, m);
    order.push_back({head, kToTemporary});
    state[head] = kParked;
    vacated(head);
  }
  return order;
}

void TChainLevels::Prepare(TRenameCn &rename, std::vector<TargetEntry> &entries,
                           const std::string &folderName,
                           const std::function<bool(const std::string &)> &taken) {
  if (entries.empty()) return;
  rename.FolderNameText = folderName;
  const std::size_t n = entries.size();
  std::vector<std::string> from(n), to(n);
  std::vector<bool> moves(n);
  std::vector<TFailReason> refusals(n);
  for (std::size_t i = 0; i < n; ++i) {
    from[i] = entries[i].Name;
    const TPrediction named = PredictRenameName(rename, entries[i].Name, entries[i].Time, entries[i].Media.get());
    to[i] = rename.ResultName;
    moves[i] = named.Ok;
    refusals[i] = named.Failure.Reason;
    AdvanceSeqCounter(rename);
  }

  std::unordered_set<std::string> reserved(from.begin(), from.end());
  reserved.insert(to.begin(), to.end());
  std::unordered_map<std::size_t, std::string> temporary;
  TLevel level;
  std::vector<TargetEntry> ordered;
  const std::vector<TChainOrderStep> order = OrderChainMoves(from, to, moves);
  level.Steps.reserve(order.size());
  ordered.reserve(order.size());
  for (const TChainOrderStep &move : order) {
    const std::size_t i = move.Index;
    TChainStep step;
    step.Original = from[i];
    switch (move.Kind) {
    case kMove:
      step.From = from[i];
      step.To = to[i];
      step.Tried = moves[i];
      step.Refusal = refusals[i];
      break;
    case kToTemporary:
      step.From = from[i];
      step.To = temporary[i] = TemporaryName(from[i], reserved, taken);
      step.Final = false;
      break;
    default:
      step.From = temporary[i];
      step.To = to[i];
      break;
    }
    TargetEntry entry = entries[i];
    entry.Name = step.From;
    ordered.push_back(std::move(entry));
    level.Steps.push_back(std::move(step));
  }
  const std::string folder(entries.front().Folder);
  entries = std::move(ordered);
  Levels_[folder] = std::move(level);
}

std::optional<TChainStep> TChainLevels::Next(const std::string &folder) {
  const auto found = Levels_.find(folder);
  if (found == Levels_.end()) return std::nullopt;
  TLevel &level = found->second;
  TChainStep step = std::move(level.Steps[level.Next++]);
  if (level.Next == level.Steps.size()) Levels_.erase(found);
  return step;
}
