#include "Maravel/gtk/find_bar.hpp"

namespace maravel {
namespace {

// An icon button named for screen readers by its words, not by its icon.
GtkWidget* iconButton(const char* icon, const char* name) {
  GtkWidget* button = gtk_button_new_from_icon_name(icon);
  gtk_widget_set_tooltip_text(button, name);
  gtk_accessible_update_property(GTK_ACCESSIBLE(button), GTK_ACCESSIBLE_PROPERTY_LABEL, name, -1);
  return button;
}

}  // namespace

FindBar::FindBar()
    : revealer_(gtk_revealer_new()), entry_(gtk_search_entry_new()), count_(gtk_label_new("")) {
  GtkWidget* row = gtk_box_new(GTK_ORIENTATION_HORIZONTAL, 6);
  gtk_widget_add_css_class(row, "find-bar");
  gtk_widget_set_margin_start(row, 24);
  gtk_widget_set_margin_end(row, 24);
  gtk_widget_set_margin_top(row, 8);
  gtk_widget_set_hexpand(entry_, TRUE);
  g_object_set(entry_, "placeholder-text", "Belgede bul", nullptr);
  gtk_accessible_update_property(GTK_ACCESSIBLE(entry_), GTK_ACCESSIBLE_PROPERTY_LABEL, "Belgede bul", -1);
  gtk_widget_add_css_class(count_, "status-label");
  gtk_widget_add_css_class(count_, "secondary");
  gtk_accessible_update_property(GTK_ACCESSIBLE(count_), GTK_ACCESSIBLE_PROPERTY_LABEL, "Eşleşme sayısı", -1);
  GtkWidget* previous = iconButton("go-up-symbolic", "Önceki eşleşme");
  GtkWidget* next = iconButton("go-down-symbolic", "Sonraki eşleşme");
  GtkWidget* shut = iconButton("window-close-symbolic", "Bulmayı kapat");
  gtk_box_append(GTK_BOX(row), entry_);
  gtk_box_append(GTK_BOX(row), count_);
  gtk_box_append(GTK_BOX(row), previous);
  gtk_box_append(GTK_BOX(row), next);
  gtk_box_append(GTK_BOX(row), shut);
  gtk_revealer_set_child(GTK_REVEALER(revealer_), row);
  gtk_revealer_set_transition_type(GTK_REVEALER(revealer_), GTK_REVEALER_TRANSITION_TYPE_NONE);
  gtk_widget_set_visible(revealer_, FALSE);
  g_signal_connect(entry_, "search-changed", G_CALLBACK(searchChanged), this);
  g_signal_connect(entry_, "activate", G_CALLBACK(activated), this);
  g_signal_connect(entry_, "stop-search", G_CALLBACK(stopped), this);
  g_signal_connect(entry_, "next-match", G_CALLBACK(activated), this);
  g_signal_connect(entry_, "previous-match", G_CALLBACK(previousClicked), this);
  g_signal_connect(previous, "clicked", G_CALLBACK(previousClicked), this);
  g_signal_connect(next, "clicked", G_CALLBACK(nextClicked), this);
  g_signal_connect(shut, "clicked", G_CALLBACK(closeClicked), this);
  // Typing finds at once: no delay before the first match is painted.
  gtk_search_entry_set_search_delay(GTK_SEARCH_ENTRY(entry_), 0);
}

void FindBar::open() {
  gtk_widget_set_visible(revealer_, TRUE);
  gtk_revealer_set_reveal_child(GTK_REVEALER(revealer_), TRUE);
  gtk_widget_grab_focus(entry_);
  gtk_editable_select_region(GTK_EDITABLE(entry_), 0, -1);
}

void FindBar::findText(const std::string& text) {
  open();
  gtk_editable_set_text(GTK_EDITABLE(entry_), text.c_str());
}

void FindBar::close() {
  if (!isOpen()) return;
  gtk_revealer_set_reveal_child(GTK_REVEALER(revealer_), FALSE);
  // Hidden as well: a revealer closed without a transition may keep its
  // height until something else asks for a new layout.
  gtk_widget_set_visible(revealer_, FALSE);
  showCount("");
  if (closed) closed();
}

bool FindBar::isOpen() const { return gtk_revealer_get_reveal_child(GTK_REVEALER(revealer_)); }

std::string FindBar::text() const { return gtk_editable_get_text(GTK_EDITABLE(entry_)); }

void FindBar::showCount(const std::string& count) {
  gtk_label_set_text(GTK_LABEL(count_), count.c_str());
  gtk_accessible_update_property(GTK_ACCESSIBLE(count_), GTK_ACCESSIBLE_PROPERTY_DESCRIPTION, count.c_str(),
                                 -1);
}

void FindBar::searchChanged(GtkSearchEntry* entry, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  if (bar->changed) bar->changed(gtk_editable_get_text(GTK_EDITABLE(entry)));
}

void FindBar::activated(GtkSearchEntry*, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  if (bar->step) bar->step(true);
}

void FindBar::stopped(GtkSearchEntry*, gpointer self) { static_cast<FindBar*>(self)->close(); }

void FindBar::nextClicked(GtkButton*, gpointer self) { activated(nullptr, self); }

void FindBar::previousClicked(GtkButton*, gpointer self) {
  auto* bar = static_cast<FindBar*>(self);
  if (bar->step) bar->step(false);
}

void FindBar::closeClicked(GtkButton*, gpointer self) { static_cast<FindBar*>(self)->close(); }

}  // namespace maravel
