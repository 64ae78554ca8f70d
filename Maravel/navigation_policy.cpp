#include "Maravel/navigation_policy.hpp"

#include <string_view>

namespace maravel {
namespace {

constexpr std::string_view kLoadedPage = "about:blank";

bool isAnchorInPage(std::string_view uri) {
  return uri.size() > kLoadedPage.size() && uri.starts_with(kLoadedPage) && uri[kLoadedPage.size()] == '#';
}

}  // namespace

bool NavigationPolicy::allows(const NavigationRequest& request) {
  using Decision = NavigationRequest::Decision;
  switch (request.decision) {
    case Decision::newWindow:
      return false;
    case Decision::response:
      return request.uri == kLoadedPage;
    case Decision::navigation:
      break;
  }
  if (isAnchorInPage(request.uri)) return true;
  return request.cause == NavigationRequest::Cause::other && request.uri == kLoadedPage;
}

bool NavigationPolicy::offersInContextMenu(ContextMenuAction action) {
  return action == ContextMenuAction::copy || action == ContextMenuAction::selectAll;
}

}  // namespace maravel
