#include "Maravel/gtk/drop_view.hpp"

#include <optional>

#include "Maravel/open_requests.hpp"
#include "Maravel/window_texts.hpp"

namespace maravel {
namespace {

// The first file of the drag: its local path, else its URI; nothing for an
// empty list.
std::optional<std::string> firstFile(const GValue* value) {
  if (!G_VALUE_HOLDS(value, GDK_TYPE_FILE_LIST)) return std::nullopt;
  GSList* files = gdk_file_list_get_files(static_cast<GdkFileList*>(g_value_get_boxed(value)));
  std::optional<std::string> path;
  if (files != nullptr) {
    GFile* file = G_FILE(files->data);
    char* text = g_file_get_path(file);
    if (text == nullptr) text = g_file_get_uri(file);
    if (text != nullptr) path = text;
    g_free(text);
  }
  g_slist_free(files);
  return path;
}

}  // namespace

DropView::DropView(GtkWidget* area) : frame_(gtk_box_new(GTK_ORIENTATION_VERTICAL, 0)) {
  gtk_widget_add_css_class(frame_, "drop-zone");
  gtk_widget_set_vexpand(frame_, FALSE);  // the centred hint must not make the zone grow
  GtkWidget* hint = gtk_label_new(WindowTexts::dropHint());
  gtk_widget_add_css_class(hint, "hint-label");
  gtk_accessible_update_property(GTK_ACCESSIBLE(hint), GTK_ACCESSIBLE_PROPERTY_LABEL,
                                 WindowTexts::spoken(WindowTexts::dropHint()).c_str(), -1);
  gtk_label_set_justify(GTK_LABEL(hint), GTK_JUSTIFY_CENTER);
  gtk_label_set_ellipsize(GTK_LABEL(hint), PANGO_ELLIPSIZE_END);
  gtk_widget_set_margin_start(hint, 10);
  gtk_widget_set_margin_end(hint, 10);
  gtk_widget_set_vexpand(hint, TRUE);
  gtk_widget_set_valign(hint, GTK_ALIGN_CENTER);
  gtk_box_append(GTK_BOX(frame_), hint);

  // Asked before the widgets under the pointer, so that the page does not
  // take the file for itself.
  GtkDropTarget* target = gtk_drop_target_new(GDK_TYPE_FILE_LIST, GDK_ACTION_COPY);
  gtk_event_controller_set_propagation_phase(GTK_EVENT_CONTROLLER(target), GTK_PHASE_CAPTURE);
  g_signal_connect(target, "enter", G_CALLBACK(draggingEntered), this);
  g_signal_connect(target, "leave", G_CALLBACK(draggingExited), this);
  g_signal_connect(target, "drop", G_CALLBACK(performDragOperation), this);
  gtk_widget_add_controller(area, GTK_EVENT_CONTROLLER(target));
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
  const std::optional<std::string> path = firstFile(value);
  if (!path) return FALSE;
  if (view->onFileDropped) view->onFileDropped(*path);
  return OpenRequests::hasUDFName(*path);
}

}  // namespace maravel
