#include "report/session_report_text.h"

#include "format/date_display.h"
#include "format/dates.h"
#include "format/numbers.h"

namespace orb {

SessionReportText::SessionReportText(const Session& session, Catalogue& catalogue,
                                     const Currency& currency, UserSettings& settings)
    : session_(session), catalogue_(catalogue), currency_(currency), settings_(settings) {}

std::string SessionReportText::Translate(std::string_view key) const {
  return catalogue_.Translate(key);
}

std::string SessionReportText::FormatAmount(std::string_view spec, double value) const {
  return orb::FormatAmount(spec, value, currency_, settings_);
}

std::string SessionReportText::FormatNumber(std::string_view mask, double value) const {
  return orb::FormatNumber(mask, value, settings_);
}

std::string SessionReportText::FormatDate(std::string_view packed_date, int16_t mode,
                                          std::string_view parts) const {
  return orb::FormatDate(packed_date, mode, parts, settings_, session_.Language);
}

std::string SessionReportText::DottedCodeText(std::string_view packed_code) const {
  return orb::DottedCodeText(packed_code);
}

}  // namespace orb
