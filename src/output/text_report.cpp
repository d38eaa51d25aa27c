#include "output/text_report.h"

#include "session/atomic_file.h"

namespace vesk {
namespace {

constexpr const char* kRule = "==================================================";

void AppendLines(std::string& out, const std::vector<OcrLine>& lines) {
  for (const OcrLine& line : lines) {
    out += line.text;
    out += "\r\n";
  }
}

}  // namespace

std::string BuildTextReport(const std::vector<OcrLine>& lines, const std::vector<BarcodeResult>& barcodes) {
  if (barcodes.empty() && lines.empty()) return "No text detected in the current view.\r\n";

  std::string out;
  if (barcodes.empty()) {
    AppendLines(out, lines);
    return out;
  }

  for (const BarcodeResult& barcode : barcodes) {
    out += kRule;
    out += "\r\n[QR Code / Barcode]\r\nType: ";
    out += barcode.format;
    out += "\r\nContent: ";
    out += barcode.text;
    out += "\r\n";
    out += kRule;
    out += "\r\n\r\n";
  }
  if (!lines.empty()) {
    out += "[OCR Text]\r\n";
    AppendLines(out, lines);
  }
  return out;
}

bool WriteTextReport(const std::u16string& textPath, const std::vector<OcrLine>& lines,
                     const std::vector<BarcodeResult>& barcodes) {
  return WriteFileAtomically(textPath, BuildTextReport(lines, barcodes));
}

std::string BuildFailureReport(const std::string& message) { return "OCR Failed:\r\n" + message + "\r\n"; }

bool WriteFailureReport(const std::u16string& textPath, const std::string& message) {
  return WriteFileAtomically(textPath, BuildFailureReport(message));
}

}  // namespace vesk
