#pragma once
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

namespace vt::test {

// Acts on the next modal dialog of type D as soon as it is on screen and active
// (from inside its own event loop). `seen` counts the dialogs acted on.
template <class D> class OnModal {
public:
    explicit OnModal(std::function<void(D&)> act) : act_(std::move(act)) {
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible())
                return;
            // Keys and focus need the dialog active; the platform activates it soon
            // after showing it.
            if (!dialog->isActiveWindow() && ++waits_ < 200)
                return;
            waits_ = 0;
            ++seen;
            timer_.stop();
            act_(*dialog);
        });
        timer_.start();
    }
    int seen = 0;

private:
    std::function<void(D&)> act_;
    QTimer timer_;
    int waits_ = 0;
};

} // namespace vt::test
