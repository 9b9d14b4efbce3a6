#include "gui/schedule/vt_schedule.h"

#include "core/platform/file_time.h"
#include "gui/widgets/design_font.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QTimeEdit>
#include <QVBoxLayout>

namespace vt {
namespace {

QString local(const std::string& s) {
    return QString::fromLocal8Bit(s);
}

QLabel* wrapped_label(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

TSchedule_Form::TSchedule_Form(ScheduleDialogState state, QWidget* parent)
    : QDialog(parent), state_(std::move(state)) {
    setObjectName(QStringLiteral("Schedule_Form"));
    setWindowTitle(QStringLiteral("Schedule This List"));
    setFont(design_font());
    setMinimumWidth(540);

    auto* layout = new QVBoxLayout(this);
    List_Label = wrapped_label(this, "List_Label");
    List_Label->setText(state_.list.empty()
                            ? QStringLiteral("List: Untitled (it is saved first when you press OK)")
                            : QStringLiteral("List: ") + local(state_.list));
    layout->addWidget(List_Label);

    auto* form = new QFormLayout;
    Frequency_ComboBox = new QComboBox(this);
    Frequency_ComboBox->setObjectName(QStringLiteral("Frequency_ComboBox"));
    Frequency_ComboBox->addItems({QStringLiteral("Off"), QStringLiteral("Hourly"),
                                  QStringLiteral("Daily"), QStringLiteral("Weekly"),
                                  QStringLiteral("Monthly")});
    form->addRow(QStringLiteral("How often:"), Frequency_ComboBox);

    Time_Caption = new QLabel(QStringLiteral("Time of day:"), this);
    Time_Edit = new QTimeEdit(this);
    Time_Edit->setObjectName(QStringLiteral("Time_Edit"));
    form->addRow(Time_Caption, Time_Edit);

    Weekday_Caption = new QLabel(QStringLiteral("Day of the week:"), this);
    Weekday_ComboBox = new QComboBox(this);
    Weekday_ComboBox->setObjectName(QStringLiteral("Weekday_ComboBox"));
    for (int i = 1; i <= 7; ++i)
        Weekday_ComboBox->addItem(QString::fromLatin1(weekday_full_name(i % 7)), i % 7);
    form->addRow(Weekday_Caption, Weekday_ComboBox);

    CatchUp_CheckBox =
        new QCheckBox(QStringLiteral("Catch up on a missed run at the next start"), this);
    CatchUp_CheckBox->setObjectName(QStringLiteral("CatchUp_CheckBox"));
    form->addRow(QString(), CatchUp_CheckBox);

    NextRun_Label = wrapped_label(this, "NextRun_Label");
    LastRun_Label = wrapped_label(this, "LastRun_Label");
    LastRun_Label->setText(state_.last_run ? local(describe(*state_.last_run))
                                           : QStringLiteral("none yet"));
    form->addRow(QStringLiteral("Next run:"), NextRun_Label);
    form->addRow(QStringLiteral("Last scheduled run:"), LastRun_Label);
    layout->addLayout(form);

    Manager_Label = wrapped_label(this, "Manager_Label");
    Manager_Label->setText(
        QStringLiteral("No systemd user manager is running: the schedule is written, but "
                       "it does not start until one runs") +
        (state_.enable_command.empty()
             ? QStringLiteral(".")
             : QStringLiteral(" and this command enables it:\n") + local(state_.enable_command)));
    Manager_Label->setVisible(!state_.manager);
    layout->addWidget(Manager_Label);

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(Buttons);
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    const Schedule& s = state_.schedule;
    Frequency_ComboBox->setCurrentIndex(static_cast<int>(s.frequency));
    Time_Edit->setTime(QTime(s.hour, s.minute));
    Weekday_ComboBox->setCurrentIndex(Weekday_ComboBox->findData(s.weekday));
    CatchUp_CheckBox->setChecked(s.catch_up);

    connect(Frequency_ComboBox, &QComboBox::currentIndexChanged, this,
            &TSchedule_Form::update_controls);
    connect(Time_Edit, &QTimeEdit::timeChanged, this, &TSchedule_Form::update_controls);
    connect(Weekday_ComboBox, &QComboBox::currentIndexChanged, this,
            &TSchedule_Form::update_controls);
    connect(CatchUp_CheckBox, &QCheckBox::toggled, this, &TSchedule_Form::update_controls);
    update_controls();
}

Schedule TSchedule_Form::schedule() const {
    Schedule s;
    s.frequency = static_cast<Frequency>(Frequency_ComboBox->currentIndex());
    s.hour = Time_Edit->time().hour();
    s.minute = Time_Edit->time().minute();
    s.weekday = Weekday_ComboBox->currentData().toInt();
    s.catch_up = CatchUp_CheckBox->isChecked();
    return normalized(s);
}

void TSchedule_Form::update_controls() {
    const Schedule s = schedule();
    const bool on = s.frequency != Frequency::Off;
    const bool hourly = s.frequency == Frequency::Hourly;
    Time_Caption->setText(hourly ? QStringLiteral("Minutes past the hour:")
                                 : QStringLiteral("Time of day:"));
    Time_Edit->setDisplayFormat(hourly ? QStringLiteral("mm") : QStringLiteral("HH:mm"));
    Time_Edit->setEnabled(on);
    Time_Caption->setEnabled(on);
    Weekday_ComboBox->setEnabled(s.frequency == Frequency::Weekly);
    Weekday_Caption->setEnabled(s.frequency == Frequency::Weekly);
    CatchUp_CheckBox->setEnabled(on);
    if (!on) {
        NextRun_Label->setText(QStringLiteral("none, the list is not scheduled"));
        return;
    }
    const std::time_t next = next_run(s, state_.now());
    std::tm at{};
    ::localtime_r(&next, &at);
    NextRun_Label->setText(local(date_time_text(at)) + QStringLiteral(" (") + local(describe(s)) +
                           QStringLiteral(")"));
}

} // namespace vt
