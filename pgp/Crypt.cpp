// Encrypt and decrypt commands of the main window.
#include "app/Main.h"

void TMainForm::Encrypttext1Click() {}
void TMainForm::Decrypttext1Click() {}
void TMainForm::EncryptFileItemClick() {}
void TMainForm::DecryptFileItemClick() {}
