#include "Maravel/gtk/document_view.hpp"

#include <vector>

#include "Maravel/navigation_policy.hpp"

namespace maravel {
namespace {

NavigationRequest::Cause causeOf(WebKitNavigationType type) {
  using Cause = NavigationRequest::Cause;
  switch (type) {
    case WEBKIT_NAVIGATION_TYPE_LINK_CLICKED:
      return Cause::linkClicked;
    case WEBKIT_NAVIGATION_TYPE_FORM_SUBMITTED:
      return Cause::formSubmitted;
    case WEBKIT_NAVIGATION_TYPE_BACK_FORWARD:
      return Cause::backForward;
    case WEBKIT_NAVIGATION_TYPE_RELOAD:
      return Cause::reload;
    case WEBKIT_NAVIGATION_TYPE_FORM_RESUBMITTED:
      return Cause::formResubmitted;
    case WEBKIT_NAVIGATION_TYPE_OTHER:
      break;
  }
  return Cause::other;
}

std::string uriOf(WebKitURIRequest* request) {
  const char* uri = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
  return uri != nullptr ? uri : "";
}

NavigationRequest requestOf(WebKitPolicyDecision* decision, WebKitPolicyDecisionType type) {
  NavigationRequest request;
  if (type == WEBKIT_POLICY_DECISION_TYPE_RESPONSE) {
    request.decision = NavigationRequest::Decision::response;
    request.uri =
        uriOf(webkit_response_policy_decision_get_request(WEBKIT_RESPONSE_POLICY_DECISION(decision)));
    return request;
  }
  request.decision = type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION
                         ? NavigationRequest::Decision::newWindow
                         : NavigationRequest::Decision::navigation;
  WebKitNavigationAction* action =
      webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(decision));
  request.cause = causeOf(webkit_navigation_action_get_navigation_type(action));
  request.uri = uriOf(webkit_navigation_action_get_request(action));
  return request;
}

ContextMenuAction menuActionOf(WebKitContextMenuItem* item) {
  switch (webkit_context_menu_item_get_stock_action(item)) {
    case WEBKIT_CONTEXT_MENU_ACTION_COPY:
      return ContextMenuAction::copy;
    case WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL:
      return ContextMenuAction::selectAll;
    default:
      return ContextMenuAction::other;
  }
}

}  // namespace

WebKitWebView* DocumentView::create() {
  // An ephemeral session keeps cookies, caches and storage in memory: the
  // window writes nothing to disk.
  WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
  auto* view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, nullptr));
  g_object_unref(session);
  WebKitSettings* settings = webkit_web_view_get_settings(view);
  webkit_settings_set_enable_javascript(settings, FALSE);
  webkit_settings_set_enable_javascript_markup(settings, FALSE);
  g_signal_connect(view, "decide-policy", G_CALLBACK(decidePolicy), nullptr);
  g_signal_connect(view, "context-menu", G_CALLBACK(contextMenu), nullptr);
  return view;
}

gboolean DocumentView::decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision,
                                    WebKitPolicyDecisionType type, gpointer) {
  if (NavigationPolicy::allows(requestOf(decision, type))) {
    webkit_policy_decision_use(decision);
  } else {
    webkit_policy_decision_ignore(decision);
  }
  return TRUE;
}

gboolean DocumentView::contextMenu(WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer) {
  std::vector<WebKitContextMenuItem*> refused;
  for (GList* item = webkit_context_menu_get_items(menu); item != nullptr; item = item->next) {
    auto* entry = static_cast<WebKitContextMenuItem*>(item->data);
    if (!NavigationPolicy::offersInContextMenu(menuActionOf(entry))) refused.push_back(entry);
  }
  for (WebKitContextMenuItem* entry : refused) webkit_context_menu_remove(menu, entry);
  // No menu at all rather than an empty one.
  return webkit_context_menu_get_n_items(menu) == 0;
}

}  // namespace maravel
