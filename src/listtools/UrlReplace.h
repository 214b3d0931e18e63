#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace quenlit {

class FileTools;
class MessageSink;

// "网址批量替换": replaces a piece of text in every address of the download list.
class UrlReplace : public QDialog {
    Q_OBJECT
public:
    UrlReplace(FileTools& tools, MessageSink& messages, QWidget* parent = nullptr);

    QLineEdit* Text1;
    QLineEdit* Text2;
    QPushButton* Command1; // "替换"
    QPushButton* Command2; // "取消"

private:
    void replace();

    FileTools& m_tools;
    MessageSink& m_messages;
};

} // namespace quenlit
