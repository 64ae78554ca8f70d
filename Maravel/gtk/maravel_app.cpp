// maravel: the host window. Shows UYAP documents given on the command line,
// opened from a file manager or dropped on the window, and registers and
// switches on the preview and thumbnail extensions it carries.
#include <gtk/gtk.h>

#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "Maravel/document_load.hpp"
#include "Maravel/gtk/app_delegate.hpp"
#include "Maravel/gtk/main_window.hpp"
#include "Maravel/open_requests.hpp"
#include "platform/commandline/licence_notice.hpp"

namespace maravel {
namespace {

constexpr int kUsage = 2;

constexpr std::string_view kHelp =
    "Usage: maravel [FILE...]\n"
    "Opens the Maravel window and shows the UYAP document FILE (a .udf file; only the\n"
    "first file is shown). A running Maravel shows it in its own window.\n"
    "At start, a Maravel installed for one user (under ~/.local) registers and switches on\n"
    "its preview and thumbnail extensions for that user; installed system-wide, it only\n"
    "checks that the system has them.\n"
    "\n"
    "  --help     show this help\n"
    "  --version  show the version\n"
    "\n"
    "Exit status: 0 when the window was closed, 2 for wrong usage.\n";

// A GPU shows itself as a render node. Without one (a virtual machine, a
// remote desktop, Xvfb) GTK's GL renderer runs in Mesa's software
// rasteriser: some 80 MB more and a few hundred milliseconds before the
// first frame, for pages that are drawn with cairo in any case.
bool hasRenderNode() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/dri", error)) {
    if (entry.path().filename().string().starts_with("renderD")) return true;
  }
  return false;
}

}  // namespace

class MaravelApp {
 public:
  // The arguments left for the application (the program name and the
  // files), or the exit status when the command line was answered here.
  static std::variant<std::vector<std::string>, int> commandLine(int argc, char** argv) {
    std::vector<std::string> arguments = {argc > 0 ? argv[0] : "maravel"};
    bool optionsEnded = false;  // after "--" every argument is a file
    for (int i = 1; i < argc; ++i) {
      const std::string_view arg = argv[i];
      if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
        // "./-x.udf": the same file, but no option for GApplication's parser.
        arguments.push_back(arg.starts_with("-") ? "./" + std::string(arg) : std::string(arg));
      } else if (arg == "--") {
        optionsEnded = true;
      } else if (arg == "--help" || arg == "-h") {
        std::cout << kHelp;
        return 0;
      } else if (arg == "--version") {
        std::cout << "maravel " << MARAVEL_VERSION << "\n" << maravel::commandline::kLicenceNotice;
        return 0;
      } else {
        std::cerr << "maravel: unknown option " << arg << " (try --help)\n";
        return kUsage;
      }
    }
    return arguments;
  }

  static int main(int argc, char** argv) {
    MainWindow::startTime();
    auto parsed = commandLine(argc, argv);
    if (const int* status = std::get_if<int>(&parsed)) return *status;
    std::vector<std::string>& given = std::get<std::vector<std::string>>(parsed);
    // The first document is read while GTK starts and the window is built.
    if (given.size() > 1 && OpenRequests::hasUDFName(given[1])) DocumentLoad::readAhead(given[1]);
    if (g_getenv("GSK_RENDERER") == nullptr && !hasRenderNode()) g_setenv("GSK_RENDERER", "cairo", FALSE);
    std::vector<char*> arguments;
    for (std::string& argument : given) arguments.push_back(argument.data());
    arguments.push_back(nullptr);

    GtkApplication* application = gtk_application_new("com.orvelin.Maravel", G_APPLICATION_HANDLES_OPEN);
    int status = 0;
    {
      AppDelegate delegate(application);
      status = g_application_run(G_APPLICATION(application), static_cast<int>(arguments.size()) - 1,
                                 arguments.data());
    }
    g_object_unref(application);
    DocumentLoad::endReadAhead();  // a running Maravel showed the file
    return status;
  }
};

}  // namespace maravel

int main(int argc, char** argv) { return maravel::MaravelApp::main(argc, argv); }
