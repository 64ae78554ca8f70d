// The maravel program as a user meets it: its command line, the installed
// layout and desktop entry, the activation an installed copy performs, and
// its window under Xvfb.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Maravel/main_window_controller.hpp"
#include "platform/drawing/drawing_context.hpp"
#include "platform/process/process.hpp"
#include "tests/support/recording_surface.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::readFile;
using testing::runCommand;

// What the install rules put under a prefix, for one user or as the package:
// each command with its manual page and completion, the two bundles (their
// manifest, and links to the program and the desktop's files, which the
// package holds once), the stand-ins for the extension tools and the
// desktop's files.
const std::vector<std::string> kInstalledFiles = [] {
  std::vector<std::string> files = {"libexec/maravel/pluginkit",
                                    "libexec/maravel/qlmanage",
                                    "share/applications/com.orvelin.Maravel.desktop",
                                    "share/icons/hicolor/scalable/apps/com.orvelin.Maravel.svg",
                                    "share/icons/hicolor/symbolic/apps/com.orvelin.Maravel-symbolic.svg",
                                    "share/metainfo/com.orvelin.Maravel.metainfo.xml",
                                    "share/maravel/recoll/mimeconf",
                                    "share/maravel/recoll/mimemap",
                                    "share/mime/packages/maravel-udf.xml",
                                    "share/thumbnailers/tivenna.thumbnailer",
                                    "lib/maravel/PlugIns/Tivenna.appex/tivenna.thumbnailer"};
  for (const auto& [bundle, program] : {std::pair{"Pelsora", "pelsora"}, {"Tivenna", "tivenna"}}) {
    for (const std::string part : {"manifest", "maravel-udf.xml", program})
      files.push_back("lib/maravel/PlugIns/" + std::string(bundle) + ".appex/" + part);
  }
  for (const std::string command :
       {"maravel", "pelsora", "tivenna", "udf2docx", "udf2pdf", "udfdump", "udftotext", "udfverify"}) {
    files.push_back("bin/" + command);
    files.push_back("share/man/man1/" + command + ".1");
    files.push_back("share/bash-completion/completions/" + command);
  }
  for (const std::string size : {"16", "24", "32", "48", "64", "128", "256", "512"})
    files.push_back("share/icons/hicolor/" + size + "x" + size + "/apps/com.orvelin.Maravel.png");
  // The anchors for signatures, as packaging/trust holds them.
  files.push_back("share/maravel/trust/README.md");
  for (const std::string folder : {"roots", "intermediates"}) {
    for (const auto& entry :
         fs::directory_iterator(fs::path(MARAVEL_SOURCE_DIR) / "packaging/trust" / folder))
      files.push_back("share/maravel/trust/" + folder + "/" + entry.path().filename().string());
  }
  std::sort(files.begin(), files.end());
  return files;
}();

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
    if (!entry.is_directory()) files.push_back(entry.path().lexically_relative(prefix_).string());
  }
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, kInstalledFiles);
  const fs::path entry = prefix_ / "share" / "applications" / "com.orvelin.Maravel.desktop";
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
  EXPECT_EQ(log.statuses.back(), StatusMessage::extensionsActive());
  EXPECT_EQ(pluginkit({"-m"}).out,
            "+    com.orvelin.Maravel.Pelsora(0.1.0)\n+    com.orvelin.Maravel.Tivenna(0.1.0)\n");
  const std::string executable =
      (prefix_ / "lib" / "maravel" / "PlugIns" / "Tivenna.appex" / "tivenna").string();
  EXPECT_NE(readFile(home_ / ".local" / "share" / "thumbnailers" / "tivenna.thumbnailer")
                .find("\nExec=" + executable + " -s %s %u %o\n"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(home_ / ".local" / "share" / "mime" / "application" / "x-uyap-udf.xml"));
  std::vector<std::string> gio = sessionEnvironment();
  gio.insert(gio.end(),
             {"LC_ALL=C.UTF-8", "XDG_DATA_DIRS=/usr/share", "gio", "mime", "application/x-uyap-udf"});
  EXPECT_NE(
      runCommand("/usr/bin/env", gio).out.find("application/x-uyap-udf”: com.orvelin.Maravel.desktop\n"),
      std::string::npos)
      << "GIO programs and file managers open .udf files with Maravel";
}

#if defined(MARAVEL_SANITIZED)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

