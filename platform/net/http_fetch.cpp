#include "platform/net/http_fetch.hpp"

#include <curl/curl.h>

#include <memory>
#include <mutex>

namespace maravel::net {

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Easy {
  CURL* handle = nullptr;
  curl_slist* headers = nullptr;
  ~Easy() {
    curl_slist_free_all(headers);
    curl_easy_cleanup(handle);
  }
};

struct Sink {
  Bytes body;
  std::size_t maxBytes = 0;
};

std::size_t collect(char* data, std::size_t size, std::size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const std::size_t bytes = size * count;
  if (bytes > sink->maxBytes - sink->body.size()) return 0;  // too long: libcurl stops
  sink->body.insert(sink->body.end(), data, data + bytes);
  return bytes;
}

std::optional<Bytes> perform(Easy& easy, const std::string& url, std::size_t maxBytes,
                             std::chrono::seconds timeout) {
  static std::once_flag initialised;
  std::call_once(initialised, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (!easy.handle) return std::nullopt;
  Sink sink{{}, maxBytes};
  CURL* h = easy.handle;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(timeout.count() * 1000));
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, collect);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_USERAGENT, "Maravel");
  if (curl_easy_perform(h) != CURLE_OK) return std::nullopt;
  return std::move(sink.body);
}

}  // namespace

std::optional<Bytes> httpGet(const std::string& url, std::size_t maxBytes, std::chrono::seconds timeout) {
  Easy easy{curl_easy_init()};
  return perform(easy, url, maxBytes, timeout);
}

std::optional<Bytes> httpPost(const std::string& url, std::span<const std::uint8_t> body,
                              const std::string& contentType, std::size_t maxBytes,
                              std::chrono::seconds timeout) {
  Easy easy{curl_easy_init()};
  if (!easy.handle) return std::nullopt;
  const std::string header = "Content-Type: " + contentType;
  easy.headers = curl_slist_append(nullptr, header.c_str());
  curl_easy_setopt(easy.handle, CURLOPT_HTTPHEADER, easy.headers);
  curl_easy_setopt(easy.handle, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(easy.handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  return perform(easy, url, maxBytes, timeout);
}

crypto::OnlineAccess onlineAccess() {
  constexpr std::size_t kSmall = 1024 * 1024;
  const auto timeoutFor = [](std::size_t maxBytes) {
    return maxBytes <= kSmall ? std::chrono::seconds(5) : std::chrono::seconds(60);
  };
  return {[timeoutFor](const std::string& url, std::size_t maxBytes) {
            return httpGet(url, maxBytes, timeoutFor(maxBytes));
          },
          [timeoutFor](const std::string& url, std::span<const std::uint8_t> request, std::size_t maxBytes) {
            return httpPost(url, request, "application/ocsp-request", maxBytes, timeoutFor(maxBytes));
          }};
}

}  // namespace maravel::net
