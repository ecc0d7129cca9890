// The PGP command's reading of GnuPG's status lines and messages: every
// status text maps to one of PGP 2.6.3's exit codes, encryption succeeds only
// with gpg's own success, and the signature report is whole CR LF lines of
// which only the fixed texts begin a line, whatever a signer chose.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "standins/pgp26/command.h"
#include "standins/pgp26/gpg.h"
#include "standins/pgp26/report.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::set<int> kExitCodes = {0, 1, 2, 3, 5, 10, 11, 12, 13, 16, 20, 21, 22, 30, 31, 32, 67};

bool StartsWith(std::string_view s, std::string_view head) { return s.substr(0, head.size()) == head; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int gpgExit = data[0] % 3;
  const std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);
  // Status lines, then (after a NUL) gpg's messages.
  const size_t nul = input.find('\0');
  const std::string_view status = input.substr(0, nul);
  const std::string_view messages = nul == std::string_view::npos ? std::string_view() : input.substr(nul + 1);
  for (int code : {pgp26::ExitForEncrypt(gpgExit, status, false), pgp26::ExitForEncrypt(gpgExit, status, true),
                   pgp26::ExitForSign(gpgExit, status), pgp26::ExitForDecrypt(gpgExit, status),
                   pgp26::ExitForImport(gpgExit, status), pgp26::ExitForExport(gpgExit, status),
                   pgp26::ExitForDelete(gpgExit, status), pgp26::ExitForGenerate(gpgExit, status)})
    Require(kExitCodes.count(code) == 1);
  // Encryption and signing succeed only with gpg's own success. (Decryption
  // may succeed after gpg failed on another secret key first.)
  if (gpgExit != 0)
    Require(pgp26::ExitForEncrypt(gpgExit, status, true) != 0 && pgp26::ExitForSign(gpgExit, status) != 0);

  // The report, with the signer's key named by what the status says.
  pgp26::Key signer;
  signer.keyId = "5D9044BC21FE5CD8";
  signer.bits = 255;
  signer.userIds = {std::string(messages.substr(0, 64))};
  for (const pgp26::SignatureStatus& s : pgp26::ReadSignatures(status, messages)) {
    for (const pgp26::Key* key : {static_cast<const pgp26::Key*>(nullptr), static_cast<const pgp26::Key*>(&signer)}) {
      const std::string report = pgp26::SignatureReportBlock(s, key, data[0] & 4, 1800000000, "C:\\PGP\\pubring.pgp");
      Require(report.size() >= 2 && report.compare(report.size() - 2, 2, "\r\n") == 0);
      for (size_t start = 0; start < report.size();) {
        const size_t end = report.find("\r\n", start);
        Require(end != std::string::npos);
        const std::string_view line = std::string_view(report).substr(start, end - start);
        Require(line.find_first_of("\r\n") == std::string_view::npos);
        Require(line.empty() || StartsWith(line, "Good signature from user \"") ||
                StartsWith(line, "Bad signature from user \"") || StartsWith(line, "Signature made ") ||
                StartsWith(line, "Key matching expected Key ID ") || StartsWith(line, "WARNING: "));
        start = end + 2;
      }
    }
  }
  for (const std::string& fpr : pgp26::SignerFingerprints(status))
    Require(fpr.size() == 40 && fpr.find_first_not_of("0123456789ABCDEF") == std::string::npos);
  const std::string unescaped = pgp26::PercentUnescape(status);
  Require(unescaped.size() <= status.size());
  (void)pgp26::StatusArgs(status, "ERROR");
  (void)pgp26::HasStatus(status, "DECRYPTION_OKAY");
  return 0;
}
