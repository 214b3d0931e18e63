#pragma once

#include <QString>

class QComboBox;
class QWidget;

namespace quenlit {

// The folder chooser; the chosen folder, or the start path when cancelled, ending in "/".
QString BrowseForFolder(QWidget* owner, const QString& startPath, const QString& prompt);
// Widens a folder list's drop-down so that its longest entry can be read.
void FitDropDownWidth(QComboBox* list);

} // namespace quenlit
