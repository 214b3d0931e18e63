#pragma once

#include <QCoroTask>
#include <QDialog>

class QComboBox;
class QPushButton;
class QRadioButton;

namespace quenlit {

struct AppContext;
class WorkScope;

// The save-folder dialog: the target folder and how files are named.
class fSeleFileSavePath : public QDialog {
    Q_OBJECT
public:
    explicit fSeleFileSavePath(AppContext& context, QWidget* parent = nullptr);

    // Shows the dialog modally; the live values say what was chosen.
    static void ask(AppContext& context, QWidget* parent);
    // The same from long work: the dialog is opened and awaited; when the scope is
    // cancelled meanwhile, it closes as cancelled.
    static QCoro::Task<> askAwaited(AppContext& context, QWidget* parent, WorkScope& scope);

    QComboBox* Combo1;
    QPushButton* Command1;
    QRadioButton* Option1;
    QRadioButton* Option2;
    QPushButton* Command2;
    QPushButton* Command3;

protected:
    void reject() override;

private:
    QString recentFoldersPath() const;

    AppContext& m_context;
};

} // namespace quenlit
