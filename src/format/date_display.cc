#include "format/date_display.h"

#include "format/dates.h"
#include "format/packed_digits.h"

namespace orb {
namespace {

struct LanguageWords {
  const char* before_consonant;  // before a month name
  const char* before_vowel;      // before a month name beginning with a vowel
  const char* before_number;     // before a day or a year
  const char* months[12];
};

constexpr LanguageWords kCatalan = {
    " de ", " d'", " del ",
    {"gener", "febrer", "mar\x87", "abril", "maig", "juny", "juliol", "agost", "setembre",
     "octubre", "novembre", "desembre"}};
constexpr LanguageWords kSpanish = {
    " de ", " de ", " de ",
    {"enero", "febrero", "marzo", "abril", "mayo", "junio", "julio", "agosto",
     "septiembre", "octubre", "noviembre", "diciembre"}};
constexpr LanguageWords kGalician = {
    " de ", " de ", " do ",
    {"janeiro", "fevereiro", "mar\x87o", "abril", "maio", "junho", "julho", "agosto",
     "setembro", "outubro", "novembro", "dezembro"}};
constexpr LanguageWords kAranese = {
    " de ", " d'", " deth ",
    {"g\x8ar", "hereu\x8ar", "mar\x87", "abriu", "mai", "junh", "junhsega", "agost",
     "seteme", "octobre", "noveme", "deseme"}};

const LanguageWords& WordsFor(std::string_view language) {
  if (language == "SPA") return kSpanish;
  if (language == "GLG") return kGalician;
  if (language == "OCI") return kAranese;
  return kCatalan;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int DigitPair(const std::string& digits, size_t from) {
  int value = 0;
  for (size_t i = from; i < from + 2 && i < digits.size(); ++i) value = value * 10 + (digits[i] - '0');
  return value;
}

bool StartsWithVowel(std::string_view name) {
  if (name.empty()) return false;
  const char c = Upper(name.front());
  return c == 'A' || c == 'E' || c == 'I' || c == 'O' || c == 'U';
}

}  // namespace

std::string FormatDate(std::string_view date, int16_t mode, std::string_view parts,
                       UserSettings& settings, std::string_view language) {
  const char separator = settings.DateSeparator();
  const std::string& order = settings.DateOrder();
  const LanguageWords& words = WordsFor(language);

  const std::string digits = UnpackDigits(date);
  std::string year = digits.substr(0, 4);
  year.insert(0, 4 - year.size(), '0');
  const int month = DigitPair(digits, 4);
  const int day = DigitPair(digits, 6);

  if (mode == -1) return year + "-" + ZeroPad(month, 2) + "-" + ZeroPad(day, 2);

  std::string wanted(parts);
  for (char& c : wanted) c = Upper(c);
  // A month outside 1..12 has no name: its name is empty.
  const std::string_view month_name =
      month >= 1 && month <= 12 ? words.months[month - 1] : std::string_view();

  std::string text;
  if (month != 0 || day != 0) {
    for (char letter : order) {
      if (letter != 'D' && letter != 'M' && letter != 'A') continue;
      if (wanted.find(letter) == std::string::npos) continue;
      std::string piece;
      if (letter == 'D') {
        piece = std::to_string(day);
      } else if (letter == 'A') {
        piece = year;
      } else if (mode >= 2) {
        piece = month_name;
      } else if (mode == 1) {
        piece = month_name.substr(0, 3);
      } else {
        piece = std::to_string(month);
      }
      if (!text.empty()) {
        if (mode < 2) {
          text += separator;
        } else if (letter == 'M') {
          text += StartsWithVowel(month_name) ? words.before_vowel : words.before_consonant;
        } else {
          text += words.before_number;
        }
      }
      text += piece;
    }
  }
  if (mode >= 2) return text;

  int64_t width = static_cast<int64_t>(wanted.size()) - 1;
  if (wanted.find('M') != std::string::npos) width += mode + 2;
  if (wanted.find('A') != std::string::npos) width += 4;
  if (wanted.find('D') != std::string::npos) width += 2;
  text.resize(width > 0 ? static_cast<size_t>(width) : 0, ' ');
  return text;
}

}  // namespace orb
