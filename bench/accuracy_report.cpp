#include "accuracy_report.h"

#include <algorithm>
#include <cinttypes>
#include <map>

namespace vesk::bench {
namespace {

struct Totals {
  size_t referenceChars = 0;
  size_t orderedEdits = 0;
  size_t anyOrderEdits = 0;
  size_t referenceLines = 0;
  size_t linesRead = 0;
  size_t readLines = 0;
  TurnScore turns;
  bool orientationKnown = true;
  double seconds = 0;
  int64_t peakBytes = 0;
  size_t failures = 0;
};

Totals Sum(const std::vector<PageResult>& pages) {
  Totals t;
  for (const PageResult& p : pages) {
    t.referenceChars += p.score.referenceChars;
    t.orderedEdits += p.score.orderedEdits;
    t.anyOrderEdits += p.score.anyOrderEdits;
    t.referenceLines += p.score.referenceLines;
    t.linesRead += p.score.linesRead;
    t.readLines += p.score.readLines;
    t.turns.expected += p.turns.expected;
    t.turns.turned += p.turns.turned;
    t.turns.falseTurns += p.turns.falseTurns;
    t.orientationKnown = t.orientationKnown && p.orientationKnown;
    t.seconds += p.seconds;
    t.peakBytes = std::max(t.peakBytes, p.peakBytes);
    if (!p.problem.empty()) ++t.failures;
  }
  return t;
}

std::string Percent(size_t part, size_t whole) {
  if (whole == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

std::string Turns(const TurnScore& turns, bool known) {
  if (!known) return "?";
  if (turns.expected == 0 && turns.falseTurns == 0) return "-";
  std::string text = std::to_string(turns.turned) + "/" + std::to_string(turns.expected);
  if (turns.falseTurns > 0) text += "+" + std::to_string(turns.falseTurns);
  return text;
}

std::string Seconds(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2fs", seconds);
  return text;
}

std::string Megabytes(int64_t bytes) { return std::to_string((bytes + (1 << 19)) >> 20) + "M"; }

constexpr int kGroupWidth = 46;

void PrintGroup(std::FILE* out, size_t referenceChars, size_t orderedEdits, size_t anyOrderEdits, size_t linesRead,
                size_t referenceLines, const std::string& turns, double seconds, int64_t peakBytes) {
  std::fprintf(out, " | %6s %6s %6s %6s %7s %6s", Percent(orderedEdits, referenceChars).c_str(),
               Percent(anyOrderEdits, referenceChars).c_str(), Percent(linesRead, referenceLines).c_str(),
               turns.c_str(), Seconds(seconds).c_str(), Megabytes(peakBytes).c_str());
}

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out += escape;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string Rate(size_t part, size_t whole) {
  if (whole == 0) return "null";
  char text[32];
  std::snprintf(text, sizeof text, "%.5f", static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

std::string FiguresJson(size_t referenceChars, size_t orderedEdits, size_t anyOrderEdits, size_t referenceLines,
                        size_t linesRead, size_t readLines, const TurnScore& turns, double seconds, int64_t peakBytes) {
  char text[640];
  std::snprintf(text, sizeof text,
                "\"reference_chars\": %zu, \"ordered_edits\": %zu, \"any_order_edits\": %zu, "
                "\"ordered_cer\": %s, \"any_order_cer\": %s, \"reference_lines\": %zu, \"lines_read\": %zu, "
                "\"lines_read_share\": %s, \"read_lines\": %zu, \"upside_down\": %zu, \"turned\": %zu, "
                "\"false_turns\": %zu, \"seconds\": %.3f, \"peak_bytes\": %" PRId64,
                referenceChars, orderedEdits, anyOrderEdits, Rate(orderedEdits, referenceChars).c_str(),
                Rate(anyOrderEdits, referenceChars).c_str(), referenceLines, linesRead,
                Rate(linesRead, referenceLines).c_str(), readLines, turns.expected, turns.turned, turns.falseTurns,
                seconds, peakBytes);
  return text;
}

std::string Points(size_t ordered, size_t any, size_t whole) {
  if (whole == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", 100.0 * (static_cast<double>(ordered) - static_cast<double>(any)) /
                                                static_cast<double>(whole));
  return text;
}

void PrintFamilyGroup(std::FILE* out, const FamilyFigures& f) {
  std::fprintf(out, " | %6s %6s %6s %6s", Percent(f.orderedEdits, f.referenceChars).c_str(),
               Percent(f.anyOrderEdits, f.referenceChars).c_str(),
               Points(f.orderedEdits, f.anyOrderEdits, f.referenceChars).c_str(),
               Percent(f.linesRead, f.referenceLines).c_str());
}

}  // namespace

std::vector<FamilyFigures> SumByFamily(const std::vector<Screenshot>& shots, const std::vector<PageResult>& pages) {
  std::map<std::string, FamilyFigures> byFamily;
  for (size_t s = 0; s < shots.size() && s < pages.size(); ++s) {
    const std::string name = shots[s].family.empty() ? "-" : shots[s].family;
    FamilyFigures& f = byFamily[name];
    f.family = name;
    const PageScore& score = pages[s].score;
    ++f.screenshots;
    f.referenceChars += score.referenceChars;
    f.orderedEdits += score.orderedEdits;
    f.anyOrderEdits += score.anyOrderEdits;
    f.referenceLines += score.referenceLines;
    f.linesRead += score.linesRead;
    if (!pages[s].problem.empty()) ++f.failures;
  }
  std::vector<FamilyFigures> out;
  for (auto& [name, figures] : byFamily) out.push_back(std::move(figures));
  return out;
}

void PrintFamilyTable(std::FILE* out, const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                      const std::vector<std::vector<PageResult>>& results) {
  std::vector<std::vector<FamilyFigures>> families;
  for (const std::vector<PageResult>& pages : results) families.push_back(SumByFamily(shots, pages));
  if (families.empty()) return;
  size_t nameWidth = 6;
  for (const FamilyFigures& f : families.front()) nameWidth = std::max(nameWidth, f.family.size());
  const int nw = static_cast<int>(nameWidth);
  std::fprintf(out, "%-*s %7s", nw, "", "");
  for (const WorkerConfig& config : configs) {
    std::string title = config.name;
    if (title.size() > 27) title.resize(27);
    std::fprintf(out, " | %-27s", title.c_str());
  }
  std::fprintf(out, "\n%-*s %7s", nw, "family", "screens");
  for (size_t c = 0; c < configs.size(); ++c) std::fprintf(out, " | %6s %6s %6s %6s", "order", "any", "cost", "read");
  std::fprintf(out, "\n");
  for (size_t i = 0; i < families.front().size(); ++i) {
    std::fprintf(out, "%-*s %7zu", nw, families.front()[i].family.c_str(), families.front()[i].screenshots);
    for (size_t c = 0; c < configs.size(); ++c) PrintFamilyGroup(out, families[c][i]);
    std::fprintf(out, "\n");
  }
  std::fprintf(out, "%-*s %7zu", nw, "total", shots.size());
  for (size_t c = 0; c < configs.size(); ++c) {
    FamilyFigures total;
    for (const FamilyFigures& f : families[c]) {
      total.referenceChars += f.referenceChars;
      total.orderedEdits += f.orderedEdits;
      total.anyOrderEdits += f.anyOrderEdits;
      total.referenceLines += f.referenceLines;
      total.linesRead += f.linesRead;
    }
    PrintFamilyGroup(out, total);
  }
  std::fprintf(out, "\n\ncost: order minus any in points, the cost of the reading order.\n");
}

void PrintTable(std::FILE* out, const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                const std::vector<std::vector<PageResult>>& results) {
  size_t nameWidth = 10;
  for (const Screenshot& shot : shots) nameWidth = std::max(nameWidth, shot.name.size());
  const int nw = static_cast<int>(nameWidth);

  std::fprintf(out, "%-*s %9s %5s", nw, "", "", "");
  for (const WorkerConfig& config : configs) {
    std::string title = config.name;
    if (title.size() > kGroupWidth - 1) title.resize(kGroupWidth - 1);
    std::fprintf(out, " | %-*s", kGroupWidth - 3, title.c_str());
  }
  std::fprintf(out, "\n%-*s %9s %5s", nw, "screenshot", "size", "lines");
  for (size_t c = 0; c < configs.size(); ++c) {
    std::fprintf(out, " | %6s %6s %6s %6s %7s %6s", "order", "any", "read", "180", "time", "peak");
  }
  std::fprintf(out, "\n");
  for (size_t s = 0; s < shots.size(); ++s) {
    const Screenshot& shot = shots[s];
    const std::string size = shot.width > 0 ? std::to_string(shot.width) + "x" + std::to_string(shot.height) : "?";
    std::fprintf(out, "%-*s %9s %5zu", nw, shot.name.c_str(), size.c_str(), shot.lines.size());
    for (size_t c = 0; c < configs.size(); ++c) {
      const PageResult& p = results[c][s];
      PrintGroup(out, p.score.referenceChars, p.score.orderedEdits, p.score.anyOrderEdits, p.score.linesRead,
                 p.score.referenceLines, Turns(p.turns, p.orientationKnown), p.seconds, p.peakBytes);
    }
    std::fprintf(out, "\n");
  }
  size_t totalLines = 0;
  for (const Screenshot& shot : shots) totalLines += shot.lines.size();
  std::fprintf(out, "%-*s %9s %5zu", nw, "total", "", totalLines);
  for (size_t c = 0; c < configs.size(); ++c) {
    const Totals t = Sum(results[c]);
    PrintGroup(out, t.referenceChars, t.orderedEdits, t.anyOrderEdits, t.linesRead, t.referenceLines,
               Turns(t.turns, t.orientationKnown), t.seconds, t.peakBytes);
  }
  std::fprintf(out, "\n");

  for (size_t c = 0; c < configs.size(); ++c) {
    std::string arguments;
    for (const std::string& a : configs[c].arguments) arguments += " " + a;
    std::fprintf(out, "\n%s: worker arguments:%s", configs[c].name.c_str(),
                 arguments.empty() ? " (none)" : arguments.c_str());
    for (size_t s = 0; s < shots.size(); ++s) {
      if (!results[c][s].problem.empty()) {
        std::fprintf(out, "\n  %s: %s", shots[s].name.c_str(), results[c][s].problem.c_str());
      }
    }
  }
  std::fprintf(out,
               "\n\norder: character error with the lines in the order read; any: the same with the read lines in "
               "the order\nthat fits best; read: reference lines read within 10 %% edits; 180: upside-down lines "
               "turned over /\nlines shown upside down, + read lines turned over that are upright; time: wall time "
               "of the worker\n(fastest run); peak: its peak resident memory (MiB).\n");
}

std::string SummaryJson(const std::vector<Screenshot>& shots, const std::vector<WorkerConfig>& configs,
                        const std::vector<std::vector<PageResult>>& results) {
  std::string json = "{\n  \"configurations\": [\n";
  for (size_t c = 0; c < configs.size(); ++c) {
    json += "    {\n      \"name\": " + Quoted(configs[c].name) + ",\n      \"arguments\": [";
    for (size_t a = 0; a < configs[c].arguments.size(); ++a) {
      json += (a > 0 ? ", " : "") + Quoted(configs[c].arguments[a]);
    }
    json += "],\n      \"screenshots\": [\n";
    for (size_t s = 0; s < shots.size(); ++s) {
      const PageResult& p = results[c][s];
      json += "        { \"name\": " + Quoted(shots[s].name) + ", \"width\": " + std::to_string(shots[s].width) +
              ", \"height\": " + std::to_string(shots[s].height) + ", \"exit_code\": " +
              std::to_string(p.exitCode) + ", \"problem\": " + Quoted(p.problem) + ", " +
              FiguresJson(p.score.referenceChars, p.score.orderedEdits, p.score.anyOrderEdits,
                          p.score.referenceLines, p.score.linesRead, p.score.readLines, p.turns, p.seconds,
                          p.peakBytes) +
              (s + 1 < shots.size() ? " },\n" : " }\n");
    }
    const Totals t = Sum(results[c]);
    json += "      ],\n      \"total\": { \"failures\": " + std::to_string(t.failures) + ", " +
            FiguresJson(t.referenceChars, t.orderedEdits, t.anyOrderEdits, t.referenceLines, t.linesRead,
                        t.readLines, t.turns, t.seconds, t.peakBytes) +
            " },\n      \"families\": [\n";
    const std::vector<FamilyFigures> families = SumByFamily(shots, results[c]);
    for (size_t i = 0; i < families.size(); ++i) {
      const FamilyFigures& f = families[i];
      json += "        { \"family\": " + Quoted(f.family) + ", \"screenshots\": " + std::to_string(f.screenshots) +
              ", \"failures\": " + std::to_string(f.failures) + ", \"reference_chars\": " +
              std::to_string(f.referenceChars) + ", \"ordered_edits\": " + std::to_string(f.orderedEdits) +
              ", \"any_order_edits\": " + std::to_string(f.anyOrderEdits) + ", \"ordered_cer\": " +
              Rate(f.orderedEdits, f.referenceChars) + ", \"any_order_cer\": " +
              Rate(f.anyOrderEdits, f.referenceChars) + ", \"reference_lines\": " +
              std::to_string(f.referenceLines) + ", \"lines_read\": " + std::to_string(f.linesRead) +
              (i + 1 < families.size() ? " },\n" : " }\n");
    }
    json += "      ]\n    }" + std::string(c + 1 < configs.size() ? ",\n" : "\n");
  }
  return json + "  ]\n}\n";
}

}  // namespace vesk::bench
