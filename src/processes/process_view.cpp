#include "processes/process_view.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "common/number_text.h"
#include "common/text.h"
#include "processes/process_details.h"
#include "processes/process_list_nt.h"

namespace ledra::processes {

namespace {

constexpr int kName = 0, kPid = 1, kCpu = 2, kCpuTime = 3, kMemory = 4, kCommandLine = 5;

// Writing a cell repaints it; most cells keep their text from tick to tick.
void setIfChanged(platform::ListView& list, int row, int column, std::string_view text) {
  if (list.cell(row, column) != text) list.setCell(row, column, text);
}

std::string rowKey(int position) { return "a" + std::to_string(position); }

// Share of the total delta, as integers rounded half to even, "00" pattern. The rounding
// of both parts may carry a share just past 100; it is held there.
std::optional<std::string> cpuShare(double rowDeltaMs, double totalDeltaMs) {
  const auto numerator = common::toInt32(100.0 * rowDeltaMs);
  const auto denominator = common::toInt32(totalDeltaMs);
  if (!numerator || !denominator || *denominator <= 0) return std::nullopt;
  const std::int32_t share = std::clamp(*numerator / *denominator, 0, 100);
  std::string text = std::to_string(share);
  if (share >= 0 && share < 10) text.insert(text.begin(), '0');
  return text;
}

// A row's tag names the process it shows and that process's CPU time at the last tick:
// "pid created time". A PID with another creation time is another process.
struct RowTag {
  std::string_view process, time;
};
std::optional<RowTag> readTag(std::string_view tag) {
  const std::size_t first = tag.find(' ');
  if (first == std::string_view::npos) return std::nullopt;
  const std::size_t second = tag.find(' ', first + 1);
  if (second == std::string_view::npos) return std::nullopt;
  return RowTag{tag.substr(0, second), tag.substr(second + 1)};
}
std::string processOf(const platform::ListView& list, int row) {
  const std::string tag = list.rowTag(row);
  const auto read = readTag(tag);
  return read ? std::string(read->process) : std::string();
}

// When rows shift under the selection, move it to the row that shows the same process
// now (or clear it when that process is gone), so ending a process ends the one chosen;
// a new process that got the PID is not the one chosen.
class SelectionFollower {
 public:
  explicit SelectionFollower(platform::ListView& list) : list_(list), row_(list.selectedRow()) {
    if (row_ >= 0) process_ = processOf(list, row_);
  }
  void restore() {
    if (row_ < 0 || process_.empty()) return;
    const int now = list_.selectedRow();
    if (now == row_ && processOf(list_, row_) == process_) return;
    int found = -1;
    for (int row = 0, rows = list_.rowCount(); row < rows; ++row) {
      if (processOf(list_, row) == process_) {
        found = row;
        break;
      }
    }
    if (found != now) list_.selectRow(found);
  }

