#include "format/numbers.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

namespace orb {
namespace {

bool IsDigitPlace(char c) { return c == '9' || c == 'Z' || c == 'z' || c == '*'; }

bool HasSignPosition(std::string_view mask) {
  return mask.find_first_of("-+") != std::string_view::npos;
}

// The decimal digits of |value| x 10^digits rounded to an integer (halves to even),
// without leading zeros: empty for 0. False when the product is not a finite number.
bool ScaledDigits(double value, int64_t digits, std::string& out) {
  out.clear();
  if (value == 0) return true;
  const double product = std::fabs(value) * std::pow(10.0, static_cast<double>(digits));
  if (!std::isfinite(product)) return false;
  double whole = std::floor(product);
  const double fraction = product - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0)) whole += 1;
  if (whole == 0) return true;
  char buffer[400];  // a double has at most 309 integer digits
  std::snprintf(buffer, sizeof buffer, "%.0f", whole);
  out = buffer;
  return true;
}

// The number written plainly when the mask cannot hold it.
std::string PlainNumber(const std::string& r, int64_t d, bool negative, size_t n,
                        char decimal_separator) {
  const size_t decimals = static_cast<size_t>(d);
  std::string text = negative ? "-" : "";
  if (r.size() > decimals) text += r.substr(0, r.size() - decimals);
  if (text.size() > n) return std::string(n, '!');
  if (decimals > 0) {
    std::string fraction = r.size() > decimals ? r.substr(r.size() - decimals) : r;
    fraction.insert(0, decimals - fraction.size(), '0');
    text += decimal_separator;
    text += fraction;
  }
  if (text.size() >= n) return text.substr(0, n);
  return std::string(n - text.size(), ' ') + text;
}

}  // namespace

std::string FormatNumber(std::string_view mask, double value, UserSettings& settings) {
  const char decimal_separator = settings.DecimalSeparator();
  const char thousands_separator = settings.ThousandsSeparator();
  const int64_t n = static_cast<int64_t>(mask.size());
  const bool has_sign = HasSignPosition(mask);

  // k: the decimal area's size; d: the digits the value is rounded to.
  int64_t k = 0;
  int64_t d = 0;
  const size_t point = mask.find('.');
  if (point != std::string_view::npos) {
    const std::string_view after = mask.substr(point + 1);
    for (char c : after) k += (IsDigitPlace(c) || c == '-' || c == '+');
    while (d < static_cast<int64_t>(after.size()) && IsDigitPlace(after[d])) ++d;
  }

  std::string r;
  if (std::isnan(value) || !ScaledDigits(value, d, r)) return std::string(mask.size(), '!');
  const int64_t len = static_cast<int64_t>(r.size());
  const bool negative = value < 0;
  const auto in_integer_area = [&](int64_t pos) { return pos < n - k; };

  std::string out(mask);
  char fill = 0;          // the filler of the last digit position: 0, ' ' or '*'
  bool no_digit = false;  // the last digit position received no digit

  // Digits from the right.
  int64_t q = k + len - d;
  int64_t i = n;
  for (; i >= 1 && q > 0; --i) {
    const char m = mask[i - 1];
    char& o = out[i - 1];
    const bool beyond = q > len;
    const char digit = beyond ? '0' : r[q - 1];
    switch (m) {
      case '9':
        o = digit;
        --q;
        fill = 0;
        no_digit = false;
        break;
      case 'Z':
      case 'z':
        if (in_integer_area(i)) {
          o = beyond ? ' ' : digit;
          no_digit = beyond;
        } else {
          bool tail_zero = true;
          for (int64_t j = q; j <= len; ++j) tail_zero = tail_zero && r[j - 1] == '0';
          if (tail_zero && k != 0) {
            o = ' ';
            no_digit = true;
          } else {
            o = digit;
            no_digit = false;
          }
        }
        fill = ' ';
        --q;
        break;
      case '*':
        o = beyond ? '*' : digit;
        fill = '*';
        no_digit = beyond;
        --q;
        break;
      case '.':
        o = no_digit ? fill : decimal_separator;
        k = 0;
        break;
      case ',':
        o = thousands_separator;
        break;
      case '-':
      case '+':
        o = negative ? '-' : (m == '+' ? '+' : ' ');
        if (k > 0) --q;
        break;
      default:
        break;
    }
  }

  if (q > 0 || (negative && !has_sign && i < 1)) {
    return PlainNumber(r, d, negative, mask.size(), decimal_separator);
  }

  // The positions left of the number.
  bool sign_pending = negative && !has_sign;
  for (; i >= 1; --i) {
    const char m = mask[i - 1];
    char& o = out[i - 1];
    switch (m) {
      case '9':
        if (sign_pending && in_integer_area(i)) {
          o = '-';
          sign_pending = false;
        } else {
          o = '0';
        }
        fill = 0;
        no_digit = false;
        break;
      case 'Z':
      case 'z':
        if (sign_pending) {
          o = '-';
          sign_pending = false;
        } else if (in_integer_area(i) || value == 0) {
          o = ' ';
          fill = ' ';
          no_digit = true;
        } else {
          o = '0';
          fill = ' ';
          no_digit = false;
        }
        break;
      case '*':
        if (sign_pending) {
          o = '-';
          sign_pending = false;
        } else {
          o = in_integer_area(i) ? '*' : '0';
          fill = '*';
          no_digit = in_integer_area(i);
        }
        break;
      case ',':
        if (sign_pending) {
          o = '-';
          sign_pending = false;
        } else if (fill != 0) {
          o = fill;
        } else if (i < n && mask[i] == '9') {
          o = thousands_separator;
        }
        break;
      case '.':
        o = no_digit ? fill : decimal_separator;
        break;
      case '-':
      case '+':
        o = negative ? '-' : (m == '+' ? '+' : ' ');
        break;
      default:
        break;
    }
  }
  return out;
}

