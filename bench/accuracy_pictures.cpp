#include "accuracy_pictures.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace vesk::bench {
namespace {

std::string Html(const std::string& text) {
  std::string out;
  for (const char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

// A relative path as a URL: every byte but unreserved characters and '/' percent-encoded.
std::string UrlPath(const std::filesystem::path& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char c : path.generic_string()) {
    const auto b = static_cast<unsigned char>(c);
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~' || c == '/') {
      out += c;
    } else {
      out += '%';
      out += kHex[b >> 4];
      out += kHex[b & 0x0F];
    }
  }
  return out;
}

// The picture as the page at from sees it: relative when both are on one tree, else absolute.
std::string PictureUrl(const std::filesystem::path& picture, const std::filesystem::path& from) {
  std::error_code ec;
  const std::filesystem::path absolute = std::filesystem::absolute(picture, ec);
  std::filesystem::path relative = std::filesystem::relative(absolute, std::filesystem::absolute(from, ec), ec);
  if (ec || relative.empty()) return "file://" + UrlPath(absolute);
  return UrlPath(relative);
}

std::string Percent(size_t part, size_t whole) {
  if (whole == 0) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f%%", 100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

std::string Figures(const PageScore& score) {
  return "order " + Percent(score.orderedEdits, score.referenceChars) + ", any " +
         Percent(score.anyOrderEdits, score.referenceChars) + ", read " +
         Percent(score.linesRead, score.referenceLines);
}

bool ReadWell(const PageReading& r, size_t j) {
  const int i = r.score.pairOfRead[j];
  return i >= 0 && EditDistance(r.reference[static_cast<size_t>(i)], r.read[j]) * 10 <=
                       r.reference[static_cast<size_t>(i)].size();
}

bool WriteFile(const std::filesystem::path& path, const std::string& content, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  if (!out) {
    error = "cannot write " + path.string();
    return false;
  }
  return true;
}

}  // namespace

std::filesystem::path PicturePath(const std::string& config, const std::string& shot) {
  return std::filesystem::path(config) / (shot + ".html");
}

bool WriteOrderPicture(const std::filesystem::path& dir, const std::string& config, const Screenshot& shot,
                       const PageReading& r, std::string& error) {
  const std::filesystem::path path = dir / PicturePath(config, shot.name);
  int width = shot.width;
  int height = shot.height;
  for (const LineBox& box : r.boxes) {
    for (const auto& [x, y] : box) {
      width = std::max(width, x + 1);
      height = std::max(height, y + 1);
    }
  }
  std::string svg;
  int previous = -1;  // the known line of the last read line that had one
  for (size_t j = 0; j < r.read.size() && j < r.boxes.size(); ++j) {
    const LineBox& box = r.boxes[j];
    const int reference = r.score.pairOfRead[j];
    const bool well = ReadWell(r, j);
    const bool inOrder = reference < 0 || reference == previous + 1;
    if (reference >= 0) previous = reference;
    std::string points;
    for (const auto& [x, y] : box) points += std::to_string(x) + "," + std::to_string(y) + " ";
    std::string tip = std::to_string(j + 1) + ": \"" + EncodeUtf8(r.read[j]) + "\"";
    tip += reference < 0 ? " (not on the screen)"
                         : " = known line " + std::to_string(reference + 1) + " \"" +
                               EncodeUtf8(r.reference[static_cast<size_t>(reference)]) + "\"";
    int top = box[0][1];
    int left = box[0][0];
    int bottom = box[0][1];
    for (const auto& [x, y] : box) {
      top = std::min(top, y);
      left = std::min(left, x);
      bottom = std::max(bottom, y);
    }
    const int size = std::clamp((bottom - top) * 7 / 10, 10, 18);
    const std::string number = std::to_string(j + 1);
    const int labelWidth = static_cast<int>(number.size()) * size * 6 / 10 + 4;
    const int labelTop = std::max(0, top - size - 2);
    svg += "<g><title>" + Html(tip) + "</title><polygon points=\"" + points + "\" class=\"" +
           (well ? "ok" : reference < 0 ? "extra" : "bad") + "\"/><rect x=\"" + std::to_string(left) + "\" y=\"" +
           std::to_string(labelTop) + "\" width=\"" + std::to_string(labelWidth) + "\" height=\"" +
           std::to_string(size + 2) + "\" class=\"" + (inOrder ? "n" : "jump") + "\"/><text x=\"" +
           std::to_string(left + 2) + "\" y=\"" + std::to_string(labelTop + size) + "\" font-size=\"" +
           std::to_string(size) + "\">" + number + "</text></g>\n";
  }
  std::vector<bool> read(r.reference.size(), false);
  for (const int i : r.score.pairOfRead) {
    if (i >= 0) read[static_cast<size_t>(i)] = true;
  }
  std::string missed;
  for (size_t i = 0; i < r.reference.size(); ++i) {
    if (!read[i]) missed += "<li value=\"" + std::to_string(i + 1) + "\">" + Html(EncodeUtf8(r.reference[i])) + "</li>\n";
  }
  const std::string w = std::to_string(width);
  const std::string h = std::to_string(height);
  const std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>" + Html(shot.name + " [" + config + "]") +
      "</title>\n<style>body { font: 14px sans-serif; margin: 10px; } .pic { position: relative; } "
      ".pic img, .pic svg { position: absolute; left: 0; top: 0; } polygon { fill: none; stroke-width: 2; } "
      ".ok { stroke: #1a5fd0; } .bad { stroke: #e00000; stroke-width: 3; } "
      ".extra { stroke: #e00000; stroke-width: 3; stroke-dasharray: 6 3; } rect.n { fill: #1a5fd0; } "
      "rect.jump { fill: #ff8c00; } text { fill: #fff; font-family: sans-serif; font-weight: bold; }</style>"
      "</head>\n<body>\n<p><a href=\"../index.html\">index</a> &middot; <b>" + Html(shot.name) + "</b> " +
      Html(shot.family.empty() ? "" : "(" + shot.family + ")") + " [" + Html(config) + "]: " +
      Html(Figures(r.score)) +
      ". Boxes numbered in the order read; blue: read within 10 % edits; red: misread; red dashes: not on "
      "the screen; an orange number: its line does not follow the one before (hover a box for its text).</p>\n"
      "<div class=\"pic\" style=\"width:" + w + "px;height:" + h + "px\"><img src=\"" +
      PictureUrl(shot.picture, path.parent_path()) + "\" width=\"" + std::to_string(shot.width) + "\" height=\"" +
      std::to_string(shot.height) + "\" alt=\"\"><svg width=\"" + w + "\" height=\"" + h + "\" viewBox=\"0 0 " + w +
      " " + h + "\">\n" + svg + "</svg></div>\n" +
      (missed.empty() ? "" : "<p>Known lines not read:</p>\n<ol>\n" + missed + "</ol>\n") + "</body></html>\n";
  return WriteFile(path, page, error);
}

bool WriteOrderIndex(const std::filesystem::path& dir, const std::vector<Screenshot>& shots,
                     const std::vector<WorkerConfig>& configs, const std::vector<std::vector<PageResult>>& results,
                     std::string& error) {
  std::string rows;
  for (size_t s = 0; s < shots.size(); ++s) {
    rows += "<tr><td>" + Html(shots[s].name) + "</td><td>" + Html(shots[s].family) + "</td>";
    for (size_t c = 0; c < configs.size(); ++c) {
      const PageResult& p = results[c][s];
      rows += "<td><a href=\"" + UrlPath(PicturePath(configs[c].name, shots[s].name)) + "\">" +
              Html(p.problem.empty() ? Figures(p.score) : p.problem) + "</a></td>";
    }
    rows += "</tr>\n";
  }
  std::string head;
  for (const WorkerConfig& config : configs) head += "<th>" + Html(config.name) + "</th>";
  const std::string page =
      "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>Reading order</title>\n<style>body { font: 14px "
      "sans-serif; margin: 10px; } td, th { padding: 2px 10px; text-align: left; }</style></head>\n<body>\n"
      "<table>\n<tr><th>screenshot</th><th>family</th>" + head + "</tr>\n" + rows + "</table>\n</body></html>\n";
  return WriteFile(dir / "index.html", page, error);
}

}  // namespace vesk::bench