// Where the window's parts lie on the screen: Xvfb has no window manager,
// so the window sits at the top left, 880 wide, its content below the menu
// bar. These probes are well inside each part.
constexpr int kPageMarginX = 30;  // left of the first page, inside the page view
constexpr int kPageMarginY = 600;
constexpr int kSheetX = 780;  // on the first page, right of the text
constexpr int kSheetY = 600;
constexpr int kBandX = 12;  // the band's background, left of its texts
constexpr int kBandY = 72;

bool isGreen(const drawing::Pixel& p) { return p.green > p.red + 20 && p.green > p.blue; }
bool isOrangeOrRed(const drawing::Pixel& p) {
  return p.red > 150 && p.red > p.green + 60 && p.red > p.blue + 60;
}

// The contrast ratio of two colours as WCAG defines it, 1 to 21.
double contrast(const drawing::Pixel& a, const drawing::Pixel& b) {
  const auto luminance = [](const drawing::Pixel& p) {
    const auto linear = [](std::uint8_t c) {
      const double v = c / 255.0;
      return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(p.red) + 0.7152 * linear(p.green) + 0.0722 * linear(p.blue);
  };
  const double x = luminance(a);
  const double y = luminance(b);
  return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

TEST_F(InstalledMaravelTest, ShowsTheDocumentGivenOnTheCommandLineInLightAndDark) {
  if (kSanitized) {
    GTEST_SKIP() << "GTK and WebKit keep process-lifetime allocations that LeakSanitizer reports; the window "
                    "is checked in the plain build";
  }
  struct Theme {
    const char* name;
    bool dark;
  };
  for (const Theme theme : {Theme{"Adwaita", false}, Theme{"Adwaita:dark", true}}) {
    const fs::path shot = fs::path(MARAVEL_BINARY_DIR) / "screenshots" /
                          (theme.dark ? "maravel-window-dark.png" : "maravel-window.png");
    fs::create_directories(shot.parent_path());
    std::vector<std::string> command = sessionEnvironment();
    // No session bus: this Maravel runs on its own instead of handing the
    // file to one the developer may have open. The web view draws in a
    // sandbox that cannot see the suite's own font configuration in the build
    // folder, so the window reads the machine's (the scratch home has no
    // user configuration).
    command.insert(command.begin(), {"-u", "DBUS_SESSION_BUS_ADDRESS", "-u", "FONTCONFIG_FILE"});
    command.insert(command.end(),
                   {std::string("GTK_THEME=") + theme.name, "NO_AT_BRIDGE=1", "GDK_BACKEND=x11", "xvfb-run",
                    "-a", "-s", "-screen 0 1000x900x24", "/bin/sh", "-c",
                    "\"$1\" \"$2\" & app=$!; \"$3\" \"$4\" --until \"$5\" --timeout 60; status=$?; "
                    "kill $app; wait $app; exit $status",
                    "sh", (prefix_ / "bin" / "maravel").string(), MARAVEL_BINARY_DIR "/samples/karar.udf",
                    X_SCREENSHOT_PATH, shot.string()});
    // The page is white paper in either theme.
    char probe[64];
    std::snprintf(probe, sizeof probe, "%d,%d,FFFFFF", kSheetX, kSheetY);
    command.push_back(probe);
    const CommandResult result = runCommand("/usr/bin/env", command);
    ASSERT_EQ(result.status, 0) << theme.name << ": the page did not appear\n" << result.err;

    const auto screen = drawing::DrawingContext::readPNG(shot);
    ASSERT_TRUE(screen.has_value());
    // The window around the paper follows the theme.
    const drawing::Pixel around = screen->pixel(kPageMarginX, kPageMarginY);
    EXPECT_EQ(around.red + around.green + around.blue > 3 * 128, !theme.dark) << theme.name;
    // The two status lines: green ("previewing", and the extensions once
    // the check is back), as readable on the band as text must be.
    const drawing::Pixel band = screen->pixel(kBandX, kBandY);
    int green = 0;
    int warning = 0;
    double greenContrast = 0;
    for (int y = 55; y < 95; ++y) {
      for (int x = 24; x < 420; ++x) {
        const drawing::Pixel p = screen->pixel(x, y);
        if (isGreen(p)) greenContrast = std::max(greenContrast, contrast(p, band));
        green += isGreen(p);
        warning += isOrangeOrRed(p);
      }
    }
    EXPECT_GT(green, 50) << theme.name;
    EXPECT_GE(greenContrast, 4.5) << theme.name;
    EXPECT_EQ(warning, 0) << theme.name;
  }
  EXPECT_EQ(pluginkit({"-m"}).out,
            "+    com.orvelin.Maravel.Pelsora(0.1.0)\n+    com.orvelin.Maravel.Tivenna(0.1.0)\n");
}

// Runs the installed window on `files` under Xvfb until its log of states
// holds `until` (or a minute has passed), then saves the screen to `shot`;
// returns the log. The screen is taken once white paper shows (the frame
// drawn may take a while to reach it).
std::string runWindowUntil(const std::vector<std::string>& session, const std::vector<std::string>& files,
                           const std::string& until, const fs::path& shot, const fs::path& program) {
  std::vector<std::string> command = session;
  command.insert(command.begin(), {"-u", "DBUS_SESSION_BUS_ADDRESS"});
  std::string list;
  for (const std::string& file : files) list += " '" + file + "'";
  const fs::path log = shot.parent_path() / (shot.stem().string() + ".log");
  command.insert(
      command.end(),
      {"MARAVEL_LOG_STATE=1", "MARAVEL_TEST_FIND=hedef", "NO_AT_BRIDGE=1", "GDK_BACKEND=x11", "xvfb-run",
       "-a", "-s", "-screen 0 1000x900x24", "/bin/sh", "-c",
       "\"$1\"" + list +
           " 2>\"$2\" & app=$!; i=0; until grep -q \"$3\" \"$2\" || [ $i -ge 240 ]; do "
           "sleep 0.25; i=$((i+1)); done; \"$4\" \"$5\" --until 780,600,FFFFFF; kill $app; wait $app; exit 0",
       "sh", program.string(), log.string(), until, X_SCREENSHOT_PATH, shot.string()});
  runCommand("/usr/bin/env", command);
  return readFile(log);
}

// A document of many pages whose last page alone says "HEDEF".
std::vector<std::uint8_t> longDocument() {
  std::string text, elements;
  for (int i = 0; i < 120; ++i) {
    const std::string line = "Satir " + std::to_string(1000 + i) + (i == 119 ? " HEDEF" : "");
    elements += "<paragraph><content startOffset=\"" + std::to_string(text.size()) + "\" length=\"" +
                std::to_string(line.size()) + "\" /></paragraph>";
    text += line + "\n";
  }
  return testing::makeUdf(
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?><template format_id=\"1.8\"><content><![CDATA[" + text +
      "]]></content><elements resolver=\"hvl-default\">" + elements + "</elements></template>");
}

// Under Xvfb: a word found on the last page is highlighted there, and two
// files open two windows, each titled after its own.
TEST_F(InstalledMaravelTest, FindsOnTheLastPageAndOpensEachFileInItsWindow) {
  if (kSanitized) GTEST_SKIP() << "the window is checked in the plain build";
  const fs::path folder = fs::path(MARAVEL_BINARY_DIR) / "screenshots";
  fs::create_directories(folder);
  const std::string longFile = folder_.write("uzun.udf", longDocument()).string();
  const std::string shortFile =
      folder_.writeText("kısa.udf", std::string(readFile(MARAVEL_BINARY_DIR "/samples/karar.udf"))).string();
  const fs::path program = prefix_ / "bin" / "maravel";
  const std::string found =
      runWindowUntil(sessionEnvironment(), {longFile}, "match painted", folder / "maravel-find.png", program);
  const std::size_t pages = found.find("maravel-state: pages ");
  ASSERT_NE(pages, std::string::npos) << found;
  const std::string count = found.substr(pages + 21, found.find(' ', pages + 21) - pages - 21);
  EXPECT_GT(std::stoi(count), 1);
  EXPECT_NE(found.find("find hedef: 1 matches, current on page " + count + "\n"), std::string::npos) << found;
  EXPECT_EQ(found.find("menu action missing"), std::string::npos) << found;
  const auto screen = drawing::DrawingContext::readPNG(folder / "maravel-find.png");
  ASSERT_TRUE(screen.has_value());
  int highlighted = 0;  // the current match's orange over white paper
  for (int y = 200; y < 740; ++y) {
    for (int x = 30; x < 850; ++x) {
      const drawing::Pixel p = screen->pixel(x, y);
      highlighted += p.red > 240 && p.green > 170 && p.green < 215 && p.blue > 90 && p.blue < 140;
    }
  }
  EXPECT_GT(highlighted, 100);

  const std::string both = runWindowUntil(sessionEnvironment(), {longFile, shortFile}, "pages 1 complete",
                                          folder / "maravel-two-windows.png", program);
  EXPECT_NE(both.find("title uzun.udf — Maravel\n"), std::string::npos) << both;
  EXPECT_NE(both.find("title kısa.udf — Maravel\n"), std::string::npos) << both;
}

}  // namespace
}  // namespace maravel
