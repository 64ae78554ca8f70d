// The maravel program as a user meets it: its command line, the installed
// layout and desktop entry, the activation an installed copy performs, and
// its window under Xvfb.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Maravel/main_window_controller.hpp"
#include "platform/drawing/drawing_context.hpp"
#include "platform/process/process.hpp"
#include "tests/support/recording_surface.hpp"
#include "tests/support/scratch_folder.hpp"

namespace maravel {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::readFile;
using testing::runCommand;

const StatusMessage kActive{"● Quick Look Eklentisi Sistemde Aktif (Space tuşu hazır)",
                            StatusColour::success};

TEST(MaravelCommandTest, AnswersHelpAndVersionAndRefusesUnknownOptions) {
  const CommandResult help = runCommand(MARAVEL_PATH, {"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: maravel [FILE...]\n")) << help.out;
  const CommandResult version = runCommand(MARAVEL_PATH, {"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "maravel 0.1.0\n");
  const CommandResult wrong = runCommand(MARAVEL_PATH, {"--pencere"});
  EXPECT_EQ(wrong.status, 2);
  EXPECT_EQ(wrong.err, "maravel: unknown option --pencere (try --help)\n");
}

// A user's home with this build installed under ~/.local, as
// "cmake --install build --prefix ~/.local" does.
class InstalledMaravelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    home_ = folder_.path() / "ayşe";
    prefix_ = home_ / ".local";
    const CommandResult install =
        runCommand(CMAKE_COMMAND_PATH, {"--install", MARAVEL_BINARY_DIR, "--prefix", prefix_.string()});
    ASSERT_EQ(install.status, 0) << install.err;
  }

  // The environment a desktop session gives the user's programs.
  std::vector<std::string> sessionEnvironment() const {
    return {"HOME=" + home_.string(), "XDG_DATA_HOME=" + (home_ / ".local" / "share").string(),
            "XDG_CACHE_HOME=" + (home_ / ".cache").string(),
            "XDG_CONFIG_HOME=" + (home_ / ".config").string()};
  }

  CommandResult pluginkit(const std::vector<std::string>& arguments) const {
    std::vector<std::string> command = sessionEnvironment();
    command.push_back((prefix_ / "libexec" / "maravel" / "pluginkit").string());
    command.insert(command.end(), arguments.begin(), arguments.end());
    return runCommand("/usr/bin/env", command);
  }

  testing::ScratchFolder folder_;
  fs::path home_;
  fs::path prefix_;
};

TEST_F(InstalledMaravelTest, LaysOutTheProgramItsBundlesToolsAndDesktopEntry) {
  std::vector<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(prefix_)) {
    if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), prefix_).string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{
                       "bin/maravel",
                       "bin/pelsora",
                       "bin/tivenna",
                       "bin/udf2docx",
                       "bin/udf2pdf",
                       "bin/udftotext",
                       "bin/udfverify",
                       "lib/maravel/PlugIns/Pelsora.appex/manifest",
                       "lib/maravel/PlugIns/Pelsora.appex/maravel-udf.xml",
                       "lib/maravel/PlugIns/Pelsora.appex/pelsora",
                       "lib/maravel/PlugIns/Tivenna.appex/manifest",
                       "lib/maravel/PlugIns/Tivenna.appex/maravel-udf.xml",
                       "lib/maravel/PlugIns/Tivenna.appex/tivenna",
                       "lib/maravel/PlugIns/Tivenna.appex/tivenna.thumbnailer",
                       "libexec/maravel/pluginkit",
                       "libexec/maravel/qlmanage",
                       "share/applications/maravel.desktop",
                       "share/maravel/recoll/mimeconf",
                       "share/maravel/recoll/mimemap",
                       "share/mime/packages/maravel-udf.xml",
                       "share/thumbnailers/tivenna.thumbnailer",
                   }));
  const fs::path entry = prefix_ / "share" / "applications" / "maravel.desktop";
  const CommandResult validation = runCommand("desktop-file-validate", {entry.string()});
  EXPECT_EQ(validation.status, 0) << validation.out << validation.err;
  const std::string text = readFile(entry);
  EXPECT_NE(text.find("\nExec=\"" + (prefix_ / "bin" / "maravel").string() + "\" %F\n"), std::string::npos);
  EXPECT_NE(text.find("\nMimeType=application/x-uyap-udf;\n"), std::string::npos);
}

