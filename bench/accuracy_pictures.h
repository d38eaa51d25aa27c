#pragma once
// Pictures of a reading order, so that a person sees at a glance where it goes wrong: per screenshot and
// configuration an HTML page that shows the screenshot with the box of every line read, numbered in the
// order the worker gave them, and an index page linking them all.

#include <filesystem>
#include <string>
#include <vector>

#include "accuracy_metrics.h"
#include "accuracy_report.h"
#include "devset.h"
#include "report_reader.h"

namespace vesk::bench {

// What one configuration read on one screenshot: the normalised known and read lines, the box of every
// read line (boxes[j] for read[j]) and their score.
struct PageReading {
  const std::vector<std::u32string>& reference;
  const std::vector<std::u32string>& read;
  const std::vector<LineBox>& boxes;
  const PageScore& score;
};

// The page's file name below the pictures folder: CONFIG/NAME.html.
std::filesystem::path PicturePath(const std::string& config, const std::string& shot);

// Writes dir/CONFIG/NAME.html: boxes of lines read within 10 % edits in blue, misread and unmatched ones
// in red; a number whose known line does not follow the one before it on an orange ground; the known lines
// not read listed below. False with a message when the file cannot be written.
bool WriteOrderPicture(const std::filesystem::path& dir, const std::string& config, const Screenshot& shot,
                       const PageReading& reading, std::string& error);

// Writes dir/index.html: every screenshot with its family and, per configuration, its figures and a link
// to its picture.
bool WriteOrderIndex(const std::filesystem::path& dir, const std::vector<Screenshot>& shots,
                     const std::vector<WorkerConfig>& configs, const std::vector<std::vector<PageResult>>& results,
                     std::string& error);

}  // namespace vesk::bench
