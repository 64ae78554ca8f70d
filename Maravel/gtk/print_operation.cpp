#include "Maravel/gtk/print_operation.hpp"

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
  g_object_set_data_full(G_OBJECT(operation), kJobKey, new std::shared_ptr<PrintJob>(std::move(job)),
                         [](gpointer data) { delete static_cast<std::shared_ptr<PrintJob>*>(data); });
  g_signal_connect(operation, "draw-page", G_CALLBACK(drawPage), nullptr);
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

}  // namespace maravel
