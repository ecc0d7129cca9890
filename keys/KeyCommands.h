// The key management commands of the PGP menu and the choice of the default
// signing ID. Each takes the key list it offers and the shared file dialog it
// asks with; none re-reads the key list (the caller does where PGP changed it).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ui/dialog.h"

// Runs PGP's key generation in its console.
void GenerateKeys();
// Asks for a key file and adds it; true when PGP ran on it.
bool AddKey(ui::FileDialog& openDialog, HWND owner);
// Asks for a key and a file name and extracts the key, armoured when chosen.
// The chosen key is named to PGP by keys::KeySelector (its key ID from `keyIds`).
void ExtractKey(const std::vector<std::string>& keys, const std::vector<std::string>& keyIds,
                ui::FileDialog& saveDialog, HWND owner);
// Asks for a key and removes it from the ring; true when PGP ran on it.
bool RemoveKey(const std::vector<std::string>& keys, const std::vector<std::string>& keyIds);
// Asks for a key and shows its fingerprint, or says none was found.
void ShowKeyFingerprint(const std::vector<std::string>& keys, const std::vector<std::string>& keyIds);
// Asks for the default signing ID and stores it with the settings at once.
void ChooseDefaultSigningId(const std::vector<std::string>& keys);
