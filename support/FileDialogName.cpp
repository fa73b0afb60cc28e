#include "support/FileDialogName.h"

#include <QFileDialog>
#include <QLineEdit>

void ClearFileName(QFileDialog* dialog) {
    // selectFile ignores an empty name, so the box is reached directly.
    if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) name->clear();
}
