#include "platform/crypto/revocation_cache.hpp"

#include <openssl/evp.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>

namespace maravel::crypto {

namespace fs = std::filesystem;

std::string RevocationCache::nameOf(std::string_view kind, std::span<const std::uint8_t> key) {
  unsigned char hash[EVP_MAX_MD_SIZE];
  unsigned int size = 0;
  if (EVP_Digest(key.data(), key.size(), hash, &size, EVP_sha256(), nullptr) != 1) return {};
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out(kind);
  out += '-';
  for (unsigned int i = 0; i < size; ++i) {
    out += kHex[hash[i] >> 4];
    out += kHex[hash[i] & 15];
  }
  return out + ".der";
}

std::optional<std::vector<std::uint8_t>> RevocationCache::read(const std::string& name,
                                                               std::size_t maxBytes) const {
  if (folder_.empty() || name.empty()) return std::nullopt;
  const fs::path path = fs::path(folder_) / name;
  std::error_code error;
  if (!fs::is_regular_file(path, error)) return std::nullopt;
  const std::uintmax_t size = fs::file_size(path, error);
  if (error || size == 0 || size > maxBytes) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
  // One byte more than the size said means the file grew meanwhile: refused.
  if (!in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size)) ||
      in.peek() != std::ifstream::traits_type::eof())
    return std::nullopt;
  return bytes;
}

void RevocationCache::keep(const std::string& name, std::span<const std::uint8_t> bytes) const {
  if (folder_.empty() || name.empty()) return;
  static std::atomic<unsigned> written{0};
  std::error_code error;
  fs::create_directories(folder_, error);
  const fs::path file = fs::path(folder_) / name;
  const fs::path partial = fs::path(folder_) / (name + "." + std::to_string(::getpid()) + "-" +
                                                std::to_string(written++) + ".part");
  bool whole = false;
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    whole = out.good();
  }
  if (whole) fs::rename(partial, file, error);
  if (!whole || error) fs::remove(partial, error);
}

}  // namespace maravel::crypto
