// The shape shared by the commands that turn documents into files of
// another kind (udf2pdf, udf2docx):
//
//   NAME [-o OUT] FILE
//   NAME [-d DIR] FILE...
//
// Each FILE becomes FILE's name with EXTENSION beside it, or OUT ("-" for
// standard output), or that name in the folder DIR (made when missing);
// FILE "-" is standard input, written to standard output unless -o says
// otherwise. With several files a progress line per file goes to standard
// error when it is a terminal. An output that is one of the inputs, or that
// an earlier file of the run was just written to, is not written (see
// OutputGuard): the file's status is 2, and the other files go on. Every
// message is one line, its outside text printable. Exit status: the largest
// of the files' (0 written, 1 not a readable document, 2 not written), 2 for
// usage errors.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace maravel::commandline {

struct ConversionCommand {
  std::string_view name;       // "udf2pdf"
  std::string_view extension;  // ".pdf"
  std::string_view help;       // printed for --help
  std::string_view version;    // printed after the name for --version
  // Converts `file` (a path, or "-" for standard input) into `output` (a
  // path, or "-"), says on standard error what went wrong, and returns the
  // file's exit status.
  std::function<int(const std::string& file, const std::string& output)> convert;
};

// The title a converted file gets for `file`: its name, or `standardInput`
// for "-".
std::string titleFor(const std::string& file, std::string_view standardInput);

// Runs the whole command: prepareOutputs(), the arguments, every file.
int runConversionCommand(const ConversionCommand& command, int argc, char** argv);

}  // namespace maravel::commandline
