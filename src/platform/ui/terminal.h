// The process's standard streams and the terminal behind them, for the toolkits that print
// and the console toolkit that reads answers: the few operations whose realisation differs
// between editions (posix_terminal.cpp, win32_terminal.cpp). User-interface thread only,
// except that the interrupt flag is set from wherever the system reports Ctrl+C.
#pragma once

#include "platform/text.h"

namespace zem::ui {

enum class StandardStream { kInput, kOutput, kError };

// Writes the text whole and at once (nothing is buffered). A stream that cannot be written
// (a pipe whose reader has gone, a full disk, no stream at all) loses this text only.
void WriteToStream(StandardStream stream, const Text& text);

// True when the stream is an interactive terminal rather than a file or a pipe.
bool StreamIsTerminal(StandardStream stream);

enum class ReadResult { kLine, kEnd, kInterrupted };

// One line of standard input without its line end. kEnd when the input has ended before a
// character was read; kInterrupted when Ctrl+C was pressed while it waited.
ReadResult ReadStandardInputLine(Text& line);

// While watched, Ctrl+C does not end the process: it sets a flag that TakeInterrupt
// reports (and clears), and wakes a pending ReadStandardInputLine. Not nested: the caller
// watches around its outermost dialog only.
void StartWatchingInterrupts();
void StopWatchingInterrupts();
bool TakeInterrupt();
// Does what pressing Ctrl+C does while interrupts are watched, for a caller standing in for
// the keyboard (a test); nothing when they are not.
void RaiseInterrupt();

// Makes sure the standard streams reach a console the person can see and type in, for a
// program that asked to be used from one. Streams already redirected to files or pipes are
// kept; where one is missing, the console the program was started from is used, or a new
// one is opened when there is none.
void ConnectConsole();

}  // namespace zem::ui