std::string FormatAmount(std::string_view picture, double amount, const Currency& currency,
                         UserSettings& settings) {
  const size_t n = picture.size();
  int64_t decimals = 0;
  bool after_point = false;
  bool units_always = false;
  bool grouping = false;
  char fill = 'Z';
  char sign = 0;
  bool leading_sign = false;
  for (size_t i = 0; i < n; ++i) {
    switch (picture[i]) {
      case '.':
        ++decimals;
        after_point = true;
        break;
      case '9':
        if (after_point) {
          ++decimals;
        } else {
          units_always = true;
        }
        break;
      case 'Z':
      case '*':
        fill = picture[i];
        break;
      case ',':
        grouping = true;
        break;
      case '-':
      case '+':
        sign = picture[i];
        leading_sign = i == 0;
        break;
      default:
        break;
    }
  }
  const bool show = amount != 0 || units_always;
  const auto keep_right = [n](std::string& mask) {
    if (mask.size() > n) mask.erase(0, mask.size() - n);
  };

  std::string mask(n, fill);
  if (show && n > 0) mask.back() = '9';
  if (grouping) {
    for (int64_t j = static_cast<int64_t>(n) - 3; j >= 1; j -= 4) {
      mask.insert(static_cast<size_t>(j), 1, ',');
      keep_right(mask);
    }
  }
  double shown;
  if (currency.Current() == 'P') {
    shown = amount / 100 * Currency::kPRate;
  } else {
    shown = amount / 100;
    decimals += decimals == 0 ? 3 : 2;
  }
  if (decimals > 0) {
    mask += '.';
    mask.append(static_cast<size_t>(decimals - 1), show ? '9' : 'Z');
    keep_right(mask);
  }
  if (sign != 0 && n > 0) {
    if (leading_sign) {
      mask[0] = sign;
    } else {
      mask += sign;
      keep_right(mask);
    }
  }
  return FormatNumber(mask, shown, settings);
}

bool IsBadNumber(std::string_view text, std::string_view mask) {
  const bool mask_has_sign = HasSignPosition(mask);
  const bool mask_has_point = mask.find('.') != std::string_view::npos;
  bool seen_sign = false;
  bool seen_digit = false;
  bool seen_point = false;
  for (char c : text) {
    if (c == ' ') continue;
    if (c >= '0' && c <= '9') {
      seen_digit = true;
    } else if (c == '+' || c == '-') {
      if (!mask_has_sign || seen_sign || seen_digit || seen_point) return true;
      seen_sign = true;
    } else if (c == '.') {
      if (!mask_has_point || seen_point) return true;
      seen_point = true;
    } else {
      return true;
    }
  }
  return false;
}

}  // namespace orb
