// The key management commands of the PGP menu and the choice of the default
// signing ID. Each takes the run's context, the key list it offers and the
// shared file dialog it asks with; none re-reads the key list (the caller
// does where PGP changed it).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "keys/keylisting.h"
#include "pgp/context.h"
#include "ui/dialog.h"

// Runs PGP's key generation in its console.
void GenerateKeys(const pgp::Context& ctx);
// Asks for a key file and adds it; true when PGP ran on it.
bool AddKey(const pgp::Context& ctx, ui::FileDialog& openDialog, HWND owner);
// Asks for a key and a file name and extracts the key, armoured when chosen.
void ExtractKey(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys, ui::FileDialog& saveDialog,
                HWND owner);
// Asks for a key and removes it from the ring; true when PGP ran on it.
bool RemoveKey(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys);
// Asks for a key and shows its fingerprint, or says none was found.
void ShowKeyFingerprint(const pgp::Context& ctx, const std::vector<keys::KeyEntry>& keys);
// Asks for the default signing ID, `current` selected where an entry's text
// equals it; the text chosen, or nothing on Cancel, when it cannot be passed
// to PGP or when another listed key shares its key ID (its error box shown).
// The caller stores it.
std::optional<std::string> ChooseDefaultSigningId(const std::vector<keys::KeyEntry>& keys, const std::string& current);
