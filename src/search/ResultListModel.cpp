#include "ResultListModel.h"

namespace quenlit {

ResultListModel::ResultListModel(QObject* parent)
    : KeyedTableModel({u"标题"_qs, u"类型"_qs, u"分析状态"_qs, u"保存路径"_qs, u" "_qs}, parent) {}

QString ResultListModel::cell(const ResultRow& row, int column) const {
    switch (column) {
    case TitleColumn:
        return row.title;
    case TypeColumn:
        return row.type;
    case StatusColumn:
        return row.status;
    case FolderColumn:
        return row.saveFolder;
    default:
        return {};
    }
}

} // namespace quenlit
