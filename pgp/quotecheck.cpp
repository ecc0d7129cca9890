// The error box for a value that cannot go between double quotes.
#include "pgp/quoting.h"
#include "ui/msgbox.h"

bool CheckPgpValue(const std::string& what, const std::string& value) {
  std::string problem = pgp::QuotingProblem(value);
  if (problem.empty()) return true;
  ui::ErrorBox(what + " cannot be passed to PGP: " + problem + " !");
  return false;
}
