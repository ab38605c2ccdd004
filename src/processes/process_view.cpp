#include "processes/process_view.h"

#include <charconv>
#include <string>
#include <vector>

#include "app/ForLedra.h"
#include "common/numbers.h"
#include "common/text.h"
#include "processes/cpu_time.h"
#include "processes/number_reading.h"
#include "processes/process_details.h"
#include "processes/process_list_nt.h"

namespace ledra::processes {

namespace {

constexpr int kName = 0, kPid = 1, kCpu = 2, kCpuTime = 3, kMemory = 4, kCommandLine = 5;

// Keeps the list from repainting while a tick writes it, on every path.
class UpdateScope {
 public:
  explicit UpdateScope(platform::ListView& list) : list_(list) { list_.beginUpdate(); }
  ~UpdateScope() { list_.endUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  platform::ListView& list_;
};

// Writing a cell repaints it; most cells keep their text from tick to tick.
void setIfChanged(platform::ListView& list, int row, int column, std::string_view text) {
  if (list.cell(row, column) != text) list.setCell(row, column, text);
}

std::string rowKey(int position) { return "a" + std::to_string(position); }

// Share of the total delta, as integers rounded half to even, "00" pattern.
std::optional<std::string> cpuShare(double rowDeltaMs, double totalDeltaMs) {
  const auto numerator = ToInt32(100.0 * rowDeltaMs);
  const auto denominator = ToInt32(totalDeltaMs);
  if (!numerator || !denominator || *denominator == 0) return std::nullopt;
  if (*numerator == INT32_MIN && *denominator == -1) return std::nullopt;
  const std::int32_t share = *numerator / *denominator;
  std::string text = std::to_string(share);
  if (share >= 0 && share < 10) text.insert(text.begin(), '0');
  return text;
}

// When rows shift under the selection, move it to the row that shows the same PID now
// (or clear it when that process is gone), so ending a process ends the one chosen.
class SelectionFollower {
 public:
  explicit SelectionFollower(platform::ListView& list) : list_(list), row_(list.selectedRow()) {
    if (row_ >= 0) pid_ = list.cell(row_, kPid);
  }
  void restore() {
    if (row_ < 0 || pid_.empty()) return;
    const int now = list_.selectedRow();
    if (now == row_ && list_.cell(row_, kPid) == pid_) return;
    int found = -1;
    for (int row = 0, rows = list_.rowCount(); row < rows; ++row) {
      if (list_.cell(row, kPid) == pid_) {
        found = row;
        break;
      }
    }
    if (found != now) list_.selectRow(found);
  }

 private:
  platform::ListView& list_;
  int row_;
  std::string pid_;
};

}  // namespace

void UpdateProcessListNT(platform::System& system, platform::ListView& list) {
  const std::string sign = DecimalSign(system);
  const std::string records = GetProcessListNT(system);
  const std::vector<std::string_view> element = common::split(records, '|');
  if (element.empty()) return;
  const std::size_t last = element.size() - 1;
  const int n = static_cast<int>(last / 4);

  UpdateScope quiet(list);
  SelectionFollower selection(list);

  // Rows come and go only at the end, so row k keeps the key "a" + k.
  for (int rows = list.rowCount(); rows > n; --rows) list.removeRow(rows - 1);
  for (int rows = list.rowCount(), added = 0; rows < n && added < n; rows = list.rowCount(), ++added)
    list.addRow(rowKey(rows), "  ");

  std::string previousTotal = list.tag();
  if (previousTotal.empty()) previousTotal = "0";
  const auto before = ParseFixedPoint(previousTotal, sign);
  const auto now = ParseFixedPoint(element[last], sign);
  list.setTag(element[last]);
  std::int64_t totalDelta = 0;
  if (!before || !now || __builtin_sub_overflow(*now, *before, &totalDelta) || totalDelta <= 0) {
    // No share can be measured this tick (a busy process ended, or the list failed):
    // texts stay, but every row's time base moves on so the next tick measures one tick.
    for (int k = 0; k < n; ++k) {
      const std::string_view cpuText = element[static_cast<std::size_t>(k) * 4 + 2];
      if (list.rowTag(k) != cpuText) list.setRowTag(k, cpuText);
    }
    selection.restore();
    return;
  }
  const double totalDeltaMs = static_cast<double>(totalDelta) / 10000.0;

  for (int k = 0; k < n; ++k) {
    const std::size_t i = static_cast<std::size_t>(k) * 4;
    const std::string_view cpuText = element[i + 2];
    std::string tag = list.rowTag(k);
    if (tag != cpuText) list.setRowTag(k, cpuText);
    if (tag.empty()) tag = "0";

    const auto cpu = ParseFixedPoint(cpuText, sign);
    const auto shown = ParseFixedPoint(tag, sign);
    std::int64_t delta = 0;
    // A row whose new record has less CPU time than the last one keeps its texts.
    if (!cpu || !shown || __builtin_sub_overflow(*cpu, *shown, &delta) || delta < 0) continue;

    const std::string_view name = element[i];
    setIfChanged(list, k, kName, (k == 0 && name == "Null") ? std::string_view("System Idle Process") : name);
    setIfChanged(list, k, kPid, element[i + 1]);
    if (auto share = cpuShare(static_cast<double>(delta) / 10000.0, totalDeltaMs)) setIfChanged(list, k, kCpu, *share);
    setIfChanged(list, k, kCpuTime, FormatCpuTime(*cpu));
    if (auto bytes = ConvertNumber(element[i + 3], sign))
      setIfChanged(list, k, kMemory, ShortestText(*bytes / 1024.0, sign) + " K");
    if (auto pid = ConvertNumber(element[i + 1], sign)) {
      if (auto id = ToInt32(*pid)) setIfChanged(list, k, kCommandLine, GetProcessCommandLine(system, *id));
    }
  }
  selection.restore();
}

void RebuildProcessList9x(platform::ListView& list, std::string_view records, std::string_view decimalSign) {
  UpdateScope quiet(list);
  list.clearRows();
  const std::vector<std::string_view> element = common::split(records, '|');
  int j = 0;
  for (std::size_t i = 1; i < element.size(); i += 2) {
    const std::string_view path = element[i];
    const std::size_t slash = path.rfind('\\');
    list.addRow(rowKey(j), slash == std::string_view::npos ? path : path.substr(slash + 1));

    std::string id(element[i - 1]);
    if (auto value = ConvertNumber(id, decimalSign); value && *value < 0) {
      if (auto pid = ToInt32(*value)) {
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

namespace ledra::app {

void ForLedra::RefreshProcessListNT() { processes::UpdateProcessListNT(system_, *c_.ListProcess); }

void ForLedra::RefreshProcessList9x() {
  processes::RebuildProcessList9x(*c_.ListProcess, mod.ProcessList9x, processes::DecimalSign(system_));
  LastProcessList9x = mod.ProcessList9x;
}

}  // namespace ledra::app
