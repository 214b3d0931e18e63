#pragma once

#include <QMainWindow>

namespace quenlit {

struct AppContext;

// The search window.
class fWebSearch : public QMainWindow {
    Q_OBJECT
public:
    explicit fWebSearch(AppContext& context, QWidget* parent = nullptr);
    ~fWebSearch() override;

signals:
    // The window has been unloaded.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppContext& m_context;
};

} // namespace quenlit
