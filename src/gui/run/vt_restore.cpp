#include "gui/run/vt_restore.h"

#include "core/platform/file_names.h"
#include "core/platform/file_time.h"
#include "core/restore/kept_versions.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace vt {
namespace {

QString rows_text(const std::vector<int>& rows) {
    QStringList numbers;
    for (int row : rows)
        numbers << QString::number(row);
    return rows.size() == 1 ? TRestore_Form::tr("line %1").arg(numbers.front())
                            : TRestore_Form::tr("lines %1").arg(numbers.join(QStringLiteral(", ")));
}

} // namespace

TRestore_Form::TRestore_Form(QWidget* parent, std::vector<VersionChoice> versions)
    : QDialog(parent), versions_(std::move(versions)) {
    setObjectName(QStringLiteral("TRestore_Form"));
    setWindowTitle(tr("Restore Files"));
    auto* intro = new QLabel(tr("Copy the files of this list back from their backups."), this);
    OriginalFolders = new QRadioButton(tr("Into their &original folders"), this);
    OriginalFolders->setObjectName(QStringLiteral("OriginalFolders"));
    AnotherFolder = new QRadioButton(tr("Into &another folder, a folder for each line:"), this);
    AnotherFolder->setObjectName(QStringLiteral("AnotherFolder"));
    auto* where = new QButtonGroup(this);
    where->addButton(OriginalFolders);
    where->addButton(AnotherFolder);
    OriginalFolders->setChecked(true);
    Folder = new QLineEdit(this);
    Folder->setObjectName(QStringLiteral("Folder"));
    Browse = new QPushButton(tr("&Browse..."), this);
    Browse->setObjectName(QStringLiteral("Browse"));

    auto* from = new QLabel(tr("&From:"), this);
    Version = new QComboBox(this);
    Version->setObjectName(QStringLiteral("Version"));
    from->setBuddy(Version);
    Version->addItem(tr("The backup as it is"));
    for (const VersionChoice& v : versions_) {
        std::time_t when = 0;
        kept_versions::parse_stamp(v.stamp, when);
        std::tm local{};
        ::localtime_r(&when, &local);
        Version->addItem(
            tr("Restore the version of %1 (%2)")
                .arg(QString::fromLocal8Bit(date_time_text(local).c_str()), rows_text(v.rows)));
    }
    Version->setEnabled(!versions_.empty());

    PreviewButton = new QPushButton(tr("&Preview..."), this);
    PreviewButton->setObjectName(QStringLiteral("PreviewButton"));
    PreviewButton->setDefault(true);
    CancelButton = new QPushButton(tr("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));

    connect(PreviewButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(OriginalFolders, &QRadioButton::toggled, this, [this] { update_buttons(); });
    connect(Folder, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!text.isEmpty())
            AnotherFolder->setChecked(true);
        update_buttons();
    });
    connect(Browse, &QPushButton::clicked, this, [this] {
        const QString chosen =
            QFileDialog::getExistingDirectory(this, tr("Restore Into"), Folder->text());
        if (!chosen.isEmpty())
            Folder->setText(chosen);
    });

    auto* folder_row = new QHBoxLayout;
    folder_row->setContentsMargins(20, 0, 0, 0);
    folder_row->addWidget(Folder, 1);
    folder_row->addWidget(Browse);
    auto* version_row = new QHBoxLayout;
    version_row->addWidget(from);
    version_row->addWidget(Version, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(PreviewButton);
    buttons->addWidget(CancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(OriginalFolders);
    layout->addWidget(AnotherFolder);
    layout->addLayout(folder_row);
    layout->addSpacing(8);
    layout->addLayout(version_row);
    layout->addStretch(1);
    layout->addLayout(buttons);
    resize(520, sizeHint().height());
    update_buttons();
}

void TRestore_Form::update_buttons() {
    // Another folder needs its name before anything can be previewed.
    PreviewButton->setEnabled(OriginalFolders->isChecked() || !Folder->text().trimmed().isEmpty());
}

RestoreRequest TRestore_Form::request() const {
    RestoreRequest r;
    if (AnotherFolder->isChecked()) {
        // A folder typed by hand: "~" is the home folder, and a relative one would
        // depend on where the program happened to be started.
        QString folder = Folder->text().trimmed();
        if (folder == QLatin1String("~") || folder.startsWith(QLatin1String("~/")))
            folder = QDir::homePath() + folder.mid(1);
        r.to_folder = names::absolute(folder.toLocal8Bit().toStdString());
    }
    const int index = Version->currentIndex();
    if (index > 0 && index <= static_cast<int>(versions_.size()))
        r.version = versions_[static_cast<std::size_t>(index - 1)].stamp;
    return r;
}

} // namespace vt
