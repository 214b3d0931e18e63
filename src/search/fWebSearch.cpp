#include "fWebSearch.h"

#include "AppContext.h"

#include <QCloseEvent>
#include <QMenuBar>

namespace quenlit {

fWebSearch::fWebSearch(AppContext& context, QWidget* parent)
    : QMainWindow(parent)
    , m_context(context) {
    setObjectName(u"fWebSearch"_qs);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(u"必应页面数据检索分析-Quenlit"_qs);
    resize(1100, 760);
    QMenu* help = menuBar()->addMenu(u"帮助(&H)"_qs);
    help->addAction(u"关于(&A)"_qs, this, [this] {
        if (m_context.showAbout)
            m_context.showAbout(this);
    });
    context.forms.formLoaded(objectName());
}

fWebSearch::~fWebSearch() {
    m_context.forms.formUnloaded(objectName());
}

void fWebSearch::closeEvent(QCloseEvent* event) {
    m_context.forms.formUnloaded(objectName());
    event->accept();
    emit closed();
}

} // namespace quenlit
