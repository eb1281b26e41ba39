#pragma once

// Keyboard macro recording: while a recording runs, every key press and release of the
// desktop reaches the page as "macroItem" steps, with a delay step between key events.

// Starts a recording, restarting one that runs; false when no keyboard hook can be had.
bool startMacroRecord();
// Ends the recording; without one it does nothing.
void stopMacroRecord();
