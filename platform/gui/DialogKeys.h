#pragma once

class QDialog;

// Gives a dialog no default button, as the settings dialogs were designed: Enter typed in an
// edit or a list presses nothing (a default button would save, or move suppliers, on an
// Enter meant for the field). A button that has the focus still answers Enter, as it answers
// Space. Escape closes the dialog as its close box does (QDialog's own handling, kept).
// Call it once the form's buttons are built.
void NoDefaultButton(QDialog& dialog);
