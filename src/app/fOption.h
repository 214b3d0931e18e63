#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace quenlit {

struct AppContext;

// The options dialog "设置".
class fOption : public QDialog {
    Q_OBJECT
public:
    explicit fOption(AppContext& context, QWidget* parent = nullptr);

    QRadioButton* Option1;
    QRadioButton* Option2;
    QCheckBox* Check1;
    QLineEdit* Text6;
    QLineEdit* Text8;
    QCheckBox* Check2;
    QCheckBox* Check3; // "启动时恢复下载列表"
    QLineEdit* Text1;
    QLineEdit* Text2;
    QPushButton* Command3;
    QComboBox* Combo1;
    QPushButton* Command1;
    QPushButton* Command2;

private:
    void confirm();

    AppContext& m_context;
};

} // namespace quenlit
