// Who vouches for a signer: throwaway hierarchies shaped like the Turkish
// providers' (tools/test_signer), their issuing certificates and CRLs served
// by a local HTTP server and their revocation by `openssl ocsp` responders,
// all on 127.0.0.1, started and stopped here. One table, run in order: the
// issuer and revocation caches a row fills are what a later row reads. The
// window's online action is checked below its widgets, through the
// controller the menu item calls.

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

#include "Maravel/main_window_controller.hpp"
#include "platform/net/http_fetch.hpp"
#include "reader/signature_verifier.hpp"
#include "tests/support/recording_surface.hpp"
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

// How an authority answers for CAHİT: an OCSP responder, none at the
// address its certificates name, or only a CRL (its certificates name no
// responder).
enum class Answers { ocsp, ocspDown, crl };

// A hierarchy whose issuing certificate (and CRL) is served under /NAME,
// answering with `status` for CAHİT ("V", or "R" with a date before his
// signing time).
struct Authority {
  Authority(const testing::ScratchFolder& folder, int http, const std::string& name,
            const std::string& status, Answers answers)
      : ocspPort(freePort()),
        signer({url(http, "/" + name), answers == Answers::crl ? "" : url(ocspPort), {}}) {
    const std::filesystem::path dir = folder.path() / name;
    std::filesystem::create_directories(dir / "anchor");
    folder.write(name + "/issuing.der", signer.authorityDer());
    folder.writeText(name + "/anchor/root.pem", signer.rootPem());
    folder.writeText(name + "/ca.pem", signer.authorityPem());
    folder.writeText(name + "/ca.key", signer.authorityKeyPem());
    folder.writeText(name + "/index.txt", status + "\t291101000000Z\t" +
                                              (status == "V" ? "" : "261201000000Z") + "\t" +
                                              TestSigner::kSignerSerialHex + "\tunknown\t/CN=CAHIT\n");
    if (answers == Answers::crl) {
      const std::string at = dir.string() + "/";
      folder.writeText(name + "/ca.cnf", "[ca]\ndefault_ca = d\n[d]\ndatabase = " + at +
                                             "index.txt\ndefault_md = sha256\ndefault_crl_days = 1\n");
      const auto openssl = [](const std::vector<std::string>& arguments) {
        return testing::runCommand("openssl", arguments).status;
      };
      EXPECT_EQ(openssl({"ca", "-gencrl", "-config", at + "ca.cnf", "-cert", at + "ca.pem", "-keyfile",
                         at + "ca.key", "-out", at + "crl.pem"}),
                0);
      EXPECT_EQ(openssl({"crl", "-in", at + "crl.pem", "-outform", "DER", "-out", at + "issuing.crl"}), 0);
    }
    if (answers == Answers::ocsp)
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

// What happens before a row: every server stops (what the caches kept must
// do), or every kept revocation answer is replaced by junk.
enum class Before { nothing, serversStop, answersSpoilt };

struct Row {
  const char* what;
  const Authority* authority;  // null: the forgery, judged against the shipped anchors
  bool anchored;               // the authority's root is the anchor, else there is none
  TestSigner::Options options;
  bool online;
  ChainTrust chain;
  Revocation revocation;
  SignatureState state;
  Before before = Before::nothing;
};

TEST(SignatureTrustTest, ChainsRevocationAndStates) {
  const testing::ScratchFolder folder;
  const int http = freePort();
  std::optional<Server> files;
  files.emplace(std::vector<std::string>{"python3", "-u", "-m", "http.server", "--bind", "127.0.0.1",
                                         std::to_string(http)},
                folder.path(), "http.log", "Serving HTTP");
  Authority good(folder, http, "a", "V", Answers::ocsp), revoked(folder, http, "b", "R", Answers::ocsp),
      down(folder, http, "c", "V", Answers::ocspDown), crlOnly(folder, http, "d", "R", Answers::crl);
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
      {"issuer and OCSP answer cached, offline", &good, true, {.carried = Carried::signers}, false, C::trusted, R::good,
       S::trusted},
      {"not qualified", &good, true, {.notQualified = true}, false, C::notQualified, R::notChecked, S::identityUnconfirmed},
      {"expired at signing", &good, true, {.expiredCertificate = true}, false, C::expiredAtSigning, R::notChecked,
       S::identityUnconfirmed},
      {"revoked before signing", &revoked, true, {}, true, C::trusted, R::revoked, S::identityUnconfirmed},
      {"responder down", &down, true, {.carried = Carried::withIssuing}, true, C::trusted, R::unavailable,
       S::identityUnconfirmed},
      {"a real root's name, another key", nullptr, true, {}, true, C::untrustedRoot, R::notChecked, S::identityUnconfirmed},
      {"no OCSP, revoked in the CRL", &crlOnly, true, {}, true, C::trusted, R::revoked, S::identityUnconfirmed},
      {"OCSP answer reused, servers stopped", &good, true, {}, true, C::trusted, R::good, S::trusted,
       Before::serversStop},
      {"CRL reused offline", &crlOnly, true, {}, false, C::trusted, R::revoked, S::identityUnconfirmed},
      {"kept OCSP answer spoilt", &good, true, {}, false, C::trusted, R::notChecked, S::trusted, Before::answersSpoilt},
      {"kept CRL spoilt", &crlOnly, true, {}, true, C::trusted, R::unavailable, S::identityUnconfirmed},
  };
  // clang-format on
  const std::filesystem::path answers = folder.path() / "revocation";
  for (const Row& row : rows) {
    if (row.before == Before::serversStop) {
      files.reset();
      good.responder.reset();
      revoked.responder.reset();
    }
    if (row.before == Before::answersSpoilt) {
      for (const auto& kept : std::filesystem::directory_iterator(answers))
        std::filesystem::resize_file(kept.path(), std::filesystem::file_size(kept.path()) - 1);
    }
    crypto::TrustPlaces places{{}, (folder.path() / "cache").string(), answers.string()};
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

// "İmzaları Çevrimiçi Denetle", as the Dosya menu calls it: a document whose
// issuing certificate is not carried shows amber until the action fetches
// it and asks the responder, then green, with the standard places (the
// anchor and cache folders the environment names).
TEST(SignatureTrustTest, TheWindowsOnlineActionTurnsTheBadgeGreen) {
  const testing::ScratchFolder folder;
  const int http = freePort();
  const Server files({"python3", "-u", "-m", "http.server", "--bind", "127.0.0.1", std::to_string(http)},
                     folder.path(), "http.log", "Serving HTTP");
  const Authority authority(folder, http, "a", "V", Answers::ocsp);
  ::setenv("MARAVEL_TRUST_DIRS", authority.anchors.c_str(), 1);
  ::setenv("XDG_CACHE_HOME", (folder.path() / "cache").c_str(), 1);
  constexpr std::string_view kDocument = R"(<?xml version="1.0" encoding="UTF-8" ?>
<template format_id="1.8" ><content><![CDATA[KARAR]]></content>
<elements resolver="hvl-default"><paragraph><content startOffset="0" length="5" /></paragraph></elements></template>)";
  const auto signature = authority.signer.sign(testing::bytes(kDocument), {.carried = Carried::signers});
  const auto path = folder.write(
      "imzali.udf",
      testing::makeUdf(kDocument, std::nullopt, std::string(signature.begin(), signature.end())));
  testing::SurfaceLog log;
  const auto controller =
      MainWindowController::create(std::make_unique<testing::RecordingSurface>(log), HostInstallation{},
                                   [](auto&&...) { return std::string(); });
  controller->openFile(path.string());
  ASSERT_EQ(log.documents.size(), 1u);
  EXPECT_EQ(log.documents[0].document->signature.chain, ChainTrust::issuerMissing);
  EXPECT_EQ(log.documents[0].badge.colour, StatusColour::warning);
  log.actions.checkSignaturesOnline();
  ASSERT_EQ(log.documents.size(), 2u);
  const Signer& signer = log.documents[1].document->signature.signers.at(0);
  EXPECT_EQ(signer.chain, ChainTrust::trusted);
  EXPECT_EQ(signer.revocation, Revocation::good);
  EXPECT_EQ(log.documents[1].badge.colour, StatusColour::success);
  EXPECT_NE(log.pages.back().find("iptal durumu: geçerli"), std::string::npos);
}

}  // namespace
}  // namespace maravel
