// The Maildir file names of the mail provider: split into identifier and
// flags, flags added, delivery order, and the identifiers it accepts.
// Invariants: a split name joins back to itself; added flags stay sorted and
// lose none; delivery order is a strict weak order; an accepted identifier
// reaches no other folder, no device and no other name.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "standins/maildir-mapi/store.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view in(reinterpret_cast<const char*>(data), size);
  // Two names, split at the first line break.
  size_t nl = in.find('\n');
  std::string_view a = in.substr(0, nl), b = nl == std::string_view::npos ? std::string_view() : in.substr(nl + 1);

  maildir::FileName n = maildir::SplitFileName(a);
  if (a.find(":2,") != std::string_view::npos)
    Require(maildir::CurName(n) == a);
  else
    Require(n.base == a && n.flags.empty());

  for (char flag : {'S', 'T', b.empty() ? 'R' : b[0]}) {
    std::string added = maildir::AddFlag(n.flags, flag);
    Require(maildir::HasFlag(added, flag));
    Require(added.size() == n.flags.size() + (maildir::HasFlag(n.flags, flag) ? 0 : 1));
    for (size_t i = 1; i < added.size(); ++i) Require(added[i - 1] <= added[i]);
  }

  maildir::DeliveryKey ka = maildir::KeyOf(a), kb = maildir::KeyOf(b);
  Require(ka.base == a && !(ka < ka));
  Require(!(ka < kb && kb < ka));
  Require((ka < kb) || (kb < ka) || a == b);
  if (ka.seconds != UINT64_MAX) Require(!a.empty() && a[0] >= '0' && a[0] <= '9' && a.find('.') != a.npos);

  if (maildir::UsableIdentifier(n.base)) {
    Require(!n.base.empty() && n.base.size() < 256 && n.base[0] != '.' && n.base.back() != '.');
    Require(n.base.find_first_of("/\\*?") == std::string::npos);
  }
  return 0;
}
