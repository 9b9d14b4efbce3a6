#pragma once
#include "core/list/copy_list.h"

#include <QObject>
#include <QPointer>
#include <string>

class QAction;
class QWidget;

namespace vt {

class CopyController;
class JournalViewer;
class Prompter;

// "View Journal": the list's journal in the program's own viewer, at any time after a
// run, and also what Yes to the question at the end of a run shows. The item is
// enabled while the list has a journal; it is looked at again when a list is loaded
// or saved and when a run ends.
class JournalCommands final : public QObject, private CopyListListener {
    Q_OBJECT
public:
    JournalCommands(QWidget& owner, CopyList& list, Prompter& prompter, QAction& item,
                    CopyController& runs);
    ~JournalCommands() override;

    void ViewJournal1Click();
    // Shows the journal at `path`; a journal that cannot be read is reported.
    void show_journal(const std::string& path);
    void update_item();
    // The viewer, once a journal has been shown.
    JournalViewer* viewer() const;

private:
    void state_changed() override { update_item(); }
    // The journal of the list, empty while the list has no name.
    std::string journal_path() const;

    QWidget& owner_;
    CopyList& list_;
    Prompter& prompter_;
    QAction& item_;
    QPointer<JournalViewer> viewer_;
};

} // namespace vt
