#pragma once
#include "core/settings/intro_decision.h"

#include <QDialog>

class QCheckBox;
class QPushButton;
class QTextEdit;

namespace vt {

class MainWindowContext;

// The introduction screen: presents the program and its conditions of use and
// asks the user to accept them. Accept closes it with QDialog::Accepted; "Reject",
// Esc and the close box with QDialog::Rejected. A new screen is made for every
// showing.
class TIntro_Form : public QDialog {
    Q_OBJECT
public:
    explicit TIntro_Form(MainWindowContext& owner);

    // The introductory text, as rich text.
    static QString introduction_text();

    QTextEdit* Memo1 = nullptr;
    QPushButton* BitBtn1 = nullptr; // "Accept"
    QPushButton* BitBtn3 = nullptr; // "Reject"
    QPushButton* BitBtn2 = nullptr; // help
    QCheckBox* CheckBox1 = nullptr; // "Don't Show me this again"

public slots:
    void CheckBox1Click();
    void BitBtn2Click();

private:
    MainWindowContext& owner_;
    IntroDecision rules_;
};

// Shows a new introduction screen, owned by the main window, modally.
IntroAnswer show_introduction(MainWindowContext& owner);

} // namespace vt
