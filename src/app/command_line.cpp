#include "app/command_line.h"

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string_view>
#include <utility>

#include "platform/text.h"

namespace vesk {
namespace {

bool IsSpace(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Base-10 conversion with the usual string-to-int rules: leading white space skipped, an optional sign, at
// least one digit, anything after the digits ignored ("300px" is 300). Empty when there is no digit or the
// number does not fit in 32 bits.
std::optional<int32_t> ToInt32(std::u16string_view text) {
  size_t i = 0;
  while (i < text.size() && IsSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
    negative = text[i] == u'-';
    ++i;
  }
  int64_t value = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i, ++digits) {
    value = value * 10 + (text[i] - u'0');
    if (value > int64_t{INT32_MAX} + 1) return std::nullopt;
  }
  if (digits == 0) return std::nullopt;
  if (negative) value = -value;
  if (value < INT32_MIN || value > INT32_MAX) return std::nullopt;
  return static_cast<int32_t>(value);
}

enum class Option { Ep, Cls, Barcode, MaxSide, WaitTimeout, ForceDmlFail, Order, Timeline };

struct OptionName {
  Option option;
  std::u16string_view name;  // without "="
};

constexpr OptionName kOptions[] = {
    {Option::Ep, u"--ep"},
    {Option::Cls, u"--cls"},
    {Option::Barcode, u"--barcode"},
    {Option::MaxSide, u"--max-side"},
    {Option::WaitTimeout, u"--wait-timeout"},
    {Option::ForceDmlFail, u"--force-dml-fail"},
    {Option::Order, u"--order"},
    {Option::Timeline, u"--timeline"},
};

// A value naming one of a few choices, compared with its ASCII letters lower-cased; returns the error
// message followed by the lower-cased value when it names none, else empty.
template <typename T>
std::u16string Choose(const std::u16string& value, std::initializer_list<std::pair<std::u16string_view, T>> names,
                      std::u16string_view error, T& out) {
  const std::u16string v = AsciiLower(value);
  for (const auto& [name, choice] : names) {
    if (v == name) {
      out = choice;
      return {};
    }
  }
  return std::u16string(error) + v;
}

// Applies one option value; returns the error message, empty on success. quoted is what a numeric error
// names: the whole argument for the "=" form, the value alone for the separate form.
std::u16string Apply(Option option, const std::u16string& value, const std::u16string& quoted, RunOptions& out) {
  switch (option) {
    case Option::Ep:
      return Choose(value, {{u"dml", ExecutionProvider::Dml}, {u"cpu", ExecutionProvider::Cpu},
                            {u"auto", ExecutionProvider::Auto}},
                    u"Invalid --ep value: ", out.executionProvider);
    case Option::Cls:
      out.classifyOrientation = value != u"0";
      return {};
    case Option::Barcode:
      out.scanBarcodes = value != u"0";
      return {};
    case Option::MaxSide: {
      const auto n = ToInt32(value);
      if (!n) return u"Bad --max-side: " + quoted;
      out.maxSide = *n < 128 ? 128 : *n;
      return {};
    }
    case Option::WaitTimeout: {
      const auto n = ToInt32(value);
      if (!n) return u"Bad --wait-timeout: " + quoted;
      out.waitTimeoutMs = *n < 5000 ? 5000 : (*n > 600000 ? 600000 : *n);
      return {};
    }
    case Option::ForceDmlFail:
      return Choose(value, {{u"init", ForceDmlFail::Init}, {u"run", ForceDmlFail::Run}},
                    u"Invalid --force-dml-fail value: ", out.forceDmlFail);
    case Option::Order: {
      ReadingOrder order = ReadingOrder::Columns;
      std::u16string error = Choose(value, {{u"columns", ReadingOrder::Columns}, {u"layout", ReadingOrder::Layout}},
                                    u"Invalid --order value: ", order);
      if (error.empty()) out.readingOrder = order;
      return error;
    }
    case Option::Timeline:
      out.timelinePath = value;
      return {};
  }
  return {};
}

}  // namespace

RunOptions ParseCommandLine(const std::vector<std::u16string>& args) {
  RunOptions out;
  std::vector<const std::u16string*> positionals;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::u16string& arg = args[i];
    if (arg == u"--console") {
      out.console = true;
      continue;
    }
    bool matched = false;
    for (const OptionName& opt : kOptions) {
      std::u16string error;
      if (arg.size() > opt.name.size() && arg.starts_with(opt.name) && arg[opt.name.size()] == u'=') {
        error = Apply(opt.option, arg.substr(opt.name.size() + 1), arg, out);
      } else if (arg == opt.name && i + 1 < args.size()) {
        ++i;
        error = Apply(opt.option, args[i], args[i], out);
      } else {
        continue;
      }
      if (!error.empty()) {
        out.error = std::move(error);
        return out;
      }
      matched = true;
      break;
    }
    if (matched) continue;
    if (arg.starts_with(u"-")) {
      out.error = u"Unknown flag: " + arg;
      return out;
    }
    positionals.push_back(&arg);
  }
  if (positionals.size() < 3) {
    out.error = u"Missing positional arguments (expected screenshot, veskviewer_exe, input_file)";
    return out;
  }
  out.screenshotPath = *positionals[0];
  out.viewerExePath = *positionals[1];
  out.inputPath = *positionals[2];
  out.valid = true;
  return out;
}

}  // namespace vesk
