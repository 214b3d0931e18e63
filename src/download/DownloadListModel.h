#pragma once

#include "DownloadRow.h"
#include "KeyedTableModel.h"

#include <QHash>
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
        FolderColumn,
        // View data of the rows that download; never saved.
        SpeedColumn,
        TimeLeftColumn
    };
    enum Role { StateRole = Qt::UserRole + 1 };

    // What the speed and time-left cells of a downloading row show.
    struct TransferCells {
        QString speed;
        QString timeLeft;
        bool operator==(const TransferCells&) const = default;
    };

    explicit DownloadListModel(QObject* parent = nullptr);

    // Appends a waiting row named text; false when the key is already there.
    bool append(const QString& key, const QString& text);
    // The picture of a state code; set by the window, which owns the pictures.
    void setStateDecoration(std::function<QVariant(qint16 state)> decoration);

    // Shown while the row downloads; views hear of the two cells only.
    void setTransferCells(int position, const TransferCells& cells);
    // Forgets the cells kept for a key. A row that no longer downloads shows none anyway, so
    // views need not hear of it.
    void dropTransferCells(const QString& key);

protected:
    QString cell(const DownloadRow& row, int column) const override;
    QVariant extraData(const DownloadRow& row, int column, int role) const override;

private:
    std::function<QVariant(qint16)> m_decoration;
    QHash<QString, TransferCells> m_transfers; // by key, downloading rows only
};

} // namespace quenlit
