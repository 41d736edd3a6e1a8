#pragma once

// Installs Qt's French translation, compiled into the program, on the application object
// (which must exist): the standard file and folder dialogs, the message box buttons and every
// other text Qt itself draws or returns come out in French whatever the session's language.
// Call it once, before any dialog; false when the catalogue could not be loaded.
bool InstallQtFrenchTranslation();
