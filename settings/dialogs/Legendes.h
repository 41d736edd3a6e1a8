#pragma once

class QWidget;

// Makes a caption fit the room the form gives it. The forms were laid out for Tahoma 8 pt;
// where it is missing the substitute face is wider, and a caption running under the next
// control would be cut off. The control takes its caption's natural width up to maxWidth;
// beyond it, its font is condensed, then made smaller (down to 6.5 pt), until it fits.
void AjusterLegende(QWidget* control, int maxWidth);
