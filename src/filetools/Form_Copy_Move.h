#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace quenlit {

struct AppContext;
class CopyFilesTool;

// The copy window: copies the files of 文件全路径集合 into one folder.
class Form_Copy_Move : public QDialog {
    Q_OBJECT
public:
    explicit Form_Copy_Move(AppContext& context, QWidget* parent = nullptr);
    ~Form_Copy_Move() override;

    CopyFilesTool& tool() const { return *m_tool; }

    QComboBox* Combo1;
    QPushButton* Command3; // "浏览"
    QRadioButton* Option1[5];
    QPushButton* Command1; // "开始" / "停止"
    QPushButton* Command2; // "关闭"
    QProgressBar* ProgressBar1;
    QLabel* Label2; // the current file

protected:
    void done(int result) override;

private:
    void showState();

    CopyFilesTool* m_tool;
};

} // namespace quenlit
