#pragma once
#include <QObject>
#include <QString>

class QWidget;

namespace vt {

// The folders last chosen in a window's entry editor, kept with the window for its
// life: the next editor opens where the user was, not in the program's working
// folder.
class LastFolders final : public QObject {
    Q_OBJECT
public:
    // The folders of `window`, made when first asked for.
    static LastFolders& of(QWidget& window);

    QString source;
    QString destination;

private:
    explicit LastFolders(QObject* owner) : QObject(owner) {}
};

} // namespace vt
