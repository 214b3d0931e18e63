#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace quenlit {

class Registry;
class Shell;
class MessageSink;

// The about window: program version and the system description, which can be copied.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(const QString& systemDescription, const Registry& registry, Shell& shell,
             MessageSink& messages, QWidget* parent = nullptr);

    QPlainTextEdit* Text1;
    QPushButton* Command1;
    QPushButton* cmdSysInfo;
    QPushButton* cmdOK;

signals:
    void closed();

protected:
    void done(int result) override;
};

} // namespace quenlit
