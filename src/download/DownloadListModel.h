#pragma once

#include "DownloadRow.h"
#include "KeyedTableModel.h"

#include <functional>

namespace quenlit {

// The download list; views show it through ListView3.
class DownloadListModel : public KeyedTableModel<DownloadRow> {
    Q_OBJECT
public:
    enum Column {
        NameColumn,
        TypeColumn,
        SizeColumn,
        DownloadedColumn,
        PercentColumn,
        FolderColumn
    };
    enum Role { StateRole = Qt::UserRole + 1 };

    explicit DownloadListModel(QObject* parent = nullptr);

    // Appends a waiting row named text; false when the key is already there.
    bool append(const QString& key, const QString& text);
    // The picture of a state code; set by the window, which owns the pictures.
    void setStateDecoration(std::function<QVariant(qint16 state)> decoration);

protected:
    QString cell(const DownloadRow& row, int column) const override;
    QVariant extraData(const DownloadRow& row, int column, int role) const override;

private:
    std::function<QVariant(qint16)> m_decoration;
};

} // namespace quenlit
