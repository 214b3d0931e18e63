#pragma once

#include "KeyedTableModel.h"

namespace quenlit {

// One harvested link.
struct ResultRow {
    QString title;      // "标题"
    QString type;       // "类型": "PDF", "doc", "xls", "ppt", "rtf" or empty
    QString status;     // "分析状态": empty, "成功" or "分析失败"
    QString saveFolder; // "保存路径"
    QString key;        // the link address
    QString tag;        // the result page it was found on
};

// The results list ListView1, in harvest order, each address once.
class ResultListModel : public KeyedTableModel<ResultRow> {
    Q_OBJECT
public:
    enum Column { TitleColumn, TypeColumn, StatusColumn, FolderColumn, SpareColumn };

    explicit ResultListModel(QObject* parent = nullptr);

protected:
    QString cell(const ResultRow& row, int column) const override;
};

} // namespace quenlit
