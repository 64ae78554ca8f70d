#include "Maravel/gtk/drop_view.hpp"

#include <optional>

#include "Maravel/open_requests.hpp"

namespace maravel {
namespace {

constexpr const char* kHint =
    "💡 Finder'da herhangi bir .udf dosyası seçip Boşluk (Space) tuşuna basın veya test etmek için buraya "
    "sürükleyin";

// The local path of the first file of the drag; nothing for an empty list or
// a file with no local path.
std::optional<std::string> firstLocalPath(const GValue* value) {
  if (!G_VALUE_HOLDS(value, GDK_TYPE_FILE_LIST)) return std::nullopt;
  GSList* files = gdk_file_list_get_files(static_cast<GdkFileList*>(g_value_get_boxed(value)));
  std::optional<std::string> path;
  if (files != nullptr) {
    if (char* local = g_file_get_path(G_FILE(files->data))) {
      path = local;
      g_free(local);
    }
  }
  g_slist_free(files);
  return path;
}

}  // namespace

DropView::DropView() : frame_(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0)) {
  gtk_widget_add_css_class(frame_, "drop-zone");
  gtk_widget_set_vexpand(frame_, FALSE);  // the centred hint must not make the zone grow
  GtkWidget* hint = gtk_label_new(kHint);
  gtk_widget_add_css_class(hint, "hint-label");
  gtk_widget_add_css_class(hint, "dim-label");
  gtk_label_set_justify(GTK_LABEL(hint), GTK_JUSTIFY_CENTER);
  gtk_label_set_ellipsize(GTK_LABEL(hint), PANGO_ELLIPSIZE_END);
  gtk_widget_set_margin_start(hint, 10);
  gtk_widget_set_margin_end(hint, 10);
  gtk_widget_set_vexpand(hint, TRUE);
  gtk_widget_set_valign(hint, GTK_ALIGN_CENTER);
  gtk_box_append(GTK_BOX(frame_), hint);

  GtkDropTarget* target = gtk_drop_target_new(GDK_TYPE_FILE_LIST, GDK_ACTION_COPY);
  g_signal_connect(target, "enter", G_CALLBACK(draggingEntered), this);
  g_signal_connect(target, "leave", G_CALLBACK(draggingExited), this);
  g_signal_connect(target, "drop", G_CALLBACK(performDragOperation), this);
  gtk_widget_add_controller(frame_, GTK_EVENT_CONTROLLER(target));
}

void DropView::setHighlighted(bool highlighted) {
  if (highlighted) {
    gtk_widget_add_css_class(frame_, "drop-highlight");
  } else {
    gtk_widget_remove_css_class(frame_, "drop-highlight");
  }
}

GdkDragAction DropView::draggingEntered(GtkDropTarget*, double, double, gpointer self) {
  static_cast<DropView*>(self)->setHighlighted(true);
  return GDK_ACTION_COPY;
}

void DropView::draggingExited(GtkDropTarget*, gpointer self) {
  static_cast<DropView*>(self)->setHighlighted(false);
}

gboolean DropView::performDragOperation(GtkDropTarget*, const GValue* value, double, double, gpointer self) {
  auto* view = static_cast<DropView*>(self);
  view->setHighlighted(false);
  const std::optional<std::string> path = firstLocalPath(value);
  if (!path || !OpenRequests::acceptsDrop(*path)) return FALSE;
  if (view->onFileDropped) view->onFileDropped(*path);
  return TRUE;
}

}  // namespace maravel
