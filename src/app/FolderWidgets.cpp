#include "FolderWidgets.h"

#include "FolderDialogs.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QScreen>
#include <QStyle>

namespace quenlit {

QString BrowseForFolder(QWidget* owner, const QString& startPath, const QString& prompt) {
    const QString start = FolderChooserStart(startPath);
    QString chosen =
        QFileDialog::getExistingDirectory(owner, prompt, start, QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        chosen = startPath.trimmed().isEmpty() ? start : startPath;
    return chosen.endsWith(u'/') ? chosen : chosen + u'/';
}

void FitDropDownWidth(QComboBox* list) {
    int widest = 0;
    for (int i = 0; i < list->count(); ++i)
        widest = qMax(widest, list->fontMetrics().horizontalAdvance(list->itemText(i)));
    int width = widest + 7;
    if (list->count() >= 9)
        width += list->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    if (const QScreen* screen = list->screen()) {
        const int room = screen->geometry().right() - list->mapToGlobal(QPoint(0, 0)).x();
        if (room > 0)
            width = qMin(width, room);
    }
    list->view()->setMinimumWidth(width);
}

} // namespace quenlit
