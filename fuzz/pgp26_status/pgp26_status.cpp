// The PGP command's reading of GnuPG's status lines: every status text maps
// to one of PGP 2.6.3's exit codes, encryption succeeds only with gpg's own success, and
// the signature report is whole CR LF lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "standins/pgp26/command.h"
#include "standins/pgp26/gpg.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

const std::set<int> kExitCodes = {0, 1, 2, 3, 5, 10, 11, 12, 13, 16, 20, 21, 22, 30, 31, 32, 67};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const int gpgExit = data[0] % 3;
  const std::string_view status(reinterpret_cast<const char*>(data) + 1, size - 1);
  for (int code : {pgp26::ExitForEncrypt(gpgExit, status, false), pgp26::ExitForEncrypt(gpgExit, status, true),
                   pgp26::ExitForDecrypt(gpgExit, status), pgp26::ExitForImport(gpgExit, status),
                   pgp26::ExitForExport(gpgExit, status), pgp26::ExitForDelete(gpgExit, status),
                   pgp26::ExitForGenerate(gpgExit, status)})
    Require(kExitCodes.count(code) == 1);
  // Encryption succeeds only with gpg's own success. (Decryption may succeed
  // after gpg failed on another secret key first.)
  if (gpgExit != 0) Require(pgp26::ExitForEncrypt(gpgExit, status, true) != 0);
  const std::string report = pgp26::SignatureReport(status, "Signer");
  Require(report.empty() || (report.size() >= 2 && report.compare(report.size() - 2, 2, "\r\n") == 0));
  for (size_t at = report.find('\n'); at != std::string::npos; at = report.find('\n', at + 1))
    Require(at > 0 && report[at - 1] == '\r');
  const std::string unescaped = pgp26::PercentUnescape(status);
  Require(unescaped.size() <= status.size());
  (void)pgp26::StatusArgs(status, "ERROR");
  (void)pgp26::HasStatus(status, "DECRYPTION_OKAY");
  return 0;
}
