#pragma once
#include <QWidget>
#include <string>

class QTextBrowser;
class QPushButton;

namespace vt {

// The program's help window: the manual in a browser, opened at a keyword's topic
// or at its contents. One window serves every request; it stays open beside the
// program's windows until closed.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    HelpWindow(const std::string& manual_path, QWidget* parent = nullptr);

    // Shows the topic of the keyword; the contents for an empty one.
    void show_topic(const std::string& keyword);

    QTextBrowser* browser() const { return browser_; }
    QPushButton* contents_button() const { return contents_; }

private:
    QString manual_;
    QTextBrowser* browser_ = nullptr;
    QPushButton* contents_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* forward_ = nullptr;
};

} // namespace vt
