// SessionReportText: the report's texts as the session shows them: fixed texts through
// the module's catalogue, amounts in the current currency and numbers and dates with
// the operator's separators and date order (Vora.ini [Usuari]), taken from the run's
// one UserSettings so that the form and the report read each of them once per run.
#pragma once

#include "core/catalogue.h"
#include "core/session.h"
#include "format/currency.h"
#include "format/user_settings.h"
#include "report/report_text.h"

namespace orb {

class SessionReportText : public ReportText {
 public:
  SessionReportText(const Session& session, Catalogue& catalogue, const Currency& currency,
                    UserSettings& settings);

  std::string Translate(std::string_view key) const override;
  std::string FormatAmount(std::string_view spec, double value) const override;
  std::string FormatNumber(std::string_view mask, double value) const override;
  std::string FormatDate(std::string_view packed_date, int16_t mode,
                         std::string_view parts) const override;
  std::string DottedCodeText(std::string_view packed_code) const override;

 private:
  const Session& session_;
  Catalogue& catalogue_;
  const Currency& currency_;
  UserSettings& settings_;  // loads the separators on first use
};

}  // namespace orb
