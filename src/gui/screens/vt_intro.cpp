#include "gui/screens/vt_intro.h"

#include "core/desktop/product_info.h"
#include "core/platform/desktop_services.h"
#include "core/settings/settings_file.h"
#include "gui/widgets/design_font.h"
#include "gui/widgets/design_place.h"
#include "gui/widgets/program_icon.h"
#include "gui/window/main_window_context.h"
#include "gui/window/main_window_state.h"
#include "gui/window/settings_commands.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>

namespace vt {
namespace {

constexpr int kMemoWidth = 653;
// The window opens 612 pixels high, frame and caption included; this is what is
// left of it inside a usual frame.
constexpr int kClientHeight = 581;

} // namespace

TIntro_Form::TIntro_Form(MainWindowContext& owner)
    : QDialog(&owner.widget()), owner_(owner),
      rules_(owner.state().IntroFirst, owner.state().IntroShow,
             [&owner] { owner.settings().write_ini(kSettingsIntroduction); }) {
    setObjectName(QStringLiteral("Intro_Form"));
    setWindowTitle(QStringLiteral("Welcome to quick and easy file copying"));
    setWindowIcon(program_icon());
    setFont(design_font());
    setModal(true);

    Memo1 = place(new QTextEdit(this), "Memo1", 0, 0, kMemoWidth, 465);
    Memo1->setReadOnly(true);
    Memo1->setTabChangesFocus(true);
    Memo1->setHtml(introduction_text());

    auto button = [this](const char* name, const QString& caption, QStyle::StandardPixmap icon,
                         int left, int width) {
        return place(new QPushButton(style()->standardIcon(icon), caption, this), name, left, 480,
                     width, 41);
    };
    BitBtn1 = button("BitBtn1", QStringLiteral("Accept"), QStyle::SP_DialogOkButton, 40, 145);
    BitBtn3 = button("BitBtn3", QStringLiteral("Reject"), QStyle::SP_DialogCancelButton, 248, 165);
    BitBtn2 = button("BitBtn2", QStringLiteral("&Help"), QStyle::SP_DialogHelpButton, 468, 141);
    // Accept is the default button; a focused button takes Enter for itself, so
    // Enter at once acts on "Reject", which has the focus when the screen opens.
    BitBtn1->setDefault(true);

    CheckBox1 = place(new QCheckBox(QStringLiteral("Don't Show me this again"), this), "CheckBox1",
                      16, 536, 205, 17);
    CheckBox1->setChecked(rules_.box_ticked());

    setTabOrder(BitBtn3, CheckBox1);
    setTabOrder(CheckBox1, BitBtn1);
    setTabOrder(BitBtn1, BitBtn2);
    setTabOrder(BitBtn2, Memo1);

    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn3, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn2, &QPushButton::clicked, this, &TIntro_Form::BitBtn2Click);
    connect(CheckBox1, &QCheckBox::clicked, this, &TIntro_Form::CheckBox1Click);

    // The memo fills the window from side to side.
    resize(kMemoWidth, kClientHeight);
    const QWidget& window = owner.widget();
    if (const QScreen* s = window.screen() ? window.screen() : QGuiApplication::primaryScreen())
        move(s->availableGeometry().center() - rect().center());
    BitBtn3->setFocus();
}

void TIntro_Form::CheckBox1Click() {
    rules_.box_clicked(CheckBox1->isChecked());
}

void TIntro_Form::BitBtn2Click() {
    if (owner_.state().HelpAvailable)
        owner_.desktop().show_help("Copyright");
}

QString TIntro_Form::introduction_text() {
    const QString name = QString::fromLatin1(ProductInfo::product_name);
    return QStringLiteral(
               "<h2 align=\"center\">%1</h2>"
               "<p>%1 makes regular backup copies of your important data with a few mouse "
               "clicks.</p>"
               "<h3>Warranty and disclaimer</h3>"
               "<p>%1 is provided as it is, without warranty of any kind, expressed or implied, "
               "including its fitness for a particular purpose. In no event shall the maker of "
               "%1 be liable for any loss or damage of data, files, equipment or income that "
               "arises from the use of the program or from being unable to use it.</p>"
               "<p><b>Please take care:</b> with certain options (\"Replace Existing\" in a "
               "copy specification line) %1 overwrites earlier versions of files in the "
               "destination folder. Check each line of a list before you copy with it, and "
               "keep the copies you cannot do without in more than one place.</p>"
               "<h3>Rights</h3>"
               "<p>%1 and all of its files, including this text, its manual and its pictures, "
               "are copyright of Larchmere Utilities. All rights not expressly granted below "
               "are reserved.</p>"
               "<h3>Distribution</h3>"
               "<p>You may copy %1 and give it to others, provided that all of its files are "
               "passed on together and unchanged and that no charge is made for it beyond the "
               "cost of the medium. It may not be sold, rented or included in another product "
               "without the written permission of Larchmere Utilities.</p>"
               "<h3>Acceptance</h3>"
               "<p>By using %1 you accept these conditions. If you do not accept them, choose "
               "\"Reject\" and do not use the program.</p>"
               "<h3>Suggestions</h3>"
               "<p>Your suggestions and comments are welcome. The online help (the Help menu, "
               "or the Help button below) tells you how to reach us.</p>")
        .arg(name);
}

IntroAnswer show_introduction(MainWindowContext& owner) {
    TIntro_Form screen(owner);
    return screen.exec() == QDialog::Accepted ? IntroAnswer::Accepted : IntroAnswer::Rejected;
}

} // namespace vt
