// Clipboard: the system clipboard as the field editor uses it (Ctrl+C, Ctrl+V), for
// code page 850 texts. SystemClipboard copies to the terminal's own clipboard with the
// OSC 52 escape sequence (through a raw-output hook of the terminal backend) and to a
// clipboard file in the terminal's directory; it pastes from wl-paste or xclip when a
// graphical session offers them, else from that file. Texts cross as UTF-8; characters
// that code page 850 lacks arrive as byte 0, which the editor's cleaning drops.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace orb {

class Clipboard {
 public:
  virtual ~Clipboard() = default;
  virtual void Copy(std::string_view cp850_text) = 0;
  // The clipboard's text in code page 850, "" when there is none.
  virtual std::string Paste() = 0;
};

class SystemClipboard : public Clipboard {
 public:
  using RawOutput = std::function<void(std::string_view bytes)>;
  // terminal_dir: Session.TerminalDir (suite name, may be empty); raw_output may be
  // empty when there is no terminal to tell.
  SystemClipboard(std::string terminal_dir, RawOutput raw_output)
      : file_(std::move(terminal_dir) + "ORBCLIP.TMP"), raw_output_(std::move(raw_output)) {}

  void Copy(std::string_view cp850_text) override;
  std::string Paste() override;

  const std::string& FileName() const { return file_; }

 private:
  std::string file_;
  RawOutput raw_output_;
};

// The OSC 52 sequence that puts utf8_text on the terminal's clipboard.
std::string Osc52Sequence(std::string_view utf8_text);

}  // namespace orb
