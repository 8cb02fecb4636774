// Processes: starting another program of the suite and waiting for it, and short sleeps.
// The program is named as the suite names files (Session.ExeDir + "ORBPRINT") and found
// through the host path layer. Arguments go to it one by one, never through a shell, so
// no character in them has a special meaning.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orb {

// Starts the program with the given arguments and waits until it ends. The arguments are
// passed as they are (host texts: convert file names with HostPath and code page 850
// texts with cp850::ToUtf8 first). The child gets the standard input, output and error
// of this process and no other open descriptor. Returns the program's exit code,
// 128 + the signal number when a signal ended it, or -1 when it could not be started
// (the name resolves to no path, the file is missing or not executable).
int RunProgram(std::string_view suite_name, const std::vector<std::string>& arguments);
// The same; when the program could not be started, `reason` says why in the system's
// words ("No such file or directory", "Permission denied").
int RunProgramWithReason(std::string_view suite_name, const std::vector<std::string>& arguments,
                         std::string& reason);

// Sleeps for the given number of milliseconds; zero or less returns at once.
void SleepMilliseconds(int32_t milliseconds);

}  // namespace orb
