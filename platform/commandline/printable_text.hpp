// Text from outside the program (file names, names from certificates,
// errors that quote them) as a terminal may be shown it: every byte that a
// terminal would act on instead of showing is written as an escape, so that
// no message can move the cursor, retitle the window, recolour the screen,
// start a new line or reorder what follows it.
//
// Escaped: the C0 controls and DEL ("\x1B"), bytes that are not UTF-8
// ("\xFF"), and as "\u009B" the C1 controls, the line and paragraph
// separators and the bidirectional formatting characters (U+061C, U+200E,
// U+200F, U+202A to U+202E, U+2066 to U+2069). Everything else, backslashes
// too, is kept as it is.
//
// Pure; safe on any thread.
#pragma once

#include <string>
#include <string_view>

namespace maravel::commandline {

std::string printable(std::string_view text);

// Writes "PROGRAM: MESSAGE" and a line feed to standard error, the message
// printable: every program's one way to say what went wrong.
void printError(std::string_view program, std::string_view message);

}  // namespace maravel::commandline