TEST_F(InstalledMaravelTest, FindsItselfInstalledAndSwitchesBothExtensionsOn) {
  for (const std::string& variable : sessionEnvironment()) {
    const std::size_t equals = variable.find('=');
    ::setenv(variable.substr(0, equals).c_str(), variable.substr(equals + 1).c_str(), 1);
  }
  testing::SurfaceLog log;
  const HostInstallation installation{(prefix_ / "bin" / "maravel").string(), home_.string()};
  ASSERT_TRUE(installation.isInstalled());
  const auto controller =
      MainWindowController::create(std::make_unique<testing::RecordingSurface>(log), installation, run);
  controller->checkInstallation();
  EXPECT_EQ(log.statuses.back(), kActive);
  EXPECT_EQ(pluginkit({"-m"}).out,
            "+    com.orvelin.Maravel.Pelsora(0.1.0)\n+    com.orvelin.Maravel.Tivenna(0.1.0)\n");
  const std::string executable =
      (prefix_ / "lib" / "maravel" / "PlugIns" / "Tivenna.appex" / "tivenna").string();
  EXPECT_NE(readFile(home_ / ".local" / "share" / "thumbnailers" / "tivenna.thumbnailer")
                .find("\nExec=" + executable + " -s %s %u %o\n"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(home_ / ".local" / "share" / "mime" / "application" / "x-uyap-udf.xml"));
}

#if defined(MARAVEL_SANITIZED)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Where the window's parts lie on the screen: Xvfb has no window manager,
// so the window sits at the top left, 880 wide, its content below the menu
// bar. These probes are well inside each part.
constexpr int kPageMarginX = 27;  // left of the sheet and its shadow, inside the web view
constexpr int kPageMarginY = 300;
constexpr int kSheetX = 780;  // on the sheet, right of the text
constexpr int kSheetY = 600;
constexpr unsigned kPageBackground = 0xF1F3F5;  // the page's light background

bool isGreen(const drawing::Pixel& p) {
  return p.green > 150 && p.green > p.red + 60 && p.green > p.blue + 30;
}
bool isOrangeOrRed(const drawing::Pixel& p) {
  return p.red > 150 && p.red > p.green + 60 && p.red > p.blue + 60;
}

TEST_F(InstalledMaravelTest, ShowsTheDocumentGivenOnTheCommandLine) {
  if (kSanitized) {
    GTEST_SKIP() << "GTK and WebKit keep process-lifetime allocations that LeakSanitizer reports; the window "
                    "is checked in the plain build";
  }
  const fs::path shot = fs::path(MARAVEL_BINARY_DIR) / "screenshots" / "maravel-window.png";
  fs::create_directories(shot.parent_path());
  std::vector<std::string> command = sessionEnvironment();
  // No session bus: this Maravel runs on its own instead of handing the
  // file to one the developer may have open.
  command.insert(command.begin(), {"-u", "DBUS_SESSION_BUS_ADDRESS"});
  command.insert(command.end(),
                 {"GTK_THEME=Adwaita", "NO_AT_BRIDGE=1", "GDK_BACKEND=x11", "xvfb-run", "-a", "-s",
                  "-screen 0 1000x900x24", "/bin/sh", "-c",
                  "\"$1\" \"$2\" & app=$!; \"$3\" \"$4\" --until \"$5\" --timeout 60; status=$?; "
                  "kill $app; wait $app; exit $status",
                  "sh", (prefix_ / "bin" / "maravel").string(), MARAVEL_BINARY_DIR "/samples/karar.udf",
                  X_SCREENSHOT_PATH, shot.string()});
  char probe[64];
  std::snprintf(probe, sizeof probe, "%d,%d,%06X", kPageMarginX, kPageMarginY, kPageBackground);
  command.push_back(probe);
  const CommandResult result = runCommand("/usr/bin/env", command);
  ASSERT_EQ(result.status, 0) << "the page did not appear\n" << result.err;

  const auto screen = drawing::DrawingContext::readPNG(shot);
  ASSERT_TRUE(screen.has_value());
  const drawing::Pixel sheet = screen->pixel(kSheetX, kSheetY);
  EXPECT_GT(sheet.red + sheet.green + sheet.blue, 3 * 250) << "the sheet is white";
  int green = 0;
  int warning = 0;
  for (int y = 60; y < 90; ++y) {
    for (int x = 24; x < 400; ++x) {
      green += isGreen(screen->pixel(x, y));
      warning += isOrangeOrRed(screen->pixel(x, y));
    }
  }
  EXPECT_GT(green, 50) << "the status line is green";
  EXPECT_EQ(warning, 0);
  EXPECT_EQ(pluginkit({"-m"}).out,
            "+    com.orvelin.Maravel.Pelsora(0.1.0)\n+    com.orvelin.Maravel.Tivenna(0.1.0)\n");
}

}  // namespace
}  // namespace maravel
