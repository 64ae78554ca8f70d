// Who vouches for a signer: throwaway hierarchies shaped like the Turkish
// providers' (tools/test_signer), their issuing certificates served by a
// local HTTP server and their revocation by `openssl ocsp` responders, all
// on 127.0.0.1, started and stopped here. One table, run in order: the
// issuer cache a row fills is what a later row reads.

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "platform/net/http_fetch.hpp"
#include "reader/signature_verifier.hpp"
#include "tests/support/scratch_folder.hpp"
#include "tools/test_signer.hpp"
#include "tools/zip_writer.hpp"

namespace maravel {
namespace {

using testing::TestSigner;
using Carried = TestSigner::Carried;

// A port nothing listens on now (the kernel's choice, so parallel runs do
// not meet).
int freePort() {
  const int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(s, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(s);
  return ntohs(address.sin_port);
}

// A server process, ready once its log (stdout and stderr, in `log`) says
// `ready`, within 10 s; stopped with the test. (A probing connection would
// not do: `openssl ocsp` stops answering after an empty one.)
class Server {
 public:
  Server(std::vector<std::string> arguments, const std::filesystem::path& folder, const std::string& log,
         const std::string& ready) {
    const std::filesystem::path logFile = folder / log;
    pid_ = ::fork();
    if (pid_ == 0) {
      std::filesystem::current_path(folder);
      if (!std::freopen(logFile.c_str(), "w", stdout) || ::dup2(1, 2) < 0) ::_exit(127);
      std::vector<char*> argv;
      for (std::string& a : arguments) argv.push_back(a.data());
      argv.push_back(nullptr);
      ::execvp(argv[0], argv.data());
      ::_exit(127);
    }
    for (int i = 0; i < 200 && !isReady(logFile, ready); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_TRUE(isReady(logFile, ready)) << arguments[0] << ": " << testing::readFile(logFile);
  }
  ~Server() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
  }

 private:
  static bool isReady(const std::filesystem::path& log, const std::string& ready) {
    return testing::readFile(log).find(ready) != std::string::npos;
  }
  pid_t pid_ = -1;
};

const std::vector<std::uint8_t> kContent =
    testing::bytes("<template><content><![CDATA[KARAR]]></content></template>");

std::string url(int port, const std::string& path = "") {
  return "http://127.0.0.1:" + std::to_string(port) + path;
}

// A hierarchy whose issuing certificate is served under /NAME, answering
// OCSP on its own port with `status` for CAHİT ("V" or "R" with a date).
struct Authority {
  Authority(const testing::ScratchFolder& folder, int http, const std::string& name,
            const std::string& status)
      : ocspPort(freePort()), signer({url(http, "/" + name), url(ocspPort), {}}) {
    const std::filesystem::path dir = folder.path() / name;
    std::filesystem::create_directories(dir / "anchor");
    folder.write(name + "/issuing.der", signer.authorityDer());
    folder.writeText(name + "/anchor/root.pem", signer.rootPem());
    folder.writeText(name + "/ca.pem", signer.authorityPem());
    folder.writeText(name + "/ca.key", signer.authorityKeyPem());
    folder.writeText(name + "/index.txt", status + "\t291101000000Z\t" +
                                              (status == "V" ? "" : "261201000000Z") + "\t" +
                                              TestSigner::kSignerSerialHex + "\tunknown\t/CN=CAHIT\n");
    if (status != "down")
      responder.emplace(std::vector<std::string>{"openssl", "ocsp", "-index", "index.txt", "-port",
                                                 std::to_string(ocspPort), "-rsigner", "ca.pem", "-rkey",
                                                 "ca.key", "-CA", "ca.pem", "-nmin", "10"},
                        dir, "ocsp.log", "ACCEPT");
    anchors = (dir / "anchor").string();
  }
  int ocspPort;
  TestSigner signer;
  std::string anchors;
  std::optional<Server> responder;
};

struct Row {
  const char* what;
  const Authority* authority;  // null: the forgery, judged against the shipped anchors
  bool anchored;               // the authority's root is the anchor, else there is none
  TestSigner::Options options;
  bool online;
  ChainTrust chain;
  Revocation revocation;
  SignatureState state;
};

TEST(SignatureTrustTest, ChainsRevocationAndStates) {
  const testing::ScratchFolder folder;
  const int http = freePort();
  const Server files({"python3", "-u", "-m", "http.server", "--bind", "127.0.0.1", std::to_string(http)},
                     folder.path(), "http.log", "Serving HTTP");
  const Authority good(folder, http, "a", "V"), revoked(folder, http, "b", "R"),
      down(folder, http, "c", "down");
  std::filesystem::remove(folder.path() / "c" / "issuing.der");
  // A root named exactly like Kamu SM's, with a key of its own.
  const std::string kamuRoot = testing::readFile(
      std::string(MARAVEL_SOURCE_DIR) +
      "/packaging/trust/roots/kamu-sm-kok-sertifika-hizmet-saglayicisi-surum-6-aa466d3b.pem");
  const TestSigner forger({{}, {}, kamuRoot});
  const crypto::OnlineAccess access = net::onlineAccess();
  using C = ChainTrust;
  using R = Revocation;
  using S = SignatureState;
  // clang-format off
  const Row rows[] = {
      {"trusted chain", &good, true, {.carried = Carried::withIssuing}, false, C::trusted, R::notChecked, S::trusted},
      {"unknown root", &good, false, {}, false, C::untrustedRoot, R::notChecked, S::identityUnconfirmed},
      {"issuer missing offline", &good, true, {.carried = Carried::signers}, false, C::issuerMissing, R::notChecked,
       S::identityUnconfirmed},
      {"issuer fetched online", &good, true, {.carried = Carried::signers}, true, C::trusted, R::good, S::trusted},
      {"issuer cached, offline", &good, true, {.carried = Carried::signers}, false, C::trusted, R::notChecked, S::trusted},
      {"not qualified", &good, true, {.notQualified = true}, false, C::notQualified, R::notChecked, S::identityUnconfirmed},
      {"expired at signing", &good, true, {.expiredCertificate = true}, false, C::expiredAtSigning, R::notChecked,
       S::identityUnconfirmed},
      {"revoked before signing", &revoked, true, {}, true, C::trusted, R::revoked, S::identityUnconfirmed},
      {"responder down", &down, true, {.carried = Carried::withIssuing}, true, C::trusted, R::unavailable,
       S::identityUnconfirmed},
      {"a real root's name, another key", nullptr, true, {}, true, C::untrustedRoot, R::notChecked, S::identityUnconfirmed},
  };
  // clang-format on
  for (const Row& row : rows) {
    crypto::TrustPlaces places{{}, (folder.path() / "cache").string()};
    if (row.anchored)
      places.anchorFolders = {row.authority ? row.authority->anchors : MARAVEL_SOURCE_DIR "/packaging/trust"};
    const TestSigner& signer = row.authority ? row.authority->signer : forger;
    const SignatureInfo info = SignatureVerifier::verify(signer.sign(kContent, row.options), kContent, places,
                                                         row.online ? &access : nullptr);
    ASSERT_EQ(info.signers.size(), 1u) << row.what;
    EXPECT_EQ(info.signers[0].chain, row.chain) << row.what;
    EXPECT_EQ(info.signers[0].revocation, row.revocation) << row.what;
    EXPECT_EQ(signatureState(info), row.state) << row.what;
  }
}

}  // namespace
}  // namespace maravel
