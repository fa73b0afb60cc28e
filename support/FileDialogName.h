#pragma once
// The name box of the toolkit's own file dialog.

class QFileDialog;

// Empties the name box of dialog before it is shown again. The box keeps
// the name of the previous choice, unselected, so that a name typed at the
// next opening would be added to it.
void ClearFileName(QFileDialog* dialog);
