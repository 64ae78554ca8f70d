#include "Maravel/gtk/print_operation.hpp"

#include <cairo-pdf.h>
#include <glib/gstdio.h>

#include <string>
#include <utility>

namespace maravel {
namespace {

constexpr const char* kJobKey = "maravel-print-job";

// Says a failure once, whether the operation's result or its done signal
// brings it first.
struct FailureReport {
  std::function<void()> failed;
  bool reported = false;

  void report() {
    if (reported || !failed) return;
    reported = true;
    failed();
  }
};

GtkPageSetup* pageSetupFor(const PrintPaper& paper) {
  GtkPageSetup* setup = gtk_page_setup_new();
  GtkPaperSize* size = gtk_paper_size_new(paper.name.c_str());
  gtk_page_setup_set_paper_size_and_default_margins(setup, size);
  gtk_paper_size_free(size);
  gtk_page_setup_set_orientation(
      setup, paper.landscape ? GTK_PAGE_ORIENTATION_LANDSCAPE : GTK_PAGE_ORIENTATION_PORTRAIT);
  return setup;
}

// The document's file name without its ".udf".
std::string baseName(const std::string& title) {
  const std::size_t dot = title.rfind('.');
  return dot == std::string::npos || dot == 0 ? title : title.substr(0, dot);
}

void tell(GtkWindow* parent, const char* message, const char* detail) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  GtkWidget* dialog =
      gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_CLOSE, "%s", message);
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", detail);
  G_GNUC_END_IGNORE_DEPRECATIONS
  g_signal_connect(dialog, "response", G_CALLBACK(gtk_window_destroy), nullptr);
  gtk_window_present(GTK_WINDOW(dialog));
}

}  // namespace

GtkPrintOperation* PrintOperation::create(std::shared_ptr<PrintJob> job) {
  GtkPrintOperation* operation = gtk_print_operation_new();
  gtk_print_operation_set_job_name(operation, job->title().c_str());
  gtk_print_operation_set_n_pages(operation, job->pageCount());
  // The layout places everything on the whole sheet, margins included.
  gtk_print_operation_set_unit(operation, GTK_UNIT_POINTS);
  gtk_print_operation_set_use_full_page(operation, TRUE);
  gtk_print_operation_set_embed_page_setup(operation, TRUE);
  GtkPageSetup* setup = pageSetupFor(job->paper());
  gtk_print_operation_set_default_page_setup(operation, setup);
  g_object_unref(setup);
  GtkPrintSettings* settings = gtk_print_settings_new();
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_BASENAME, baseName(job->title()).c_str());
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gtk_print_operation_set_print_settings(operation, settings);
  g_object_unref(settings);
  g_object_set_data_full(G_OBJECT(operation), kJobKey, new std::shared_ptr<PrintJob>(std::move(job)),
                         [](gpointer data) { delete static_cast<std::shared_ptr<PrintJob>*>(data); });
  g_signal_connect(operation, "draw-page", G_CALLBACK(drawPage), nullptr);
  g_signal_connect(operation, "preview", G_CALLBACK(preview), nullptr);
  return operation;
}

void PrintOperation::run(GtkWindow* parent, std::shared_ptr<PrintJob> job, std::function<void()> failed) {
  GtkPrintOperation* operation = create(std::move(job));
  gtk_print_operation_set_allow_async(operation, TRUE);
  auto* report = new FailureReport{std::move(failed)};
  g_signal_connect_data(
      operation, "done", G_CALLBACK(done), report,
      +[](gpointer data, GClosure*) { delete static_cast<FailureReport*>(data); }, GConnectFlags(0));
  GError* error = nullptr;
  const GtkPrintOperationResult result =
      gtk_print_operation_run(operation, GTK_PRINT_OPERATION_ACTION_PRINT_DIALOG, parent, &error);
  g_clear_error(&error);
  if (result == GTK_PRINT_OPERATION_RESULT_ERROR) report->report();
  // A dialog still open holds its own reference.
  g_object_unref(operation);
}

void PrintOperation::drawPage(GtkPrintOperation* operation, GtkPrintContext* context, int page, gpointer) {
  auto* job = static_cast<std::shared_ptr<PrintJob>*>(g_object_get_data(G_OBJECT(operation), kJobKey));
  (*job)->drawPage(page, gtk_print_context_get_cairo_context(context),
                   {gtk_print_context_get_width(context), gtk_print_context_get_height(context)});
}

