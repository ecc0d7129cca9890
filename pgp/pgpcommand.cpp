#include "pgp/pgpcommand.h"

#include "pgp/quoting.h"

namespace pgp {

std::string MakePgpCommand(std::string_view pgpPath) {
  std::string s = "\"";
  s += pgpPath;
  s += "\\PGP.EXE\" ";
  return s;
}

std::string KeyListCommand(const Context& ctx) { return ctx.command + "-kv"; }

std::string GenerateKeysCommand(const Context& ctx) { return ctx.command + " -kg"; }

std::string AddKeyCommand(const Context& ctx, std::string_view keyFile) {
  return ctx.command + " -ka " + Quoted(keyFile);
}

std::string ExtractKeyCommand(const Context& ctx, std::string_view key, std::string_view keyFile, bool ascii) {
  return ctx.command + " -kx" + (ascii ? "a" : "") + " " + Quoted(key) + " " + Quoted(keyFile);
}

std::string RemoveKeyCommand(const Context& ctx, std::string_view key) { return ctx.command + " -kr " + Quoted(key); }

std::string FingerprintCommand(const Context& ctx, std::string_view key) {
  return ctx.command + " -kvc " + Quoted(key);
}

std::string RecipientArguments(const std::vector<std::string>& keys) {
  std::string text;
  for (const auto& key : keys) text += Quoted(key) + " ";
  return text;
}

std::string EncryptCommand(const Context& ctx, std::string_view input, bool armour, std::string_view recipients,
                           std::string_view output) {
  std::string line = ctx.command + "-e";
  if (ctx.signFiles) line += "s";
  if (armour) line += "a";
  line += " " + Quoted(input) + " ";
  if (ctx.useList)
    line += "-@ " + Quoted(recipients);
  else
    line += recipients;
  if (ctx.signFiles) line += " -u" + Quoted(ctx.idSign);
  if (!output.empty()) line += " -o " + Quoted(output);
  return line;
}

std::string ClearSignCommand(const Context& ctx, std::string_view input) {
  return ctx.command + "-sta " + Quoted(input) + " -u" + Quoted(ctx.idSign) + " +clearsig=on";
}

std::string DecryptCommand(const Context& ctx, std::string_view input, std::string_view output) {
  return ctx.command + Quoted(input) + " -o " + Quoted(output);
}

}  // namespace pgp
