// The key management commands of the PGP menu and the default signing ID.
#include "app/Main.h"

void TMainForm::Generatekeys1Click() {}
void TMainForm::Addapublickey1Click() {}
void TMainForm::Extractakey1Click() {}
void TMainForm::Removeakey1Click() {}
void TMainForm::GetKeyFingerprint1Click() {}
void TMainForm::DefaultIDforSigning1Click() {}
