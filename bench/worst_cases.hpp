// Crafted documents and command-line situations at the reader's, the
// writers' and the commands' bounds: each is built in memory, shaped like
// the editor's files, and costs as much as a hostile file of its kind can.
// worst_case_bench measures the time and memory they take through the seven
// commands; tests/worst_case_test runs them there and checks what each keeps.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/support/editor_content.hpp"

namespace maravel::testing {

// How the commands meet a case.
enum class Situation {
  file,           // FILE is the document
  standardInput,  // FILE is "-", standard input the document
  zeros,          // FILE is "-", standard input /dev/zero
  sparseFile,     // FILE is a sparse file of 3 GiB
  fullDevice,     // the document; every output goes to /dev/full
  fifo,           // the document; every output goes to a FIFO that a reader empties
  closedPipe,     // the document; every output goes to a pipe whose reader has gone
};

struct WorstCase {
  std::string name;   // short identifier
  std::string what;   // the document, in a few words
  std::string bound;  // the bound that keeps it cheap
  std::function<std::vector<std::uint8_t>()> archive;
  Situation situation = Situation::file;
};

// In the order of the README's table.
const std::vector<WorstCase>& worstCases();

// The seven commands, in this order.
inline constexpr const char* kCommands[] = {"pelsora", "tivenna",   "udfdump", "udfverify",
                                            "udf2pdf", "udftotext", "udf2docx"};

// One command's run on a case as a /bin/sh command line: `program` is the
// command's path, `document` the case's archive written to a file, `folder`
// a scratch folder for outputs and FIFOs. Standard output stays the shell's
// unless the situation sends it elsewhere; the line's status is the command's.
std::string commandLine(const WorstCase& worstCase, std::size_t command, const std::string& program,
                        const std::filesystem::path& document, const std::filesystem::path& folder);

}  // namespace maravel::testing
