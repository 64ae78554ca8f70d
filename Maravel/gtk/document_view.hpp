// The web view that shows the page: JavaScript off, every navigation away
// from the loaded page refused, and a context menu of copy and select-all
// only (so no link is opened or downloaded from it either).
#pragma once

#include <webkit/webkit.h>

namespace maravel {

class DocumentView {
 public:
  // A new web view with those settings and handlers; owned by the widget tree
  // it is added to.
  static WebKitWebView* create();

 private:
  static gboolean decidePolicy(WebKitWebView*, WebKitPolicyDecision* decision, WebKitPolicyDecisionType type,
                               gpointer);
  static gboolean contextMenu(WebKitWebView*, WebKitContextMenu* menu, WebKitHitTestResult*, gpointer);
};

}  // namespace maravel
