#include "report/report.h"

#include <string_view>

#include "data/records.h"
#include "platform/process.h"
#include "report/print_outcome.h"

namespace orb {
namespace {

std::string_view Bytes(const uint8_t* record, size_t offset, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(record) + offset, size);
}

// The owner's part of a line for the observer.
ReportLine OwnerLine(ReportLineKind kind, const uint8_t* owner) {
  ReportLine line;
  line.kind = kind;
  line.owner_code = Bytes(owner, OwnerRecord::kCode.offset, OwnerRecord::kCode.size);
  line.owner_name = Bytes(owner, OwnerRecord::kName.offset, OwnerRecord::kName.size);
  line.owner_tax_id = Bytes(owner, OwnerRecord::kTaxId.offset, OwnerRecord::kTaxId.size);
  return line;
}

}  // namespace

std::optional<ReadFailure> PrintReport(ReportFiles& files, const ReportParameters& parameters,
                                       ReportLayout& layout, ReportLineObserver* observer) {
  ReportReads reads(files);
  uint8_t* owner = files.OwnerArea();
  uint8_t* property = files.PropertyArea();
  layout.StartReport();
  for (bool read = reads.Search(ReportFiles::kOwnerFile, parameters.FromOwnerKey, 1);
       read && Bytes(owner, 0, 2) <= std::string_view(parameters.ToOwnerKey);
       read = reads.Next(ReportFiles::kOwnerFile)) {
    bool owner_printed = false;
    layout.StartOwner();
    for (int i = 0; i < OwnerRecord::kPropertyCount; ++i) {
      const size_t entry = OwnerRecord::kProperties.offset +
                           OwnerRecord::kPropertyEntrySize * static_cast<size_t>(i);
      property[0] = owner[entry];
      property[1] = owner[entry + 1];
      const int16_t tax_regime = LoadInt16(owner + entry + 2);
      PropertyAmounts amounts;
      GatherProperty(reads, parameters, tax_regime, amounts);
      // Neither this property nor its owner's total: their figures would be short.
      if (reads.Failed()) return reads.Failure();
      if (amounts.PropertyHasData) {
        owner_printed = true;
        layout.PrintDetail(property, amounts);
        if (observer != nullptr) {
          ReportLine line = OwnerLine(ReportLineKind::kProperty, owner);
          line.property_code = Bytes(property, PropertyRecord::kCode.offset,
                                     PropertyRecord::kCode.size);
          line.property_name = Bytes(property, PropertyRecord::kName.offset,
                                     PropertyRecord::kName.size);
          line.amounts = {amounts.Collected, amounts.Pending,     amounts.Expenses,
                          amounts.Fees,      amounts.Supplements, amounts.Carry};
          observer->OnReportLine(line);
        }
      }
    }
    if (owner_printed) {
      layout.PrintOwnerTotal(owner);
      if (observer != nullptr) {
        ReportLine line = OwnerLine(ReportLineKind::kOwnerTotal, owner);
        line.amounts = layout.OwnerTotals();
        observer->OnReportLine(line);
      }
    }
  }
  // An owner that could not be read leaves the grand total short.
  if (reads.Failed()) return reads.Failure();
  if (layout.PageNo() != 0) {
    layout.PrintGrandTotal();
    if (observer != nullptr) {
      ReportLine line;
      line.kind = ReportLineKind::kGrandTotal;
      line.amounts = layout.GrandTotals();
      observer->OnReportLine(line);
    }
  }
  return std::nullopt;
}

std::string PrintProgramName(const Session& session) { return session.ExeDir + "ORBPRINT"; }

PrintProgramRun StartPrintProgram(const Session& session) {
  PrintProgramRun run;
  RemovePrintOutcome(session);
  run.status = RunProgramWithReason(PrintProgramName(session), {}, run.reason);
  if (run.status >= 0) {
    run.reason.clear();
    run.outcome = ReadPrintOutcome(session);
  }
  return run;
}

ReportOutcome PrintOneReport(ReportServices& s, const ReportParameters& parameters,
                             ReportLineObserver* observer) {
  ReportOutcome outcome;
  if (!s.print.OpenPrint(s.session.Output)) {
    outcome.print_file_written = false;
    outcome.reason = s.print.FailureReason();
    outcome.message = "cannot create the print file " + s.print.FileName() + ": " + outcome.reason;
  }
  s.currency.SetCurrency("p");
  ReportLayout layout(s.print, s.text, s.files.Holder(), parameters);
  outcome.read_failure = PrintReport(s.files, parameters, layout, observer);
  if (outcome.read_failure) {
    outcome.read_message =
        DescribeReadFailure(*outcome.read_failure) + "; the report was not finished";
  }
  s.currency.SetCurrency("");
  if (!s.print.ClosePrint() && outcome.print_file_written) {
    outcome.print_file_written = false;
    outcome.reason = s.print.FailureReason();
    outcome.message = "cannot write the print file " + s.print.FileName() + ": " + outcome.reason;
  }
  // A print file cut short (a full disk) or a walk stopped by a read would print a
  // report without its end.
  if (s.start_print_program && outcome.Whole()) {
    outcome.print_program_started = true;
    outcome.print_program = s.start_print_program(s.session);
  }
  return outcome;
}

}  // namespace orb
