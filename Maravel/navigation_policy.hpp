// What the web view may load. The window shows one page that it loads itself
// (as a string, with no base URI, so the page's address is "about:blank");
// every navigation away from it is refused: a link in a document opens
// nothing, no form is sent, nothing is downloaded and no window is opened.
#pragma once

#include <string>

namespace maravel {

struct NavigationRequest {
  enum class Decision { navigation, newWindow, response };
  enum class Cause { linkClicked, formSubmitted, backForward, reload, formResubmitted, other };

  Decision decision = Decision::navigation;
  Cause cause = Cause::other;
  std::string uri;  // the address asked for
};

// The entries of the web view's context menu that matter here.
enum class ContextMenuAction { copy, selectAll, other };

class NavigationPolicy {
 public:
  // True only for the window's own load of its page (cause "other" to
  // "about:blank", and that page's response) and for a jump to an anchor
  // within the page ("about:blank#..."). Never a new window.
  static bool allows(const NavigationRequest& request);

  // The context menu keeps copy and select-all; it never offers to open,
  // download or reload anything.
  static bool offersInContextMenu(ContextMenuAction action);
};

}  // namespace maravel
