#include "tests/support/chromium.hpp"

#include <utility>

namespace maravel::testing {

std::optional<std::string> dumpDOM(const ScratchFolder& folder, std::string_view page, int windowWidth) {
  const auto file = folder.writeText("page.html", page);
  CommandResult run = runCommand(
      "timeout", {"120", kChromium, "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                  "--no-first-run", "--disable-background-networking", "--disable-component-update",
                  "--disable-sync", "--user-data-dir=" + (folder.path() / "profile").string(),
                  "--window-size=" + std::to_string(windowWidth) + ",1400", "--virtual-time-budget=2000",
                  "--dump-dom", "file://" + file.string()});
  if (run.status != 0) return std::nullopt;
  return std::move(run.out);
}

std::optional<std::string> preText(std::string_view dom, std::string_view id) {
  const std::string open = "<pre id=\"" + std::string(id) + "\">";
  const std::size_t start = dom.find(open);
  if (start == std::string_view::npos) return std::nullopt;
  const std::size_t end = dom.find("</pre>", start);
  if (end == std::string_view::npos) return std::nullopt;
  const std::string_view escaped = dom.substr(start + open.size(), end - start - open.size());
  static constexpr std::pair<std::string_view, std::string_view> kEscapes[] = {
      {"&lt;", "<"}, {"&gt;", ">"}, {"&nbsp;", "\u00A0"}, {"&amp;", "&"}};
  std::string text;
  for (std::size_t i = 0; i < escaped.size();) {
    bool replaced = false;
    for (const auto& [entity, character] : kEscapes) {
      if (escaped.substr(i, entity.size()) == entity) {
        text += character;
        i += entity.size();
        replaced = true;
        break;
      }
    }
    if (!replaced) text += escaped[i++];
  }
  return text;
}

}  // namespace maravel::testing
