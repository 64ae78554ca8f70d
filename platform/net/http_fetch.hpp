// Fetching over HTTP(S) for the online signature check, with libcurl. Only
// `udfverify --online` and the window's online action reach here; previews,
// thumbnails, text and PDF never do.
//
// Every fetch is bounded: http and https only (redirects too, at most
// kMaxRedirects), at most `maxBytes` of body (a longer answer is dropped
// as it streams in, never held whole), and `timeout` for the whole
// exchange. A failure of any kind (refused, timed out, an HTTP error
// status, too long) is an empty answer.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/crypto/trust_store.hpp"

namespace maravel::net {

inline constexpr long kMaxRedirects = 3;

std::optional<std::vector<std::uint8_t>> httpGet(const std::string& url, std::size_t maxBytes,
                                                 std::chrono::seconds timeout);

std::optional<std::vector<std::uint8_t>> httpPost(const std::string& url, std::span<const std::uint8_t> body,
                                                  const std::string& contentType, std::size_t maxBytes,
                                                  std::chrono::seconds timeout);

// The access an online signature check uses: 5 s for an answer of up to
// 1 MiB (an issuing certificate, an OCSP answer), 60 s for a larger one
// (a CRL).
crypto::OnlineAccess onlineAccess();

}  // namespace maravel::net
