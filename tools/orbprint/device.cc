#include "orbprint/device.h"

#include "platform/host_path.h"

namespace orb::print {
namespace {

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

std::string UpperAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

}  // namespace

bool ParseDevice(std::string_view text, Device& out, std::string& error,
                 const Translator& translate) {
  auto say = [&translate](const char* text) {
    return translate ? translate(text) : std::string(text);
  };
  const std::string_view trimmed = TrimBlanks(text);
  const size_t colon = trimmed.find(':');
  const std::string keyword = UpperAscii(TrimBlanks(trimmed.substr(0, colon)));
  const std::string_view target =
      colon == std::string_view::npos ? std::string_view() : TrimBlanks(trimmed.substr(colon + 1));
  out = Device{};
  out.target = std::string(target);
  if (keyword.empty() || keyword == "PANTALLA" || keyword == "SCREEN") {
    out.kind = Device::Kind::kScreen;
    if (!target.empty()) {
      error = say("el dispositiu de pantalla no porta cap nom despr\x82s de ':'");
      return false;
    }
    return true;
  }
  if (keyword == "PDF") {
    out.kind = Device::Kind::kPdf;
  } else if (keyword == "TXT" || keyword == "TEXT") {
    out.kind = Device::Kind::kText;
  } else if (keyword == "LP") {
    out.kind = Device::Kind::kPrinter;
    if (!target.empty() && target.front() == '-') {
      error = say("el nom d'una cua d'impressi\xa2 no pot comen\x87" "ar amb '-'");
      return false;
    }
  } else {
    error = say("dispositiu desconegut ") + "\"" + std::string(trimmed) + "\" (" +
            say("coneguts: ") + "PANTALLA, SCREEN, PDF[:" + say("fitxer") + "], TXT[:" +
            say("fitxer") + "], LP[:" + say("cua") + "])";
    return false;
  }
  return true;
}

std::string OutputFileName(const Device& device, const std::string& work_dir) {
  if (device.target.empty()) {
    return work_dir + (device.kind == Device::Kind::kPdf ? "orbprint.pdf" : "orbprint.txt");
  }
  const char first = device.target.front();
  if (first == '/' || first == '\\' || HasDrivePrefix(device.target)) return device.target;
  return work_dir + device.target;
}

}  // namespace orb::print
