// The work a program wants done before it waits for input: a wait for a key may last
// hours, and what a program holds across it (the record manager's read snapshots, which
// stop other programs' logs from being checkpointed) should be let go first. The
// consoles run the hook before they block; the program installs it. One hook per
// process, none until one is installed.
#pragma once

namespace orb {

using InputWaitHook = void (*)();

// Installs the hook (nullptr removes it); returns the one it replaces.
InputWaitHook SetInputWaitHook(InputWaitHook hook);
// Runs the installed hook, if any.
void RunBeforeInputWait();

}  // namespace orb
