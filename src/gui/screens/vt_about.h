#pragma once
#include <QDialog>

class QFrame;
class QLabel;
class QPushButton;

namespace vt {

class DesktopServices;

// The about box: the product, its version and the maker's mail and web links.
// A new box is made for every showing.
class TAboutBox : public QDialog {
    Q_OBJECT
public:
    TAboutBox(DesktopServices& desktop, QWidget* owner);

    // "Version " + the version number + " " + the build suffix.
    static QString version_text();

    QFrame* Panel1 = nullptr;
    QLabel* ProgramIcon = nullptr;
    QLabel* ProductName = nullptr;
    QLabel* Version = nullptr;
    QLabel* Copyright = nullptr;
    QLabel* Comments = nullptr;
    QPushButton* OKButton = nullptr;
    QFrame* Panel2 = nullptr;
    QLabel* Labelemail = nullptr;
    QLabel* Labelweb = nullptr;

public slots:
    void LabelemailClick();
    void LabelwebClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();

    DesktopServices& desktop_;
};

} // namespace vt
