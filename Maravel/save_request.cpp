#include "Maravel/save_request.hpp"

#include <filesystem>

#include "Maravel/open_requests.hpp"
#include "platform/quicklook/file_contents.hpp"

namespace maravel {

SaveRequest SaveRequest::forDocument(std::string_view path, SaveFormat format) {
  std::string name = quicklook::lastPathComponent(std::string(path));
  if (OpenRequests::hasUDFName(name)) name.resize(name.size() - std::string_view(".udf").size());
  return {std::filesystem::path(path).parent_path().string(),
          name + (format == SaveFormat::docx ? ".docx" : ".pdf"), format};
}

}  // namespace maravel