 private:
  platform::ListView& list_;
  int row_;
  std::string process_;
};

}  // namespace

const std::string& CommandLineCache::get(platform::System& system, std::int32_t pid, std::uint64_t createTime,
                                         std::string_view name) {
  Entry& entry = entries_[pid];
  const bool same = entry.createTime == createTime && entry.name == name;
  if (!same || (entry.line.empty() && !entry.denied)) {
    CommandLineAnswer answer = ReadProcessCommandLine(system, pid);
    entry.createTime = createTime;
    entry.name = name;
    entry.line = std::move(answer.line);
    entry.denied = answer.denied;
  }
  entry.seen = true;
  return entry.line;
}

void CommandLineCache::sweep() {
  std::erase_if(entries_, [](const auto& item) { return !item.second.seen; });
  for (auto& [pid, entry] : entries_) entry.seen = false;
}

std::string_view shownProcessName(std::size_t position, std::string_view recordName) {
  return position == 0 && recordName == "Null" ? std::string_view("System Idle Process") : recordName;
}

void updateProcessListNT(platform::System& system, platform::ListView& list, std::string_view sign,
                         CommandLineCache* commandLines) {
  std::vector<std::uint64_t> createTimes;
  const std::string records = GetProcessListNT(system, sign, &createTimes);
  const std::vector<std::string_view> element = common::split(records, '|');
  if (element.empty()) return;
  const std::size_t last = element.size() - 1;
  const int n = static_cast<int>(last / 4);

  platform::ListUpdate quiet(list);
  SelectionFollower selection(list);

  // Each process's CPU time of the previous tick, from the row tags, read before any row
  // goes: a process keeps its time when the rows shift under it.
  std::map<std::string, std::int64_t, std::less<>> previous;
  for (int row = 0, rows = list.rowCount(); row < rows; ++row) {
    const std::string tag = list.rowTag(row);
    const auto read = readTag(tag);
    if (!read) continue;
    if (auto time = common::parseFixedPoint(read->time, sign)) previous.emplace(read->process, *time);
  }
  // With nothing to compare with (the first tick, or after a failed enumeration) every
  // process counts all its time so far; later a process new to the list counts none.
  const bool fromStart = previous.empty();

  // Rows come and go only at the end, so row k keeps the key "a" + k.
  for (int rows = list.rowCount(); rows > n; --rows) list.removeRow(rows - 1);
  for (int rows = list.rowCount(), added = 0; rows < n && added < n; rows = list.rowCount(), ++added)
    list.addRow(rowKey(rows), "  ");

  // The shares divide by the time the listed processes used since the last tick; the
  // time of a process that ended meanwhile is in neither part, so they stay in 0..100.
  std::vector<std::optional<std::int64_t>> cpu(static_cast<std::size_t>(n));
  std::vector<std::int64_t> delta(static_cast<std::size_t>(n), 0);
  std::int64_t totalDelta = 0;
  bool measurable = true;
  auto created = [&](int k) { return static_cast<std::size_t>(k) < createTimes.size() ? createTimes[k] : 0; };
  std::vector<std::string> process(static_cast<std::size_t>(n));
  for (int k = 0; k < n; ++k) {
    const std::size_t i = static_cast<std::size_t>(k) * 4;
    process[k] = std::string(element[i + 1]) + ' ' + std::to_string(created(k));
    cpu[k] = common::parseFixedPoint(element[i + 2], sign);
    if (!cpu[k]) continue;
    std::int64_t d = 0;
    if (fromStart) {
      d = *cpu[k];
    } else if (auto before = previous.find(process[k]); before != previous.end()) {
      // Less time than before cannot be the same process either: it counts none.
      if (__builtin_sub_overflow(*cpu[k], before->second, &d) || d < 0) d = 0;
    }
    delta[k] = std::max<std::int64_t>(d, 0);
    if (__builtin_add_overflow(totalDelta, delta[k], &totalDelta)) measurable = false;
  }
  measurable = measurable && totalDelta > 0;
  const double totalDeltaMs = static_cast<double>(totalDelta) / 10000.0;

  for (int k = 0; k < n; ++k) {
    const std::size_t i = static_cast<std::size_t>(k) * 4;
    const std::string_view pidText = element[i + 1];
    const std::string_view cpuText = element[i + 2];
    std::string tag = process[k];
    tag += ' ';
    tag += cpuText;
    if (list.rowTag(k) != tag) list.setRowTag(k, tag);

    // Every row shows the record now at its position, so no process is shown twice.
    const std::string_view name = element[i];
    setIfChanged(list, k, kName, shownProcessName(static_cast<std::size_t>(k), name));
    setIfChanged(list, k, kPid, pidText);
    // Without a measurable total (nothing ran, or too little) the share keeps its text.
    if (measurable) {
      if (auto share = cpuShare(static_cast<double>(delta[k]) / 10000.0, totalDeltaMs))
        setIfChanged(list, k, kCpu, *share);
    }
    if (cpu[k]) setIfChanged(list, k, kCpuTime, common::cpuTimeText(*cpu[k]));
    if (auto bytes = common::parseDecimal(element[i + 3], sign))
      setIfChanged(list, k, kMemory, common::shortestText(*bytes / 1024.0, sign) + " K");
    if (auto pid = common::parseDecimal(pidText, sign)) {
      if (auto id = common::toInt32(*pid)) {
        if (commandLines)
          setIfChanged(list, k, kCommandLine, commandLines->get(system, *id, created(k), name));
        else
          setIfChanged(list, k, kCommandLine, GetProcessCommandLine(system, *id));
      }
    }
  }
  if (commandLines) commandLines->sweep();
  selection.restore();
}

void rebuildProcessList9x(platform::ListView& list, std::string_view records, std::string_view decimalSign) {
  platform::ListUpdate quiet(list);
  list.clearRows();
  const std::vector<std::string_view> element = common::split(records, '|');
  int j = 0;
  for (std::size_t i = 1; i < element.size(); i += 2) {
    const std::string_view path = element[i];
    const std::size_t slash = path.rfind('\\');
    list.addRow(rowKey(j), slash == std::string_view::npos ? path : path.substr(slash + 1));

    std::string id(element[i - 1]);
    if (auto value = common::parseDecimal(id, decimalSign); value && *value < 0) {
      if (auto pid = common::toInt32(*value)) {
        char hex[9];
        auto [end, ec] = std::to_chars(hex, hex + 8, static_cast<std::uint32_t>(*pid), 16);
        (void)ec;
        id = "&H";
        for (const char* p = hex; p != end; ++p) id.push_back(static_cast<char>(*p >= 'a' ? *p - 'a' + 'A' : *p));
      }
    }
    list.setCell(j, 1, id);
    list.setCell(j, 2, path);
    ++j;
  }
}

}  // namespace ledra::processes
