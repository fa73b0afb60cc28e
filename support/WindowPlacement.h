#pragma once
// Where the program's windows open.

class QWidget;

// Moves a top-level window, not yet shown, so that its frame is centred on
// the available area of its screen (the screen less panels and docks). The
// window keeps its size; call it once the size is final.
void CentreOnScreen(QWidget* window);
