// PGP command lines, all built here. Window-free.
//
// A line is the command prefix (MakePgpCommand: the quoted PGP.EXE and one
// blank) and the options, each value between double quotes as it is (callers
// check values with QuotingProblem first). The blanks are the ones PGP has
// always been given, doubled ones included, and stay byte for byte: with the
// prefix "C:\PGP\PGP.EXE" + one blank written P, a key K, files F, G:
//
//   key listing      P + "-kv"                       "C:\PGP\PGP.EXE" -kv
//   key generation   P + " -kg"                      "C:\PGP\PGP.EXE"  -kg
//   add a key        P + " -ka " + "F"               "C:\PGP\PGP.EXE"  -ka "F"
//   extract a key    P + " -kx" [+ "a"] + " " + "K" + " " + "F"
//                                                    "C:\PGP\PGP.EXE"  -kxa "K" "F"
//   remove a key     P + " -kr " + "K"               "C:\PGP\PGP.EXE"  -kr "K"
//   fingerprint      P + " -kvc " + "K"              "C:\PGP\PGP.EXE"  -kvc "K"
//   encrypt          P + "-e" [+ "s"] [+ "a"] + " " + "F" + " " + recipients [+ " -u" + "ID"]
//                    recipients: "K1" "K2" each followed by one blank, so
//                    " -u" stands after two blanks:
//                                                    "C:\PGP\PGP.EXE" -esa "F" "K1" "K2"  -u"ID"
//                    or, with a list file: "-@ " + "G", no blank after it:
//                                                    "C:\PGP\PGP.EXE" -ea "F" -@ "G"
//                    a file's output named: + " -o " + "O"
//                                                    "C:\PGP\PGP.EXE" -e "F" "K1"  -o "O"
//   clear-sign       P + "-sta " + "F" + " -u" + "ID" + " +clearsig=on"
//                                                    "C:\PGP\PGP.EXE" -sta "F" -u"ID" +clearsig=on
//   decrypt          P + "F" + " -o " + "G"          "C:\PGP\PGP.EXE" "F" -o "G"
//                    (also verifies a clear-signed message into G)
//
// The runner adds " +BatchMode >" and the quoted output file. A pass phrase
// is never on a line: it reaches PGP in its environment.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pgp/context.h"

namespace pgp {

// The prefix of every PGP command line: the quoted path of PGP.EXE in the PGP
// folder, then one blank. The folder is used as given.
std::string MakePgpCommand(std::string_view pgpPath);

std::string KeyListCommand(const Context& ctx);
std::string GenerateKeysCommand(const Context& ctx);
std::string AddKeyCommand(const Context& ctx, std::string_view keyFile);
std::string ExtractKeyCommand(const Context& ctx, std::string_view key, std::string_view keyFile, bool ascii);
std::string RemoveKeyCommand(const Context& ctx, std::string_view key);
std::string FingerprintCommand(const Context& ctx, std::string_view key);

// The recipients of an encryption on the command line: each key quoted and
// followed by one blank.
std::string RecipientArguments(const std::vector<std::string>& keys);

// Encrypts `input`, armoured when `armour`, signed as ctx.idSign when
// ctx.signFiles; `recipients` is RecipientArguments' text, or with ctx.useList
// the name of the recipients list file. PGP writes beside the input, or
// `output` when one is given.
std::string EncryptCommand(const Context& ctx, std::string_view input, bool armour, std::string_view recipients,
                           std::string_view output = {});

// Signs the text file `input` as ctx.idSign into a clear-signed message,
// which PGP writes beside it with the extension "asc".
std::string ClearSignCommand(const Context& ctx, std::string_view input);

// Decrypts `input` into exactly `output`.
std::string DecryptCommand(const Context& ctx, std::string_view input, std::string_view output);

}  // namespace pgp