void PrintOperation::done(GtkPrintOperation*, GtkPrintOperationResult result, gpointer report) {
  if (result == GTK_PRINT_OPERATION_RESULT_ERROR) static_cast<FailureReport*>(report)->report();
}

namespace {

// The preview being written: a PDF file that the print operation draws
// its pages into through its own print context, then shown.
struct PreviewFile {
  std::string path;
  GtkWindow* parent = nullptr;
  GAppInfo* viewer = nullptr;  // none: only say so
  cairo_surface_t* surface = nullptr;
  cairo_t* cr = nullptr;

  ~PreviewFile() {
    if (cr != nullptr) cairo_destroy(cr);
    if (surface != nullptr) cairo_surface_destroy(surface);
    if (viewer != nullptr) g_object_unref(viewer);
  }
};

void showPreview(GtkPrintOperationPreview* preview, PreviewFile* file) {
  int pages = 0;
  g_object_get(preview, "n-pages", &pages, nullptr);
  for (int page = 0; file->viewer != nullptr && page < pages; ++page) {
    if (gtk_print_operation_preview_is_selected(preview, page))
      gtk_print_operation_preview_render_page(preview, page);
  }
  gtk_print_operation_preview_end_preview(preview);
  if (file->viewer == nullptr) {
    tell(file->parent, "Önizleme açılamadı",
         "Bu bilgisayarda PDF görüntüleyici yok. Yazdırılacak sayfalar Maravel'in "
         "“Sayfalar” görünümündekilerle aynıdır.");
    return;
  }
  cairo_surface_finish(file->surface);
  char* uri = cairo_surface_status(file->surface) == CAIRO_STATUS_SUCCESS
                  ? g_filename_to_uri(file->path.c_str(), nullptr, nullptr)
                  : nullptr;
  GList* uris = uri != nullptr ? g_list_append(nullptr, uri) : nullptr;
  if (uris == nullptr || !g_app_info_launch_uris(file->viewer, uris, nullptr, nullptr))
    tell(file->parent, "Önizleme açılamadı",
         "Önizleme dosyası yazılamadı ya da PDF görüntüleyici başlatılamadı.");
  g_list_free(uris);
  g_free(uri);
}

// Once for each preview: the handler and its file go when it has run.
void previewReady(GtkPrintOperationPreview* preview, GtkPrintContext*, gpointer data) {
  showPreview(preview, static_cast<PreviewFile*>(data));
  g_signal_handlers_disconnect_by_data(preview, data);
}

}  // namespace

gboolean PrintOperation::preview(GtkPrintOperation* operation, GtkPrintOperationPreview* preview,
                                 GtkPrintContext* context, GtkWindow* parent, gpointer) {
  auto* job = static_cast<std::shared_ptr<PrintJob>*>(g_object_get_data(G_OBJECT(operation), kJobKey));
  auto* file = new PreviewFile;
  file->parent = parent;
  file->viewer = g_app_info_get_default_for_type("application/pdf", FALSE);
  GtkPageSetup* setup = gtk_print_context_get_page_setup(context);
  const double width = gtk_page_setup_get_paper_width(setup, GTK_UNIT_POINTS);
  const double height = gtk_page_setup_get_paper_height(setup, GTK_UNIT_POINTS);
  if (file->viewer != nullptr) {
    const std::string folder = std::string(g_get_user_runtime_dir()) + "/maravel";
    g_mkdir_with_parents(folder.c_str(), 0700);
    file->path = folder + "/" + baseName((*job)->title()) + " (önizleme).pdf";
    file->surface = cairo_pdf_surface_create(file->path.c_str(), width, height);
  } else {
    file->surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);  // nothing is drawn
  }
  file->cr = cairo_create(file->surface);
  // The operation draws the pages on its context; it must hold one.
  gtk_print_context_set_cairo_context(context, file->cr, 72, 72);
  g_signal_connect_data(
      preview, "ready", G_CALLBACK(previewReady), file,
      +[](gpointer data, GClosure*) { delete static_cast<PreviewFile*>(data); }, GConnectFlags(0));
  return TRUE;
}

}  // namespace maravel
