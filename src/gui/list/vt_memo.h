#pragma once
#include <QDialog>
#include <QStringList>
#include <string>
#include <vector>

class QPlainTextEdit;
class QPushButton;

namespace vt {

class MainWindowContext;

// The list text editor: every line of the list as one entry line of text. Modal;
// OK replaces the list's lines with the text's, Cancel keeps them.
class TEdit_vtl_Form final : public QDialog {
    Q_OBJECT
public:
    explicit TEdit_vtl_Form(MainWindowContext& main);

    // Puts the lines into the text area; changes count only from here on.
    void set_lines(const std::vector<std::string>& lines);
    // The text area's lines: an empty last line (a text ending with a line break)
    // is not a line. A line as it was put in keeps its bytes, also where they are
    // not text in the local encoding, and a line break a line was put in with stays
    // in it (the text area shows it as a sign).
    std::vector<std::string> lines() const;
    bool memo_changed() const { return memo_changed_; }

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // OK
    QPushButton* BitBtn2 = nullptr; // Help
    QPushButton* BitBtn3 = nullptr; // Cancel

public slots:
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtn3Click();
    void done(int result) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void FormResize();

    MainWindowContext& main_;
    // The lines as put in, and as the text area shows them.
    std::vector<std::string> given_;
    QStringList shown_;
    // What each line break that a given line holds is shown as; none for those that
    // no line holds.
    QString signs_;
    bool memo_changed_ = false;
    QMetaObject::Connection change_link_;
};

} // namespace vt
