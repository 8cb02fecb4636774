// ScreenPopups: the pop-ups the form engine opens from a field, on the screen: F1's
// help viewer and F4's browse lists.
#pragma once

#include <string>

#include "ui/browse_list.h"
#include "ui/form_engine.h"
#include "ui/help_viewer.h"

namespace orb {

class ScreenPopups : public FormPopups {
 public:
  ScreenPopups(orb::BrowseList& lists, HelpViewer& help) : lists_(lists), help_(help) {}

  void ShowHelp(const std::string& topic) override { help_.ShowHelp(topic); }
  int16_t BrowseList(int16_t list) override { return lists_.Run(list); }
  std::string ChosenRecord(int16_t list) override { return lists_.ChosenRecord(list); }

 private:
  orb::BrowseList& lists_;
  HelpViewer& help_;
};

}  // namespace orb
