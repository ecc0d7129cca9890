#include "standins/pgp26/command.h"

#include <cctype>

namespace pgp26 {

std::vector<Token> SplitCommandLine(std::string_view line) {
  std::vector<Token> out;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    if (i >= line.size()) break;
    Token t;
    t.literal = line[i] == '"';
    bool inQuotes = false;
    for (; i < line.size(); ++i) {
      char c = line[i];
      if (c == '"') {
        inQuotes = !inQuotes;
        t.quoted = true;
      } else if (!inQuotes && (c == ' ' || c == '\t')) {
        break;
      } else {
        t.text += c;
      }
    }
    out.push_back(std::move(t));
  }
  return out;
}

namespace {

bool IEquals(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Key-management option after "-k": sets the operation, or returns false.
bool ParseKeyOption(std::string_view rest, Operation& op) {
  if (rest == "v")
    op.op = Op::View;
  else if (rest == "vc" || rest == "cv")
    op.op = Op::ViewFingerprint;
  else if (rest == "g")
    op.op = Op::Generate;
  else if (rest == "a")
    op.op = Op::Add;
  else if (rest == "x")
    op.op = Op::Extract;
  else if (rest == "xa" || rest == "ax") {
    op.op = Op::Extract;
    op.armor = true;
  } else if (rest == "r")
    op.op = Op::Remove;
  else
    return false;
  return true;
}

}  // namespace

ParseResult ParseArguments(const std::vector<Token>& args) {
  ParseResult r;
  Operation& op = r.op;
  std::vector<std::string> positional;
  bool encrypt = false;
  auto fail = [&r](std::string msg) {
    r.error = std::move(msg);
    return r;
  };
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i].text;
    // An option letter that takes a value: attached ("-ufoo", "-u\"\"") or the next token.
    auto value = [&](size_t prefix, std::optional<std::string>& into) -> bool {
      if (a.size() > prefix || args[i].quoted) {
        into = a.substr(prefix);
        return true;
      }
      if (i + 1 >= args.size()) return false;
      into = args[++i].text;
      return true;
    };
    if (!a.empty() && a[0] == '+' && !args[i].literal) {
      std::string_view opt(a);
      opt.remove_prefix(1);
      if (IEquals(opt, "batchmode") || IEquals(opt, "batchmode=on")) op.batch = true;
      if (IEquals(opt, "clearsig") || IEquals(opt, "clearsig=on")) op.clearsig = true;
      if (IEquals(opt, "clearsig=off")) op.clearsig = false;
      continue;  // other configuration switches do not change the work done here
    }
    if (a.size() < 2 || a[0] != '-' || args[i].literal) {
      positional.push_back(a);
      continue;
    }
    if (a[1] == 'k') {
      if (op.op != Op::None || encrypt || op.sign) return fail("Only one command may be given.");
      if (!ParseKeyOption(std::string_view(a).substr(2), op)) return fail("Unknown option: " + a);
      continue;
    }
    if (a[1] == 'u') {
      if (!value(2, op.signer)) return fail("-u needs a user ID.");
      continue;
    }
    if (a[1] == 'z') {
      if (!value(2, op.passPhrase)) return fail("-z needs a pass phrase.");
      continue;
    }
    if (a[1] == 'o') {
      if (!value(2, op.output)) return fail("-o needs a file name.");
      continue;
    }
    if (a[1] == '@') {
      if (!value(2, op.recipientList)) return fail("-@ needs a file name.");
      continue;
    }
    for (size_t j = 1; j < a.size(); ++j) {
      switch (a[j]) {
        case 'e':
          encrypt = true;
          break;
        case 's':
          op.sign = true;
          break;
        case 'a':
          op.armor = true;
          break;
        case 't':
          op.text = true;
          break;
        default:
          return fail("Unknown option: " + a);
      }
    }
    if (op.op != Op::None) return fail("Only one command may be given.");
  }

  auto need = [&](size_t min, size_t max) { return positional.size() >= min && positional.size() <= max; };
  switch (op.op) {
    case Op::View:
    case Op::ViewFingerprint:
      if (!need(0, 2)) return fail("Too many arguments.");
      if (!positional.empty()) op.userId = positional[0];
      break;
    case Op::Generate:
      if (!need(0, 0)) return fail("-kg takes no arguments.");
      break;
    case Op::Add:
      if (!need(1, 2)) return fail("-ka needs a key file.");
      op.file = positional[0];
      break;
    case Op::Extract:
      if (!need(2, 3)) return fail("-kx needs a user ID and a key file.");
      op.userId = positional[0];
      op.file = positional[1];
      break;
    case Op::Remove:
      if (!need(1, 2)) return fail("-kr needs a user ID.");
      op.userId = positional[0];
      break;
    case Op::None:
      if (encrypt) {
        if (positional.empty()) return fail("-e needs a file to encrypt.");
        op.op = Op::Encrypt;
        op.file = positional[0];
        op.recipients.assign(positional.begin() + 1, positional.end());
        if (op.recipients.empty() && !op.recipientList) return fail("No recipients given.");
      } else if (op.sign) {
        if (!need(1, 1)) return fail(positional.empty() ? "-s needs a file to sign." : "Too many arguments.");
        op.op = Op::Sign;
        op.file = positional[0];
      } else {
        if (!need(1, 1)) return fail(positional.empty() ? "No file given." : "Too many arguments.");
        op.op = Op::Decrypt;
        op.file = positional[0];
      }
      break;
    default:
      break;
  }
  if (op.op != Op::Encrypt && encrypt) return fail("Only one command may be given.");
  if (op.op != Op::Encrypt && op.recipientList) return fail("-@ names recipients: it needs -e.");
  return r;
}

std::vector<std::string> ParseRecipientList(std::string_view text) {
  std::vector<std::string> out;
  size_t pos = 0;
  while (pos <= text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.remove_suffix(1);
    // Every line names a recipient, also one that starts with '#'.
    if (!line.empty()) out.emplace_back(line);
    pos = end + 1;
  }
  return out;
}

}  // namespace pgp26
