#pragma once

// Ends the program with `code`. The engine's own shutdown closes whatever is still attached and waits
// for the services it runs (a backup's action winding down after a failure or a cancel); then the
// program ends without running the libraries' destructors: the thread of a finished service still
// runs its last instructions inside the engine for a moment (the engine is never unloaded for that
// reason), and must not find the engine's globals destroyed under it. Called last in main, once every
// window and connection is gone; what was written to the standard streams is flushed first.
[[noreturn]] void endProgram(int code);
